// Explicit FTP over TLS (RFC 4217): AUTH TLS secures the control connection, PBSZ 0 and
// PROT P then ask for protected data connections. The client chooses; clear text stays
// available for peers that need it.
#include <algorithm>
#include <cctype>

#include "standin/ftp/ftp_session.h"
#include "standin/ftp/socket_tls.h"

namespace nubexa::standin {

namespace {

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

bool FtpSession::onAuth(const std::string& argument) {
    const std::string mechanism = upper(argument);
    if (!m_settings.tls)
        return reply(502, "TLS is not offered by this server.");
    if (mechanism != "TLS" && mechanism != "TLS-C" && mechanism != "SSL")
        return reply(504, "AUTH TLS only.");
    if (m_control.secured())
        return reply(503, "Already secured.");
    if (!reply(234, "Proceed with negotiation."))
        return false;
    const IoResult secured = m_control.startTls(*m_settings.tls, m_settings.replyTimeoutMs, m_stop);
    if (secured != IoResult::Done) {
        log("TLS handshake on the control connection failed");
        return false;
    }
    // What was said in clear no longer counts.
    m_reader = LineReader();
    m_account.reset();
    m_user.clear();
    log("control connection secured");
    return true;
}

bool FtpSession::onPbsz(const std::string& argument) {
    if (!m_control.secured())
        return reply(503, "Send AUTH TLS first.");
    m_bufferSizeSet = true;
    return argument == "0" ? reply(200, "PBSZ=0") : reply(200, "PBSZ=0 (streams need no buffer)");
}

bool FtpSession::onProt(const std::string& argument) {
    if (!m_control.secured() || !m_bufferSizeSet)
        return reply(503, "Send AUTH TLS and PBSZ first.");
    const std::string level = upper(argument);
    if (level == "P") {
        m_protectData = true;
        return reply(200, "Data connections will be protected.");
    }
    if (level == "C") {
        m_protectData = false;
        return reply(200, "Data connections will be clear.");
    }
    return reply(536, "Only C and P are supported.");
}

bool FtpSession::protectData(Socket& connection) {
    if (!m_protectData)
        return true;
    const IoResult secured = connection.startTls(*m_settings.tls, m_settings.dataTimeoutMs, m_stop);
    if (secured == IoResult::Done)
        return true;
    connection.close();
    log("TLS handshake on a data connection failed");
    reply(425, "Cannot secure the data connection.");
    return false;
}

}  // namespace nubexa::standin
