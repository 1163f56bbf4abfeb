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
                if (--m_sessionsByPeer[(*it)->peer] <= 0)
                    m_sessionsByPeer.erase((*it)->peer);
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
        std::string peer;
        const IoResult accepted = acceptOne(m_listener, control, 1000, m_stop, &peer);
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
        int fromPeer = 0;
        {
            std::lock_guard lock(m_mutex);
            running = m_sessions.size();
            const auto counted = m_sessionsByPeer.find(peer);
            fromPeer = counted == m_sessionsByPeer.end() ? 0 : counted->second;
        }
        // One address cannot take every slot.
        if (running >= static_cast<std::size_t>(m_settings.maxSessions) ||
            fromPeer >= m_settings.maxSessionsPerAddress) {
            control.sendAll("421 Too many connections, try again later.\r\n", 1000, m_stop);
            m_service.log.line("ftp refused a connection from " + peer + ": too many sessions");
            continue;
        }
        auto slot = std::make_unique<SessionSlot>();
        slot->peer = peer;
        SessionSlot* raw = slot.get();
        const int number = ++m_sessionCount;
        auto body = [this, raw, number, socket = std::move(control)]() mutable {
            try {
                FtpSession(m_service, m_settings, std::move(socket), m_stop, m_ports, number,
                           m_signIns)
                    .run();
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
        ++m_sessionsByPeer[peer];
        m_sessions.push_back(std::move(slot));
    }
}

}  // namespace nubexa::standin
