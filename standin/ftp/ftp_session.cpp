#include "standin/ftp/ftp_session.h"

#include <algorithm>
#include <cctype>
#include <chrono>

namespace nubexa::standin {

namespace {

std::string upperVerb(const std::string& line, std::string& argument) {
    const std::size_t space = line.find(' ');
    std::string verb = line.substr(0, space);
    argument = space == std::string::npos ? std::string() : line.substr(space + 1);
    std::transform(verb.begin(), verb.end(), verb.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return verb;
}

// Commands that need no sign-in.
bool isOpenCommand(const std::string& verb) {
    static const char* const kOpen[] = {"USER", "PASS", "QUIT", "SYST", "FEAT", "NOOP",
                                        "OPTS", "HELP", "AUTH", "PBSZ", "PROT"};
    return std::any_of(std::begin(kOpen), std::end(kOpen),
                       [&](const char* open) { return verb == open; });
}

}  // namespace

FtpSession::FtpSession(const ServiceContext& service, const FtpSettings& settings, Socket control,
                       const StopSignal& stop, PassivePorts& ports, int number,
                       GuessThrottle& signIns, std::function<bool()> takeSignedInPlace)
    : m_service(service),
      m_settings(settings),
      m_control(std::move(control)),
      m_stop(stop),
      m_ports(ports),
      m_number(number),
      m_signIns(signIns),
      m_takeSignedInPlace(std::move(takeSignedInPlace)) {}

int FtpSession::signInTimeLeftMs(int limitMs) const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        m_signInDeadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, limitMs));
}

void FtpSession::log(const std::string& text) {
    m_service.log.line("ftp #" + std::to_string(m_number) + " " +
                       (m_account ? m_account->ftpUser : std::string("-")) + " " + text);
}

bool FtpSession::reply(int code, const std::string& text) {
    m_lastCode = code;
    return m_control.sendAll(std::to_string(code) + " " + text + "\r\n", m_settings.replyTimeoutMs,
                             m_stop) == IoResult::Done;
}

bool FtpSession::replyLines(int code, const std::string& first,
                            const std::vector<std::string>& lines, const std::string& last) {
    m_lastCode = code;
    // Lines between the first and the last start with a blank, as FEAT answers are written.
    std::string text = std::to_string(code) + "-" + first + "\r\n";
    for (const auto& line : lines)
        text += " " + line + "\r\n";
    text += std::to_string(code) + " " + last + "\r\n";
    return m_control.sendAll(text, m_settings.replyTimeoutMs, m_stop) == IoResult::Done;
}

void FtpSession::run() {
    m_peer = m_control.peerAddress();
    log("connected from " + m_peer);
    if (!reply(220, "Nubexa file server ready."))
        return;
    // A connection that does not sign in soon gives its place back, whatever it sends.
    m_signInDeadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(m_settings.signInTimeoutMs);
    for (;;) {
        std::string line;
        bool tooLong = false;
        const int waitMs =
            signedIn() ? m_settings.idleTimeoutMs : signInTimeLeftMs(m_settings.idleTimeoutMs);
        const IoResult read = m_reader.readLine(m_control, line, tooLong, waitMs, m_stop);
        if (read == IoResult::Timeout) {
            reply(421, signedIn() ? "Idle too long, closing the connection."
                                  : "No sign-in in time, closing the connection.");
            log(signedIn() ? "idle timeout" : "sign-in timeout");
            break;
        }
        if (read == IoResult::Stopped) {
            m_control.sendNow("421 Service shutting down.\r\n");
            break;
        }
        if (read != IoResult::Done) {
            log("connection closed");
            break;
        }
        if (tooLong) {
            if (!reply(500, "Command line too long."))
                break;
            continue;
        }
        std::string argument;
        const std::string verb = upperVerb(line, argument);
        const std::string shown =
            verb == "PASS" ? "PASS ****" : verb + (argument.empty() ? "" : " " + argument);
        m_lastCode = 0;
        // NOOP waits for a sign-in too: before it, it would only keep an idle slot busy.
        const bool allowed = signedIn() || (isOpenCommand(verb) && verb != "NOOP");
        bool goOn = false;
        try {
            goOn = allowed ? dispatch(verb, argument)
                           : reply(530, "Please sign in with USER and PASS.");
        } catch (const SqlUnavailable& busy) {
            // The database could not be had in time: this command fails, the session goes on.
            log(shown + " failed: " + busy.what());
            goOn = reply(451, "The service is busy; try again later.");
        } catch (const SqlNestedTransaction& fault) {
            log(shown + " failed: " + fault.what());
            goOn = reply(451, "Local error in processing.");
        }
        log(shown + " -> " + std::to_string(m_lastCode));
        if (!goOn)
            break;
    }
    m_data.close();
    m_control.close();
}

