#include "standin/web/http_frontend.h"

#include <chrono>

#include <httplib.h>

#include "standin/ftp/socket_io.h"
#include "standin/web/html_page.h"
#include "standin/web/raw_query.h"
#include "standin/web/xml_answer.h"

namespace nubexa::standin {

namespace {

constexpr std::size_t kHttpThreads = 32;

// What the log line of the request being answered on this thread adds.
thread_local std::string t_logNote;

// httplib reports a failed bind without its reason; binding once more tells it.
std::string bindFailure(const std::string& host, int port) {
    std::string error;
    if (listenOn(host, port, error))
        return "address not usable";
    return error;
}

std::unique_ptr<httplib::Server> makeServer(const TlsFiles& tls) {
    if (tls.certificate.empty())
        return std::make_unique<httplib::Server>();
    return std::make_unique<httplib::SSLServer>(tls.certificate.c_str(), tls.key.c_str());
}

// "/UserService.asmx/GetFiles", with the suffix in any case as the routes take it.
bool isApiPath(const std::string& path) {
    const auto dot = path.find('.');
    if (dot == std::string::npos || path.size() < dot + 6)
        return false;
    std::string suffix = path.substr(dot, 6);
    for (char& c : suffix)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return suffix == ".asmx/";
}

// The page of a failed request: the API's XML refusal for its operations, a page otherwise.
void answerFailure(const httplib::Request& request, httplib::Response& response, int status,
                   const std::string& message) {
    // Nothing the failed handler put into its answer (a cookie, a redirect) goes out.
    response = httplib::Response();
    response.status = status;
    response.set_header("Cache-Control", "no-store");
    if (isApiPath(request.path)) {
        response.set_content(XmlAnswer::refusal(message).render(), "text/xml; charset=utf-8");
        return;
    }
    sendPage(response, status,
             renderPage("服务器错误", "<p>" + htmlEscape(message) + "</p>", std::nullopt));
}

}  // namespace

HttpFrontend::HttpFrontend(const ServiceContext& service, const TlsFiles& tls,
                           std::chrono::milliseconds timeLimit,
                           std::function<bool(const std::string&)> failOperation)
    : m_service(service),
      m_router(service),
      m_server(makeServer(tls)),
      m_secure(!tls.certificate.empty()),
      m_watch(timeLimit, [this](const RequestWatch::Request& late) { endLateRequest(late); }),
      m_failOperation(std::move(failOperation)) {
    addAccountOperations(m_router);
    addListingOperations(m_router);
    addItemOperations(m_router);
    addSharingOperations(m_router);
    mountRoutes();
}

HttpFrontend::~HttpFrontend() {
    stop();
}

void HttpFrontend::mountRoutes() {
    httplib::Server& server = *m_server;
    server.set_read_timeout(10, 0);
    server.set_write_timeout(30, 0);
    // Clients keep a connection per thread between requests, and an idle kept connection holds
    // one of the server's threads until it times out: the pool is sized for a client's
    // workers, monitor and page requests together, with room for a second client.
    server.set_keep_alive_timeout(2);
    server.set_keep_alive_max_count(1000);
    server.new_task_queue = [] { return new httplib::ThreadPool(kHttpThreads); };
    // An answer goes out as header and body in two writes: on a kept connection, Nagle would
    // hold the body until the client's delayed acknowledgement.
    server.set_tcp_nodelay(true);
    server.set_payload_max_length(1 << 20);

    server.Get(R"(/[A-Za-z]+\.[Aa][Ss][Mm][Xx]/[A-Za-z]+)",
               [this](const httplib::Request& request, httplib::Response& response) {
                   if (m_failOperation && m_failOperation(request.path)) {
                       response.status = 503;
                       return;
                   }
                   std::string note;
                   const auto answer = m_router.answer(request.path, queryOfTarget(request.target),
                                                       request.remote_addr, note);
                   if (!answer) {
                       sendPage(response, 404,
                                renderPage("找不到页面", "<p>没有这个接口。</p>", std::nullopt));
                       return;
                   }
                   t_logNote = note;
                   response.set_header("Cache-Control", "no-store");
                   response.set_content(*answer, "text/xml; charset=utf-8");
               });
    mountAccountPages(server, m_service);
    mountSignInPages(server, m_service);
    mountSharePages(server, m_service);

    server.set_error_handler([this](const httplib::Request& request, httplib::Response& response) {
        if (!response.body.empty())
            return;
        const std::string title = response.status == 404 ? "找不到页面" : "请求无效";
        // Forms limit their fields; only a hand-made post is this long.
        const std::string why = response.status == 413
                                    ? "<p class=\"error\">提交的内容太长，请缩短后重新提交。</p>"
                                    : std::string();
        // Outside the handlers' guard: a database that cannot be had only costs the header.
        std::optional<Account> who;
        try {
            who = browserAccount(m_service, request);
        } catch (const std::exception&) {
        }
        sendPage(response, response.status,
                 renderPage(title, why + "<p><a href=\"/home\">返回首页</a></p>", who));
    });
    // A handler that throws fails its request alone: a database that could not be had in time
    // is "busy" (503), anything else, a transaction opened inside another among it, a fault.
    server.set_exception_handler([this](const httplib::Request& request,
                                        httplib::Response& response, std::exception_ptr error) {
        std::string what = "unknown error";
        bool busy = false;
        try {
            if (error)
                std::rethrow_exception(error);
        } catch (const SqlUnavailable& e) {
            what = e.what();
            busy = true;
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        m_service.log.line("http " + request.method + " " + request.path + " failed: " + what);
        answerFailure(request, response, busy ? 503 : 500,
                      busy ? "服务器忙，请稍后再试" : "服务器错误，请稍后再试");
    });
    // Each request's time limit runs from routing to its answer; sending a download's bytes
    // is bounded by the write timeout instead.
    server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
        m_watch.begin({request.method + " " + request.path, request.remote_addr,
                       request.remote_port, request.local_port});
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_post_routing_handler(
        [this](const httplib::Request&, httplib::Response&) { m_watch.end(); });
    server.set_logger([this](const httplib::Request& request, const httplib::Response& response) {
        m_watch.end();
        m_service.log.line("http " + request.remote_addr + " " + request.method + " " +
                           request.path + " " + std::to_string(response.status) +
                           (t_logNote.empty() ? "" : " " + t_logNote));
        t_logNote.clear();
    });
}

Outcome HttpFrontend::bind(const std::string& host, int port) {
    if (!m_server->is_valid())
        return Outcome::failure("the TLS certificate or key cannot be used");
    if (port == 0) {
        m_port = m_server->bind_to_any_port(host);
        if (m_port <= 0)
            return Outcome::failure(bindFailure(host, 0));
        return Outcome::success();
    }
    if (!m_server->bind_to_port(host, port))
        return Outcome::failure(bindFailure(host, port));
    m_port = port;
    return Outcome::success();
}

Outcome HttpFrontend::start() {
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // stop() only reaches a server that is running, so wait until it is.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!m_server->is_running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return Outcome::failure("the web server did not start");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return Outcome::success();
}

void HttpFrontend::endLateRequest(const RequestWatch::Request& late) {
    m_service.log.line("http " + late.what + " from " + late.peer + " ran past its " +
                       std::to_string(m_watch.limit().count()) + " ms: its connection is closed");
    shutDownConnections(late.localPort, [&](const std::string& peer, int peerPort) {
        return peerPort == late.peerPort && peer == late.peer;
    });
}

void HttpFrontend::stop() {
    if (!m_thread.joinable())
        return;
    // httplib looks at a kept connection's stop only when its next request comes or its idle
    // time ends: a stop would wait out the keep-alive time of every idle client. Ending them
    // from this side wakes their threads at once (the listener is closed already).
    m_server->stop();
    shutDownConnections(m_port, [](const std::string&, int) { return true; });
    m_thread.join();
}

}  // namespace nubexa::standin
