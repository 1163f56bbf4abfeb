#include "ftp/ftp_client.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "ftp/ace_stream.h"
#include "ftp/extra_connections.h"
#include "ftp/ftp_log.h"
#include "ftp/socket_wait.h"
#include "platform/log_sink.h"
#include "platform/paths.h"
#include "service/remote_name.h"

namespace nubexa {

namespace {

using Clock = std::chrono::steady_clock;

bool hasCode(const std::string& reply, std::initializer_list<const char*> codes) {
    const std::string code = replyCode(reply);
    for (const char* expected : codes) {
        if (code == expected)
            return true;
    }
    return false;
}

}  // namespace

FTPClient::FTPClient(std::string host, std::uint16_t port, std::string userName,
                     std::string password, int serverKind, ProgressSinks& progress,
                     Notifier& notifier, FtpOptions options)
    : m_userName(std::move(userName)),
      m_password(std::move(password)),
      m_host(std::move(host)),
      m_port(port),
      m_serverAddress(port, m_host.c_str(), AF_UNSPEC),
      m_serverKind(serverKind),
      m_progress(progress),
      m_notifier(notifier),
      m_options(options) {}

FTPClient::~FTPClient() {
    dropPrepared();
    closeControl();
}

void FTPClient::closeControl() {
    if (!m_controlOpen)
        return;
    m_controlTls.closeNotify();
    m_controlTls.reset();
    m_dataProtected = false;
    closeStream(m_control);
    m_controlOpen = false;
    m_controlEnded = false;
    m_owedReplies = 0;
    m_passiveInHand.reset();
    m_framer = ReplyFramer();
}

void FtpOptions::traceToLog(const std::string& text) {
    writeLog(text);
}

void FTPClient::trace(const std::string& text) const {
    if (m_options.trace)
        m_options.trace(text);
}

bool FTPClient::FtpLogin() {
    return ConnectAndLogin(true);
}

bool FTPClient::ConnectAndLogin(bool expectGreeting) {
    if (!m_stats.connectStarted)
        m_stats.connectStarted = Clock::now();
    closeControl();
    m_binary = false;
    m_securityProblem.clear();
    m_signedInClear = false;
    if (connectWithin(m_control, m_serverAddress, m_options.limits.connect,
                      m_options.stopRequest) != WaitResult::kReady) {
        ftp_log::connectionFailed(__LINE__);
        return false;
    }
    m_controlOpen = true;
    ftp_log::connected(__LINE__, m_serverAddress);
    const FtpSecurity security = m_options.tls.security;
    if (security == FtpSecurity::kImplicitTls && !secureControl(true))
        return false;

    std::string reply;
    if (expectGreeting) {
        ReadReply(reply);
        if (replyCode(reply) != "220")
            return false;
    }
    if ((security == FtpSecurity::kTlsRequired || security == FtpSecurity::kTlsIfOffered) &&
        !secureControl(false)) {
        return false;
    }
    if (auto user = exchange("USER", m_userName); user && replyCode(*user) != "331") {
        // A server that needs no password for this user (an anonymous login without one)
        // signs in on USER alone, as RFC 959 allows; PASS would be out of sequence.
        if (replyCode(*user) == "230")
            return protectDataConnections();
        return false;
    }
    const auto pass = exchange("PASS", m_password);
    if (!pass)
        return protectDataConnections();
    if (replyCode(*pass) != "230")
        return false;
    if (m_serverKind == 3) {
        for (int extra = 0; extra < 2; ++extra) {
            ReadReply(reply);
            if (replyCode(reply) != "230")
                return false;
        }
    }
    return protectDataConnections();
}

bool FTPClient::SendCommand(const std::string& line) {
    // The trace never shows the password.
    trace(line.rfind("PASS ", 0) == 0 ? std::string("PASS ****\r\n") : line);
    if (!m_controlOpen)
        return false;
    const auto deadline = Clock::now() + m_options.limits.reply;
    std::size_t sent = 0;
    while (sent < line.size()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        WaitResult why = WaitResult::kFailed;
        const ssize_t n = m_controlTls.send(m_control.get_handle(), line.data() + sent,
                                            line.size() - sent, left, m_options.stopRequest, why);
        if (n <= 0)
            break;
        sent += static_cast<std::size_t>(n);
    }
    return sent == line.size();
}

bool FTPClient::ReadReply(std::string& reply) {
    reply.clear();
    const auto deadline = Clock::now() + m_options.limits.reply;
    for (;;) {
        if (auto complete = m_framer.takeReply()) {
            reply = std::move(*complete);
            break;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (!m_controlOpen || m_controlEnded || left.count() <= 0) {
            reply = m_framer.takePartial();
            break;
        }
        char buffer[4096];
        WaitResult why = WaitResult::kFailed;
        const ssize_t received = m_controlTls.receive(m_control.get_handle(), buffer, sizeof buffer,
                                                      left, m_options.stopRequest, why);
        if (received > 0) {
            m_framer.feed(std::string_view(buffer, static_cast<std::size_t>(received)));
        } else if (received == 0 || why == WaitResult::kFailed) {
            m_controlEnded = true;
        } else if (why == WaitResult::kStopped) {
            reply = m_framer.takePartial();
            break;
        }
    }
    m_lastReply = reply;
    trace(reply + "\n");
    return true;
}

bool FTPClient::fitsOnOneLine(const std::string& argument) {
    return argument.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

void FTPClient::readOwedReplies() {
    std::string reply;
    while (m_owedReplies > 0) {
        --m_owedReplies;
        ReadReply(reply);
    }
}

std::optional<std::string> FTPClient::exchange(const std::string& verb,
                                               const std::string& argument) {
    if (!fitsOnOneLine(argument))
        return std::string();
    readOwedReplies();
    // A passive port read ahead is used only by the very next transfer: a server may close it
    // at another command.
    m_passiveInHand.reset();
    if (!SendCommand(argument.empty() ? verb + "\r\n" : verb + " " + argument + "\r\n"))
        return std::nullopt;
    std::string reply;
    ReadReply(reply);
    return reply;
}

bool FTPClient::expectCode(const std::string& verb, const std::string& argument,
                           std::initializer_list<const char*> codes) {
    const auto reply = exchange(verb, argument);
    return !reply || hasCode(*reply, codes);
}

void FTPClient::binaryType() {
    if (m_binary)
        return;
    const auto reply = exchange("TYPE", "I");
    m_binary = reply && hasCode(*reply, {"200"});
}

bool FTPClient::Syst() {
    return expectCode("SYST", {}, {"215"});
}

bool FTPClient::ChangeDir(const std::string& directory) {
    if (!expectCode("CWD", directory, {"250"}))
        return false;
    m_remoteFolder = directory;
    return expectCode("PWD", {}, {"257"});
}

std::unique_ptr<FTPClient> FTPClient::signedInBeside(const std::atomic<bool>* stop) const {
    return openBeside(m_remoteFolder, stop);
}

std::unique_ptr<FTPClient> FTPClient::openBeside(const std::string& folder,
                                                 const std::atomic<bool>* stop) const {
    FtpOptions options = m_options;
    options.stopRequest = stop;
    auto client = std::make_unique<FTPClient>(m_host, m_port, m_userName, m_password, m_serverKind,
                                              m_progress, m_notifier, options);
    client->setKeepOpen(true);
    // CWD alone: the folder was confirmed on this client's own connection, and a round trip
    // less is a range started sooner.
    if (!client->FtpLogin() || (!folder.empty() && !client->expectCode("CWD", folder, {"250"})))
        return nullptr;
    client->m_remoteFolder = folder;
    return client;
}

void FTPClient::prepareBeside(int count, const std::string& folder) {
    dropPrepared();
    m_preparedFolder = folder;
    ExtraConnections* extra = m_options.extraConnections;
    for (int i = 0; i < count; ++i) {
        if (extra != nullptr && !extra->tryAcquire())
            return;
        try {
            m_prepared.push_back(std::async(std::launch::async, [this, folder] {
                return openBeside(folder, m_options.stopRequest);
            }));
        } catch (const std::system_error&) {
            if (extra != nullptr)
                extra->release();
            return;
        }
    }
}

std::optional<FTPClient::Prepared> FTPClient::takePrepared() {
    if (m_prepared.empty() || m_preparedFolder != m_remoteFolder)
        return std::nullopt;
    Prepared prepared = std::move(m_prepared.back());
    m_prepared.pop_back();
    return prepared;
}

void FTPClient::dropPrepared() {
    ExtraConnections* extra = m_options.extraConnections;
    for (Prepared& prepared : m_prepared) {
        try {
            if (auto client = prepared.get())
                client->SendCommand("QUIT\r\n");
        } catch (const std::exception&) {
        }
        if (extra != nullptr)
            extra->release();
    }
    m_prepared.clear();
}

bool FTPClient::ChangeLocalDir(const std::string& directory) {
    m_localDirectory = directory;
    std::error_code error;
    return std::filesystem::is_directory(directory, error);
}

bool FTPClient::Quit() {
    // The goodbye says nothing of the transfer: lastReply() stays the run's last answer (a
    // refused STOR's 553, the 226 that says where the file went).
    const std::string lastAnswer = m_lastReply;
    const bool said = expectCode("QUIT", {}, {"221"});
    if (!lastAnswer.empty())
        m_lastReply = lastAnswer;
    return said;
}

bool FTPClient::overIpv6() {
    ACE_INET_Addr peer;
    return m_control.get_remote_addr(peer) == 0 && peer.get_type() == AF_INET6;
}

std::optional<std::string> FTPClient::takePassiveInHand() {
    // A server may close a passive port nobody connected to for a while.
    constexpr auto kFresh = std::chrono::seconds(2);
    auto inHand = std::exchange(m_passiveInHand, std::nullopt);
    if (!inHand || !m_controlOpen || Clock::now() - inHand->when > kFresh)
        return std::nullopt;
    return std::move(inHand->reply);
}

bool FTPClient::reusable() const {
    if (!m_controlOpen || m_controlEnded || m_owedReplies > 0 || m_framer.holdsBytes() ||
        m_controlTls.holdsBytes())
        return false;
    pollfd entry{m_control.get_handle(), POLLIN, 0};
    return ::poll(&entry, 1, 0) == 0;
}

bool FTPClient::Rename(const std::string& oldName, const std::string& newName) {
    if (!fitsOnOneLine(oldName) || !fitsOnOneLine(newName))
        return false;
    readOwedReplies();
    // Both in one round trip: a server that refuses RNFR refuses the RNTO after it too (503),
    // so nothing is renamed that was not asked for.
    const bool passiveAhead = m_keepOpen && !overIpv6();
    if (!SendCommand("RNFR " + oldName + "\r\nRNTO " + newName + "\r\n" +
                     (passiveAhead ? "PASV\r\n" : "")))
        return false;
    std::string from;
    std::string to;
    ReadReply(from);
    ReadReply(to);
    if (passiveAhead) {
        std::string passive;
        ReadReply(passive);
        if (replyCode(passive) == "227")
            m_passiveInHand = PassiveInHand{passive, Clock::now()};
    }
    if (!hasCode(from, {"350", "226"})) {
        m_lastReply = from;  // why it failed is RNFR's answer, not the 503 after it
        return false;
    }
    return hasCode(to, {"250"}) || to == " ";
}

std::optional<std::int64_t> FTPClient::RemoteSize(const std::string& name) {
    const auto reply = exchange("SIZE", name);
    return reply ? sizeIn(*reply) : std::nullopt;
}

std::optional<std::int64_t> FTPClient::sizeIn(const std::string& reply) {
    if (replyCode(reply) != "213" || reply.size() < 5)
        return std::nullopt;
    std::int64_t size = 0;
    std::size_t at = 4;
    for (; at < reply.size() && reply[at] >= '0' && reply[at] <= '9'; ++at) {
        if (size > (INT64_MAX - 9) / 10)
            return std::nullopt;
        size = size * 10 + (reply[at] - '0');
    }
    if (at == 4)
        return std::nullopt;
    return size;
}

std::pair<std::string, std::string> FTPClient::SplitNameExt(const std::string& fileName) {
    return splitRemoteName(fileName);
}

std::string FTPClient::localPathOf(const TransferTask& task) const {
    return joinPath(task.localPath.empty() ? m_localDirectory : task.localPath, task.localFileName);
}

}  // namespace nubexa
