#pragma once

#include <atomic>
#include <chrono>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "standin/ftp/ftp_data_channel.h"
#include "standin/ftp/ftp_settings.h"
#include "standin/ftp/socket_io.h"
#include "standin/service_context.h"
#include "standin/util/guess_throttle.h"

namespace nubexa::standin {

// The file server: one acceptor thread and one thread per session. stop() wakes every wait
// and joins every thread; nothing outlives it. A new connection waits among the connections
// not signed in yet (see FtpSettings::maxWaiting) and takes a signed-in session's place only
// when its password was right.
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
        // Guarded by m_mutex: the state of its place, and a duplicate of its control
        // connection while it waits to sign in, by which it is made to give way.
        enum class Place { Waiting, SignedIn, Left } place = Place::Waiting;
        std::chrono::steady_clock::time_point since;
        int waitingFd = -1;
    };

    void acceptLoop();
    void reapFinished(bool all);
    // A place among the waiting connections for one from `peer`, made by ending the one that
    // waited longest when they are full. Called with m_mutex held.
    void makeRoomToWait(const std::string& peer);
    // Moves a waiting session to the signed-in ones; false when they are full.
    bool takeSignedInPlace(SessionSlot& slot);
    // Ends a slot's place (its session ended, or it gave way). Called with m_mutex held.
    static void leavePlace(SessionSlot& slot, bool endConnection);

    const ServiceContext& m_service;
    FtpSettings m_settings;
    PassivePorts m_ports;
    StopSignal m_stop;
    Socket m_listener;
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::list<std::unique_ptr<SessionSlot>> m_sessions;
    int m_sessionCount = 0;
    GuessThrottle m_signIns;  // wrong passwords per address, over all its connections
};

}  // namespace nubexa::standin
