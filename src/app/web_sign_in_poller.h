#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace nubexa {
class ServiceClient;
}

namespace nubexa::app {

// Asks the service about one pending QQ or Sina sign-in (APILogin) on a thread of its own,
// about every half second, until the attempt is signed in or stopped. The window's timer
// looks at done(): the hand-over waits until APILogin has returned, not only until the
// account says signed in.
class WebSignInPoller {
public:
    static constexpr std::chrono::milliseconds kInterval{500};

    explicit WebSignInPoller(ServiceClient& service);
    ~WebSignInPoller();  // stops and joins
    WebSignInPoller(const WebSignInPoller&) = delete;
    WebSignInPoller& operator=(const WebSignInPoller&) = delete;

    // The attempt is complete: APILogin said signed in and has returned.
    bool signedIn() const { return m_signedIn.load(); }
    // The thread has ended (signed in or stopped).
    bool ended() const { return m_ended.load(); }
    // Any thread; the thread ends after the request in flight.
    void stop();
    // Requests sent so far.
    int requests() const { return m_requests.load(); }

private:
    void run();

    ServiceClient& m_service;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::atomic<bool> m_signedIn{false};
    std::atomic<bool> m_ended{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;  // last: starts after the members above
};

}  // namespace nubexa::app
