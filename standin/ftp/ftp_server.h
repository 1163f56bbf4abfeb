#pragma once

#include <atomic>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "standin/ftp/ftp_data_channel.h"
#include "standin/ftp/ftp_settings.h"
#include "standin/ftp/socket_io.h"
#include "standin/service_context.h"
#include "standin/web/signin_throttle.h"

namespace nubexa::standin {

// The file server: one acceptor thread and one thread per session. stop() wakes every wait
// and joins every thread; nothing outlives it.
class FtpServer {
public:
    FtpServer(const ServiceContext& service, FtpSettings settings);
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    // Binds the control port (settings.port 0: any free port).
    Outcome bind();
    int port() const { return m_listener.localPort(); }

    void start();
    void stop();

private:
    struct SessionSlot {
        std::thread thread;
        std::atomic<bool> done{false};
        std::string peer;
    };

    void acceptLoop();
    void reapFinished(bool all);

    const ServiceContext& m_service;
    FtpSettings m_settings;
    PassivePorts m_ports;
    StopSignal m_stop;
    Socket m_listener;
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::list<std::unique_ptr<SessionSlot>> m_sessions;
    std::map<std::string, int> m_sessionsByPeer;
    int m_sessionCount = 0;
    SignInThrottle m_signIns;  // wrong passwords per address, over all its connections
};

}  // namespace nubexa::standin
