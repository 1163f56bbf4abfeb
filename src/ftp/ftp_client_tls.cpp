// The TLS steps of FTPClient (RFC 4217): AUTH TLS after the greeting (or the handshake at
// connect for implicit TLS), PBSZ 0 and PROT P after sign-in, and protected data connections
// that resume the control connection's session.
#include "ftp/ftp_client.h"

#include "ftp/encrypted_hosts.h"

namespace nubexa {

namespace {

bool isPermanentRefusal(const std::string& reply) {
    return !reply.empty() && reply[0] == '5';
}

}  // namespace

bool FTPClient::secureControl(bool implicit) {
    if (!m_tlsContext) {
        m_tlsContext = TlsClientContext::create(m_options.tls, m_host, m_securityProblem);
        if (!m_tlsContext)
            return false;
    }
    if (!implicit) {
        const auto auth = exchange("AUTH", "TLS");
        const std::string reply = auth.value_or(std::string());
        if (replyCode(reply) != "234") {
            // Only a server that says it has no TLS may be used in clear, and only when asked.
            if (m_options.tls.security == FtpSecurity::kTlsIfOffered && isPermanentRefusal(reply)) {
                const auto& remembered = m_options.tls.encryptedHosts;
                // One that had TLS before is more likely an attacker in the way than a server
                // that lost it.
                if (remembered && remembered->wasEncrypted(m_host, m_port)) {
                    m_securityProblem =
                        "the file server " + m_host +
                        " signed in over TLS before and now refuses it (AUTH TLS: " +
                        replyCode(reply) + "): not used without encryption";
                    trace(m_securityProblem + "\n");
                    return false;
                }
                trace("the server refused AUTH TLS: signing in without encryption\n");
                m_signedInClear = true;
                return true;
            }
            m_securityProblem = "the file server " + m_host + " offers no encryption (AUTH TLS: " +
                                (reply.empty() ? std::string("no reply") : replyCode(reply)) + ")";
            trace(m_securityProblem + "\n");
            return false;
        }
    }
    if (!m_controlTls.start(m_control.get_handle(), m_tlsContext, nullptr, m_options.limits.connect,
                            m_options.stopRequest, m_securityProblem)) {
        trace(m_securityProblem + "\n");
        return false;
    }
    // Bytes a server sent in clear after its 234 are not part of the protected dialogue.
    m_framer = ReplyFramer();
    return true;
}

bool FTPClient::protectDataConnections() {
    if (!m_controlTls.secured())
        return true;
    const auto size = exchange("PBSZ", "0");
    const auto level = exchange("PROT", "P");
    m_dataProtected = size && replyCode(*size) == "200" && level && replyCode(*level) == "200";
    if (m_dataProtected && m_options.tls.encryptedHosts)
        m_options.tls.encryptedHosts->rememberEncrypted(m_host, m_port);
    if (!m_dataProtected) {
        m_securityProblem = "the file server " + m_host + " refused protected data connections";
        trace(m_securityProblem + "\n");
    }
    return m_dataProtected;
}

bool FTPClient::secureData(ACE_HANDLE handle, TlsLink& link, StopFlag stop) {
    std::string problem;
    if (link.start(handle, m_tlsContext, &m_controlTls, m_options.limits.connect, stop, problem))
        return true;
    m_securityProblem = problem;
    trace(problem + "\n");
    return false;
}

}  // namespace nubexa
