#include "app/web_sign_in_poller.h"

#include "session/client_session.h"

namespace nubexa::app {

WebSignInPoller::WebSignInPoller(ClientSession& session)
    : m_session(session), m_thread([this] { run(); }) {}

WebSignInPoller::~WebSignInPoller() {
    stop();
    if (m_thread.joinable())
        m_thread.join();
}

void WebSignInPoller::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
}

SignInResult WebSignInPoller::result() const {
    std::lock_guard lock(m_mutex);
    return m_result;
}

void WebSignInPoller::run() {
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        const AccountInfo account = m_session.account();
        if (account.web_signin_state == 0)
            break;
        lock.unlock();
        ++m_requests;
        SignInResult result = m_session.webSignIn();
        lock.lock();
        if (result.ok()) {
            m_result = std::move(result);
            m_signedIn = true;
            break;
        }
        // A pending sign-in must not flood the service; half a second still shows the
        // completion within about a second of the user's confirmation.
        m_wake.wait_for(lock, kInterval, [this] { return m_stop; });
    }
    m_ended = true;
}

}  // namespace nubexa::app
