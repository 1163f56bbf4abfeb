#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace nubexa {

class ServiceClient;

// Signs the same user in again, once for all the workers whose requests the service refused
// because it ended their session. Any thread.
class SignInRenewal {
public:
    explicit SignInRenewal(ServiceClient& service) : m_service(service) {}

    // How the front end signs the user in again with the remembered password; true when it
    // did. Without one, a session the service ended fails the tasks that need it, with the
    // service's words.
    using Renewer = std::function<bool()>;
    void setRenewer(Renewer renewer);

    // For a worker refused with kSessionEnded under `staleToken`: true when the service client
    // holds a newer session (renewed now, or by another worker meanwhile). A token whose
    // renewal failed is not tried twice.
    bool renew(const std::string& staleToken);

private:
    ServiceClient& m_service;
    std::mutex m_mutex;
    Renewer m_renewer;
    std::string m_failedFor;
};

}  // namespace nubexa
