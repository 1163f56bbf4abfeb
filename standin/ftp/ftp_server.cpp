#include "standin/ftp/ftp_server.h"

#include <system_error>

#include "standin/ftp/ftp_session.h"

namespace nubexa::standin {

FtpServer::FtpServer(const ServiceContext& service, FtpSettings settings)
    : m_service(service),
      m_settings(std::move(settings)),
      m_ports(m_settings.passiveLow, m_settings.passiveHigh) {}

FtpServer::~FtpServer() {
    stop();
}

Outcome FtpServer::bind() {
    std::string error;
    auto listener = listenOn(m_settings.host, m_settings.port, error);
    if (!listener)
        return Outcome::failure(error);
    m_listener = std::move(*listener);
    return Outcome::success();
}

void FtpServer::start() {
    m_acceptor = std::thread([this] { acceptLoop(); });
}

void FtpServer::stop() {
    m_stop.raise();
    if (m_acceptor.joinable())
        m_acceptor.join();
    reapFinished(true);
    m_listener.close();
}

void FtpServer::reapFinished(bool all) {
    std::list<std::unique_ptr<SessionSlot>> finished;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_sessions.begin(); it != m_sessions.end();) {
            if (all || (*it)->done) {
                finished.push_back(std::move(*it));
                it = m_sessions.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& slot : finished) {
        if (slot->thread.joinable())
            slot->thread.join();
    }
}

void FtpServer::acceptLoop() {
    for (;;) {
        Socket control;
        const IoResult accepted = acceptOne(m_listener, control, 1000, m_stop);
        reapFinished(false);
        if (accepted == IoResult::Stopped)
            return;
        if (accepted == IoResult::Failed) {
            // Out of descriptors or similar: let the running sessions finish some work.
            m_stop.wait(100);
            continue;
        }
        if (accepted != IoResult::Done)
            continue;
        std::size_t running = 0;
        {
            std::lock_guard lock(m_mutex);
            running = m_sessions.size();
        }
        if (running >= static_cast<std::size_t>(m_settings.maxSessions)) {
            control.sendAll("421 Too many connections, try again later.\r\n", 1000, m_stop);
            m_service.log.line("ftp refused a connection: too many sessions");
            continue;
        }
        auto slot = std::make_unique<SessionSlot>();
        SessionSlot* raw = slot.get();
        const int number = ++m_sessionCount;
        auto body = [this, raw, number, socket = std::move(control)]() mutable {
            try {
                FtpSession(m_service, m_settings, std::move(socket), m_stop, m_ports, number).run();
            } catch (const std::exception& error) {
                m_service.log.line("ftp #" + std::to_string(number) + " ended: " + error.what());
            } catch (...) {
                m_service.log.line("ftp #" + std::to_string(number) + " ended by an error");
            }
            raw->done = true;
        };
        try {
            raw->thread = std::thread(std::move(body));
        } catch (const std::system_error& error) {
            m_service.log.line(std::string("ftp cannot start a session: ") + error.what());
            continue;
        }
        std::lock_guard lock(m_mutex);
        m_sessions.push_back(std::move(slot));
    }
}

}  // namespace nubexa::standin