bool FtpSession::dispatch(const std::string& verb, const std::string& argument) {
    if (verb == "USER")
        return onUser(argument);
    if (verb == "PASS")
        return onPass(argument);
    if (verb == "QUIT") {
        reply(221, "Goodbye.");
        return false;
    }
    if (verb == "SYST")
        return reply(215, "UNIX Type: L8");
    if (verb == "FEAT")
        return onFeat();
    if (verb == "NOOP")
        return reply(200, "NOOP ok.");
    if (verb == "OPTS")
        return onOpts(argument);
    if (verb == "HELP")
        return reply(214,
                     "Commands: USER PASS SYST FEAT CWD CDUP PWD TYPE PASV EPSV REST RETR "
                     "STOR APPE RNFR RNTO SIZE LIST NLST NOOP QUIT");
    if (verb == "TYPE")
        return onType(argument);
    if (verb == "MODE")
        return argument == "S" || argument == "s" ? reply(200, "Mode set to S.")
                                                  : reply(504, "Only stream mode is supported.");
    if (verb == "STRU")
        return argument == "F" || argument == "f" ? reply(200, "Structure set to F.")
                                                  : reply(504, "Only file structure is supported.");
    if (verb == "ALLO")
        return reply(202, "No storage allocation necessary.");
    if (verb == "CWD" || verb == "XCWD")
        return onCwd(argument);
    if (verb == "CDUP" || verb == "XCUP")
        return onCwd("..");
    if (verb == "PWD" || verb == "XPWD")
        return onPwd();
    if (verb == "LIST")
        return onList(argument, false);
    if (verb == "NLST")
        return onList(argument, true);
    if (verb == "SIZE")
        return onSize(argument);
    if (verb == "PASV")
        return onPassive(false);
    if (verb == "EPSV")
        return argument == "ALL" || argument == "all" ? reply(200, "EPSV ALL ok.")
                                                      : onPassive(true);
    if (verb == "PORT" || verb == "EPRT")
        return reply(502, "Active mode is not supported; use PASV or EPSV.");
    if (verb == "REST")
        return onRest(argument);
    if (verb == "RETR")
        return onRetr(argument);
    if (verb == "STOR")
        return onStore(argument, false);
    if (verb == "APPE")
        return onStore(argument, true);
    if (verb == "RNFR")
        return onRnfr(argument);
    if (verb == "RNTO")
        return onRnto(argument);
    if (verb == "ABOR")
        return reply(226, "No transfer to abort.");
    if (verb == "AUTH")
        return onAuth(argument);
    if (verb == "PBSZ")
        return onPbsz(argument);
    if (verb == "PROT")
        return onProt(argument);
    return reply(502, "Command not implemented; folders and deletions go through the web service.");
}

bool FtpSession::onUser(const std::string& argument) {
    m_account.reset();
    m_user = argument;
    return reply(331, "Password required.");
}

bool FtpSession::onPass(const std::string& argument) {
    if (m_user.empty())
        return reply(503, "Send USER first.");
    if (m_signIns.addressLockedFor(m_peer).count() > 0) {
        reply(421, "Too many failed sign-ins from your address; try again later.");
        return false;
    }
    std::optional<Account> account;
    {
        SqlTx tx(m_service.database);
        account = AccountStore(tx).byFtpUser(m_user);
    }
    if (!account || !sameSecret(account->ftpPassword, argument)) {
        m_user.clear();
        m_signIns.addressFailed(m_peer);
        if (++m_failedLogins >= m_settings.maxFailedLogins) {
            reply(421, "Too many failed sign-ins.");
            return false;
        }
        return reply(530, "Login incorrect.");
    }
    // Among the signed-in sessions only now: connections that never sign in cannot fill them.
    if (!m_takeSignedInPlace()) {
        log("no place for another signed-in session");
        reply(421, "Too many sessions, try again later.");
        return false;
    }
    m_account = std::move(account);
    m_folderId = 0;
    m_folderNames.clear();
    return reply(230, "Login successful.");
}

bool FtpSession::onType(const std::string& argument) {
    std::string type = argument;
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (type == "I" || type == "L 8")
        return reply(200, "Switching to Binary mode.");
    // Bytes are never converted: ASCII mode moves the same bytes as binary.
    if (type == "A" || type == "A N")
        return reply(200, "Switching to ASCII mode.");
    return reply(504, "Type not supported.");
}

bool FtpSession::onFeat() {
    std::vector<std::string> features = {"EPSV", "PASV", "REST STREAM", "SIZE", "UTF8"};
    if (m_settings.tls)
        features.insert(features.begin(), {"AUTH TLS", "PBSZ", "PROT"});
    return replyLines(211, "Features:", features, "End");
}

bool FtpSession::onOpts(const std::string& argument) {
    std::string option = argument;
    std::transform(option.begin(), option.end(), option.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (option == "UTF8 ON" || option == "UTF8")
        return reply(200, "Always in UTF8 mode.");
    return reply(501, "Option not understood.");
}

}  // namespace nubexa::standin
