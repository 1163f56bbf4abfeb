#include "standin/web/http_frontend.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include <httplib.h>

#include "standin/ftp/socket_io.h"
#include "standin/web/html_page.h"
#include "standin/web/raw_query.h"

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

// The port a socket is bound to, or -1 for anything but an IPv4/IPv6 socket.
int localPort(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    if (syscall(SYS_getsockname, fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return -1;
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

// httplib looks at a kept connection's stop only when its next request comes or its idle time
// ends: a stop would wait out the keep-alive time of every idle client. Ending them from this
// side wakes their threads at once.
//
// Other threads open and close descriptors meanwhile, so each one is taken as a duplicate
// first, and only a duplicate that is a connection accepted on `port` is shut down (which ends
// it for httplib's descriptor too); the listener is closed already. A number closed and reused
// meanwhile is thus judged by what it is now. Plain system calls: this look at descriptors
// other threads own is safe by that duplicate, not by a lock a race detector could see.
void endConnectionsOn(int port) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        int fd = -1;
        try {
            fd = std::stoi(entry.path().filename().string());
        } catch (const std::exception&) {
            continue;
        }
        const long copy = syscall(SYS_dup, fd);
        if (copy < 0)
            continue;
        const int own = static_cast<int>(copy);
        sockaddr_storage peer{};
        socklen_t length = sizeof(peer);
        if (localPort(own) == port &&
            syscall(SYS_getpeername, own, reinterpret_cast<sockaddr*>(&peer), &length) == 0)
            syscall(SYS_shutdown, own, SHUT_RDWR);
        syscall(SYS_close, own);
    }
}

std::unique_ptr<httplib::Server> makeServer(const TlsFiles& tls) {
    if (tls.certificate.empty())
        return std::make_unique<httplib::Server>();
    return std::make_unique<httplib::SSLServer>(tls.certificate.c_str(), tls.key.c_str());
}

}  // namespace

HttpFrontend::HttpFrontend(const ServiceContext& service, const TlsFiles& tls)
    : m_service(service),
      m_router(service),
      m_server(makeServer(tls)),
      m_secure(!tls.certificate.empty()) {
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
        sendPage(response, response.status,
                 renderPage(title, why + "<p><a href=\"/home\">返回首页</a></p>",
                            browserAccount(m_service, request)));
    });
    server.set_exception_handler(
        [this](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
            std::string what = "unknown error";
            try {
                if (error)
                    std::rethrow_exception(error);
            } catch (const std::exception& e) {
                what = e.what();
            } catch (...) {
            }
            m_service.log.line("http handler failed: " + what);
            sendPage(response, 500, renderPage("服务器错误", "<p>请稍后再试。</p>", std::nullopt));
        });
    server.set_logger([this](const httplib::Request& request, const httplib::Response& response) {
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

void HttpFrontend::stop() {
    if (!m_thread.joinable())
        return;
    m_server->stop();
    endConnectionsOn(m_port);
    m_thread.join();
}

}  // namespace nubexa::standin
