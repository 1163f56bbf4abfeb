#include "ftp_test_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/temp_dir.h"

extern char** environ;

namespace nubexa::test {

namespace {

int connectTo(int port, const std::string& source = "127.0.0.1") {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval limit{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    ::inet_pton(AF_INET, source.c_str(), &from.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0) {
        ::close(fd);
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void closeWithReset(int fd) {
    linger hard{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::close(fd);
}

}  // namespace

ProcessResult runProcess(const std::vector<std::string>& argv, int timeoutMs) {
    TempDir scratch;
    const std::string outPath = scratch.file("out");
    const std::string errPath = scratch.file("err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<char*> args;
    for (const auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t child = 0;
    ProcessResult result;
    if (posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return result;
    }
    posix_spawn_file_actions_destroy(&actions);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            result.timedOut = true;
            break;
        }
        ::usleep(5000);
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

FtpTestClient::~FtpTestClient() {
    closeData();
    closeControl();
}

int FtpTestClient::connect(int port, const std::string& source) {
    m_port = port;
    m_source = source;
    m_control = connectTo(port, source);
    if (m_control < 0)
        return -1;
    return codeOf(readReply());
}

long FtpTestClient::controlReceive(char* buffer, std::size_t size) {
    if (m_controlTls != nullptr)
        return SSL_read(m_controlTls, buffer, static_cast<int>(size));
    return ::recv(m_control, buffer, size, 0);
}

bool FtpTestClient::controlSend(const std::string& bytes) {
    if (m_controlTls != nullptr)
        return SSL_write(m_controlTls, bytes.data(), static_cast<int>(bytes.size())) ==
               static_cast<int>(bytes.size());
    return ::send(m_control, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
}

bool FtpTestClient::secureControl(SSL_CTX* context) {
    if (codeOf(command("AUTH TLS")) != 234)
        return false;
    m_controlTls = SSL_new(context);
    SSL_set_fd(m_controlTls, m_control);
    return SSL_connect(m_controlTls) == 1;
}

bool FtpTestClient::secureData(SSL_CTX* context, SSL_SESSION* session) {
    m_dataTls = SSL_new(context);
    SSL_set_fd(m_dataTls, m_data);
    if (session != nullptr)
        SSL_set_session(m_dataTls, session);
    return SSL_connect(m_dataTls) == 1;
}

SSL_SESSION* FtpTestClient::controlSession() const {
    return m_controlTls != nullptr ? SSL_get1_session(m_controlTls) : nullptr;
}

bool FtpTestClient::dataResumed() const {
    return m_dataTls != nullptr && SSL_session_reused(m_dataTls) == 1;
}

int FtpTestClient::codeOf(const std::string& reply) {
    return reply.size() >= 3 ? std::atoi(reply.substr(0, 3).c_str()) : -1;
}

std::string FtpTestClient::readReply() {
    std::string reply;
    for (;;) {
        const std::size_t end = m_buffer.find("\r\n");
        if (end != std::string::npos) {
            const std::string line = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 2);
            reply += line + "\r\n";
            // A reply ends at "ddd " (RFC 959); "ddd-" lines continue it.
            if (line.size() >= 4 && line[3] == ' ' && reply.compare(0, 3, line, 0, 3) == 0)
                return reply;
            if (line.size() == 3 && reply.size() == 5)
                return reply;
            continue;
        }
        char chunk[4096];
        const long n = controlReceive(chunk, sizeof chunk);
        if (n <= 0)
            return reply;
        m_buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

std::string FtpTestClient::command(const std::string& line) {
    if (!controlSend(line + "\r\n"))
        return {};
    return readReply();
}

bool FtpTestClient::login(const std::string& user, const std::string& password) {
    return codeOf(command("USER " + user)) == 331 && codeOf(command("PASS " + password)) == 230;
}

int FtpTestClient::passivePort() {
    const std::string reply = command("EPSV");
    const auto bar = reply.find("|||");
    return codeOf(reply) == 229 && bar != std::string::npos ? std::atoi(reply.c_str() + bar + 3)
                                                            : -1;
}

bool FtpTestClient::connectData(int port) {
    m_data = connectTo(port, m_source);
    return m_data >= 0;
}

bool FtpTestClient::openData(bool extended) {
    const std::string reply = command(extended ? "EPSV" : "PASV");
    int port = 0;
    if (extended) {
        const auto bar = reply.find("|||");
        if (codeOf(reply) != 229 || bar == std::string::npos)
            return false;
        port = std::atoi(reply.c_str() + bar + 3);
    } else {
        const auto open = reply.rfind('(');
        int h1, h2, h3, h4, p1, p2;
        if (codeOf(reply) != 227 || open == std::string::npos ||
            std::sscanf(reply.c_str() + open, "(%d,%d,%d,%d,%d,%d)", &h1, &h2, &h3, &h4, &p1,
                        &p2) != 6)
            return false;
        port = p1 * 256 + p2;
    }
    return connectData(port);
}

bool FtpTestClient::sendData(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n =
            m_dataTls != nullptr
                ? SSL_write(m_dataTls, bytes.data() + sent, static_cast<int>(bytes.size() - sent))
                : ::send(m_data, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void FtpTestClient::closeData(bool reset) {
    if (m_dataTls != nullptr) {
        if (!reset)
            SSL_shutdown(m_dataTls);
        SSL_free(m_dataTls);
        m_dataTls = nullptr;
    }
    if (m_data < 0)
        return;
    if (reset)
        closeWithReset(m_data);
    else
        ::close(m_data);
    m_data = -1;
}

std::string FtpTestClient::receiveData() {
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t n = m_dataTls != nullptr ? SSL_read(m_dataTls, chunk, sizeof chunk)
                                               : ::recv(m_data, chunk, sizeof chunk, 0);
        if (n <= 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    closeData();
    return bytes;
}

void FtpTestClient::closeControl(bool reset) {
    if (m_controlTls != nullptr) {
        SSL_free(m_controlTls);
        m_controlTls = nullptr;
    }
    if (m_control < 0)
        return;
    if (reset)
        closeWithReset(m_control);
    else
        ::close(m_control);
    m_control = -1;
}

}  // namespace nubexa::test
