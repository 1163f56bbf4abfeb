#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace nubexa::standin {

// Every web request runs under a time limit. begin() gives the answering thread its deadline
// (ThreadDeadline): the database stops waiting and stops the request's statements there, so
// the request fails instead of holding the service. For whatever else could hold a request
// past its limit, a watch thread reports each request still running half its limit later
// (time for a request failed at its deadline to send its answer) once to `overdue`, which
// logs it and ends its connection.
class RequestWatch {
public:
    using Clock = std::chrono::steady_clock;

    struct Request {
        std::string what;  // "GET /s/abc" for the log
        std::string peer;  // the client's address and port
        int peerPort = 0;
        int localPort = 0;  // the server's port the request came to
    };

    RequestWatch(std::chrono::milliseconds limit, std::function<void(const Request&)> overdue);
    ~RequestWatch();
    RequestWatch(const RequestWatch&) = delete;
    RequestWatch& operator=(const RequestWatch&) = delete;

    std::chrono::milliseconds limit() const { return m_limit; }

    // On the thread answering a request, when it starts and when its answer is ready.
    void begin(Request request);
    void end();

private:
    struct Running {
        Request request;
        Clock::time_point reportAt;
        bool reported = false;
    };
    void run();

    const std::chrono::milliseconds m_limit;
    const std::function<void(const Request&)> m_overdue;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::map<std::thread::id, Running> m_running;
    std::thread m_thread;  // last: starts once everything above is ready
};

// Shuts down (both ways) the connections accepted on `localPort` whose peer `which` accepts
// (peer address and port as numbers); their owners see them end at once. Any thread may call
// it: each descriptor is looked at through a duplicate of its own.
void shutDownConnections(int localPort,
                         const std::function<bool(const std::string& peer, int peerPort)>& which);

}  // namespace nubexa::standin
