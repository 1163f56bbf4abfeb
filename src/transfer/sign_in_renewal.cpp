#include "transfer/sign_in_renewal.h"

#include "service/service_client.h"

namespace nubexa {

void SignInRenewal::setRenewer(Renewer renewer) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_renewer = std::move(renewer);
    m_failedFor.clear();
}

bool SignInRenewal::renew(const std::string& staleToken) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const std::string current = m_service.account().token;
    if (!current.empty() && current != staleToken)
        return true;  // another worker signed in again meanwhile
    if (!m_renewer || m_failedFor == staleToken)
        return false;
    if (m_renewer())
        return true;
    m_failedFor = staleToken;
    return false;
}

}  // namespace nubexa
