// Explicit FTP over TLS (RFC 4217): AUTH TLS secures the control connection, PBSZ 0 and
// PROT P then ask for protected data connections. The client chooses; clear text stays
// available for peers that need it.
#include <algorithm>
#include <cctype>

#include "standin/ftp/ftp_session.h"
#include "standin/ftp/socket_tls.h"
#include "standin/util/crypto_util.h"

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
    // Before the sign-in the handshake, too, has only what is left of its time.
    const int limitMs =
        signedIn() ? m_settings.replyTimeoutMs : signInTimeLeftMs(m_settings.replyTimeoutMs);
    // Sessions this connection hands out carry a tie only its own data connections can show.
    m_tlsTie = randomHex(16);
    const IoResult secured = m_control.startTls(*m_settings.tls, limitMs, m_stop, &m_tlsTie);
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
    const IoResult secured =
        connection.startTls(*m_settings.tls, m_settings.dataTimeoutMs, m_stop, &m_tlsTie);
    // Any local program can connect from this address and make a handshake of its own; only
    // the client of this control connection can resume its session.
    if (secured == IoResult::Done && connection.resumedWith(m_tlsTie))
        return true;
    connection.close();
    if (secured == IoResult::Done) {
        log("a data connection did not resume the control connection's TLS session: refused");
        reply(425, "Data connections must resume the control connection's TLS session.");
    } else {
        log("TLS handshake on a data connection failed");
        reply(425, "Cannot secure the data connection.");
    }
    return false;
}

}  // namespace nubexa::standin
