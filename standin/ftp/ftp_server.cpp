#include "standin/ftp/ftp_server.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

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
                leavePlace(**it, false);
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

void FtpServer::leavePlace(SessionSlot& slot, bool endConnection) {
    if (slot.waitingFd >= 0) {
        // Shutting the connection down ends it for its session's own descriptor too.
        if (endConnection)
            ::shutdown(slot.waitingFd, SHUT_RDWR);
        ::close(slot.waitingFd);
        slot.waitingFd = -1;
    }
    slot.place = SessionSlot::Place::Left;
}

void FtpServer::makeRoomToWait(const std::string& peer) {
    std::map<std::string, int> waitingByPeer;
    int waiting = 0;
    for (const auto& slot : m_sessions) {
        if (slot->place == SessionSlot::Place::Waiting) {
            ++waitingByPeer[slot->peer];
            ++waiting;
        }
    }
    // Its own address makes room first; otherwise the address that has the most waiting.
    std::string from;
    if (waitingByPeer[peer] >= m_settings.maxWaitingPerAddress) {
        from = peer;
    } else if (waiting >= m_settings.maxWaiting) {
        int most = 0;
        for (const auto& [address, count] : waitingByPeer) {
            if (count > most) {
                most = count;
                from = address;
            }
        }
    } else {
        return;
    }
    SessionSlot* oldest = nullptr;
    for (const auto& slot : m_sessions) {
        if (slot->place == SessionSlot::Place::Waiting && slot->peer == from &&
            (oldest == nullptr || slot->since < oldest->since))
            oldest = slot.get();
    }
    if (oldest == nullptr)
        return;
    m_service.log.line("ftp gave a waiting connection from " + from + " up for a new one from " +
                       peer + ": " + std::to_string(waiting) + " connections wait to sign in");
    leavePlace(*oldest, true);
}

bool FtpServer::takeSignedInPlace(SessionSlot& slot) {
    std::lock_guard lock(m_mutex);
    if (slot.place == SessionSlot::Place::SignedIn)
        return true;
    if (slot.place != SessionSlot::Place::Waiting)
        return false;
    int signedIn = 0;
    int fromPeer = 0;
    for (const auto& other : m_sessions) {
        if (other->place == SessionSlot::Place::SignedIn) {
            ++signedIn;
            fromPeer += other->peer == slot.peer ? 1 : 0;
        }
    }
    // One address cannot take every place either.
    if (signedIn >= m_settings.maxSessions || fromPeer >= m_settings.maxSessionsPerAddress)
        return false;
    ::close(slot.waitingFd);
    slot.waitingFd = -1;
    slot.place = SessionSlot::Place::SignedIn;
    return true;
}

void FtpServer::acceptLoop() {
    // Threads of sessions that gave way end at once; this only bounds a flood of them.
    const std::size_t mostThreads =
        static_cast<std::size_t>(m_settings.maxSessions + 2 * m_settings.maxWaiting);
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
        auto slot = std::make_unique<SessionSlot>();
        slot->peer = peer;
        slot->since = std::chrono::steady_clock::now();
        slot->waitingFd = ::fcntl(control.fd(), F_DUPFD_CLOEXEC, 0);
        SessionSlot* raw = slot.get();
        {
            std::lock_guard lock(m_mutex);
            if (m_sessions.size() >= mostThreads || slot->waitingFd < 0) {
                leavePlace(*slot, false);
                control.sendAll("421 Too many connections, try again later.\r\n", 1000, m_stop);
                m_service.log.line("ftp refused a connection from " + peer + ": too many sessions");
                continue;
            }
            makeRoomToWait(peer);
        }
        const int number = ++m_sessionCount;
        auto body = [this, raw, number, socket = std::move(control)]() mutable {
            try {
                FtpSession(m_service, m_settings, std::move(socket), m_stop, m_ports, number,
                           m_signIns, [this, raw] { return takeSignedInPlace(*raw); })
                    .run();
            } catch (const std::exception& error) {
                m_service.log.line("ftp #" + std::to_string(number) + " ended: " + error.what());
            } catch (...) {
                m_service.log.line("ftp #" + std::to_string(number) + " ended by an error");
            }
            {
                std::lock_guard lock(m_mutex);
                leavePlace(*raw, false);
            }
            raw->done = true;
        };
        std::lock_guard lock(m_mutex);
        try {
            raw->thread = std::thread(std::move(body));
        } catch (const std::system_error& error) {
            leavePlace(*raw, false);
            m_service.log.line(std::string("ftp cannot start a session: ") + error.what());
            continue;
        }
        m_sessions.push_back(std::move(slot));
    }
}

}  // namespace nubexa::standin
