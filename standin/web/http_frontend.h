#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "standin/service_context.h"
#include "standin/util/outcome.h"
#include "standin/util/tls_certificates.h"
#include "standin/web/api_router.h"
#include "standin/web/request_watch.h"

namespace httplib {
class Server;
}

namespace nubexa::standin {

// The web side: the .asmx operations and the site's pages on one cpp-httplib server with its
// own worker pool. stop() ends the listener and joins every worker. Every request runs under
// `timeLimit` (see RequestWatch): past it, the request's database work stops, the request is
// logged and its connection closed.
class HttpFrontend {
public:
    // With a certificate in `tls` it serves HTTPS only.
    // `failOperation`: see ServiceOptions.
    explicit HttpFrontend(const ServiceContext& service, const TlsFiles& tls = {},
                          std::chrono::milliseconds timeLimit = std::chrono::seconds(10),
                          std::function<bool(const std::string&)> failOperation = {});
    ~HttpFrontend();
    HttpFrontend(const HttpFrontend&) = delete;
    HttpFrontend& operator=(const HttpFrontend&) = delete;

    // Port 0 takes any free port.
    Outcome bind(const std::string& host, int port);
    int port() const { return m_port; }

    // Serves on a thread of its own; returns once the server accepts connections.
    Outcome start();
    void stop();
    bool secure() const { return m_secure; }

private:
    void mountRoutes();
    void endLateRequest(const RequestWatch::Request& late);

    const ServiceContext& m_service;
    ApiRouter m_router;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    bool m_secure = false;
    RequestWatch m_watch;
    const std::function<bool(const std::string&)> m_failOperation;
};

}  // namespace nubexa::standin
