#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "session/sign_in.h"

namespace nubexa {
class ClientSession;
}

namespace nubexa::app {

// Asks the service about one pending QQ or Sina sign-in (the session's webSignIn) on a thread
// of its own, about every half second, until the attempt is signed in or stopped. The window's
// timer looks at signedIn(): the hand-over waits until the sign-in has returned, not only until
// the account says signed in.
class WebSignInPoller {
public:
    static constexpr std::chrono::milliseconds kInterval{500};

    explicit WebSignInPoller(ClientSession& session);
    ~WebSignInPoller();  // stops and joins
    WebSignInPoller(const WebSignInPoller&) = delete;
    WebSignInPoller& operator=(const WebSignInPoller&) = delete;

    // The attempt is complete: webSignIn said signed in and has returned.
    bool signedIn() const { return m_signedIn.load(); }
    // What the completed sign-in delivered; after signedIn().
    SignInResult result() const;
    // The thread has ended (signed in or stopped).
    bool ended() const { return m_ended.load(); }
    // Any thread; the thread ends after the request in flight.
    void stop();
    // Requests sent so far.
    int requests() const { return m_requests.load(); }

private:
    void run();

    ClientSession& m_session;
    mutable std::mutex m_mutex;
    SignInResult m_result;  // guarded by m_mutex
    std::condition_variable m_wake;
    bool m_stop = false;
    std::atomic<bool> m_signedIn{false};
    std::atomic<bool> m_ended{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;  // last: starts after the members above
};

}  // namespace nubexa::app
