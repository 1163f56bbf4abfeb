#include "transfer/signed_in_client.h"

#include "ftp/ftp_client.h"
#include "service/service_client.h"
#include "transfer/transfer_manager.h"

namespace nubexa {

SignedInClient::SignedInClient(TransferManager& manager, const std::atomic<bool>& stop)
    : m_manager(manager), m_stop(stop) {}

SignedInClient::~SignedInClient() = default;

FTPClient* SignedInClient::get(std::string& problem) {
    const AccountInfo account = m_manager.service().account();
    const std::string wanted = ftpEndpointOf(account);
    if (m_client && m_endpoint == wanted && m_client->reusable())
        return m_client.get();
    FtpOptions options = m_manager.settings().ftp;
    options.stopRequest = &m_stop;
    m_client = m_manager.makeFtpClient(account, options);
    m_client->setKeepOpen(true);
    m_endpoint = wanted;
    if (!m_client->FtpLogin()) {
        problem = m_client->securityProblem().empty() ? m_client->lastReply()
                                                      : m_client->securityProblem();
        m_client.reset();
        return nullptr;
    }
    if (m_client->signedInClear())
        m_manager.signedInClear(account.ftp_host);
    return m_client.get();
}

void SignedInClient::drop() {
    m_client.reset();
}

void SignedInClient::quit() {
    if (m_client)
        m_client->Quit();
}

}  // namespace nubexa
