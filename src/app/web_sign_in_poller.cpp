#include "app/web_sign_in_poller.h"

#include "service/service_client.h"

namespace nubexa::app {

WebSignInPoller::WebSignInPoller(ServiceClient& service)
    : m_service(service), m_thread([this] { run(); }) {}

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

void WebSignInPoller::run() {
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        const AccountInfo account = m_service.account();
        if (account.web_signin_state == 0)
            break;
        lock.unlock();
        ++m_requests;
        const bool signedIn = m_service.webSignIn().ok();
        lock.lock();
        if (signedIn) {
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
