#include "scripted_ftp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace nubexa::test {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kSlice{20};

int listenOnLoopback(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

// Waits for `events` on `fd` within `limit`, in short slices so that a stopping server ends fast.
bool waitFor(int fd, short events, std::chrono::milliseconds limit,
             const std::atomic<bool>& stopping) {
    const auto deadline = Clock::now() + limit;
    while (!stopping.load() && Clock::now() < deadline) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(kSlice.count()));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
    return false;
}

void closeSocket(int& fd) {
    if (fd >= 0) {
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
        fd = -1;
    }
}

bool sendAll(int fd, std::string_view bytes, const std::atomic<bool>& stopping) {
    std::size_t sent = 0;
    while (fd >= 0 && sent < bytes.size()) {
        if (!waitFor(fd, POLLOUT, ScriptedSession::kWait, stopping))
            return false;
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return sent == bytes.size();
}

}  // namespace

void ScriptedSession::send(std::string_view text) {
    sendAll(m_control, text, m_server.m_stopping);
}

void ScriptedSession::sendBytewise(std::string_view text, std::chrono::milliseconds gap) {
    for (const char c : text) {
        if (!sendAll(m_control, std::string_view(&c, 1), m_server.m_stopping))
            return;
        pause(gap);
    }
}

void ScriptedSession::pause(std::chrono::milliseconds duration) {
    const auto until = Clock::now() + duration;
    while (!m_server.m_stopping.load() && Clock::now() < until)
        std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(kSlice, duration));
}

bool ScriptedSession::lineArrived() {
    const auto deadline = Clock::now() + kWait;
    while (m_input.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (m_control < 0 || left.count() <= 0 ||
            !waitFor(m_control, POLLIN, left, m_server.m_stopping))
            return false;
        char buffer[4096];
        const ssize_t n = ::recv(m_control, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        m_input.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

std::string ScriptedSession::readCommand() {
    if (!lineArrived()) {
        m_lastCommand.clear();
        return {};
    }
    const auto end = m_input.find('\n');
    std::string line = m_input.substr(0, end);
    m_input.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    m_server.record(line);
    m_lastCommand = line;
    return line;
}

bool ScriptedSession::nextIs(std::string_view prefix) {
    return lineArrived() && m_input.compare(0, prefix.size(), prefix) == 0;
}

bool ScriptedSession::expect(std::string_view prefix) {
    const std::string command = readCommand();
    if (command.rfind(prefix, 0) == 0)
        return true;
    m_server.fail("expected " + std::string(prefix) + ", got \"" + command + "\"");
    return false;
}

void ScriptedSession::login() {
    send("220 scripted server ready\r\n");
    if (expect("USER"))
        send("331 password please\r\n");
    if (expect("PASS"))
        send("230 signed in\r\n");
}

void ScriptedSession::serveUntilQuit() {
    for (;;) {
        const std::string command = readCommand();
        if (command.empty())
            return;
        if (command.rfind("QUIT", 0) == 0) {
            send("221 bye\r\n");
            return;
        }
        if (command.rfind("SYST", 0) == 0) {
            send("215 UNIX Type: L8\r\n");
        } else if (command.rfind("CWD", 0) == 0) {
            send("250 ok\r\n");
        } else if (command.rfind("PWD", 0) == 0) {
            send("257 \"/\" is the current folder\r\n");
        } else if (command.rfind("TYPE", 0) == 0) {
            send("200 binary\r\n");
        } else {
            send("502 not here\r\n");
        }
    }
}

std::string ScriptedSession::openPassive() {
    closeSocket(m_listener);
    std::uint16_t port = 0;
    m_listener = listenOnLoopback(port);
    return "227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," +
           std::to_string(port % 256) + ")\r\n";
}

bool ScriptedSession::acceptData() {
    if (m_listener < 0 || !waitFor(m_listener, POLLIN, kWait, m_server.m_stopping))
        return false;
    closeSocket(m_data);
    m_data = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    closeSocket(m_listener);
    return m_data >= 0;
}

void ScriptedSession::sendData(std::string_view bytes) {
    sendAll(m_data, bytes, m_server.m_stopping);
}

std::string ScriptedSession::receiveData() {
    std::string bytes;
    char buffer[65536];
    while (m_data >= 0 && waitFor(m_data, POLLIN, kWait, m_server.m_stopping)) {
        const ssize_t n = ::recv(m_data, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

void ScriptedSession::closeData() {
    closeSocket(m_data);
}

void ScriptedSession::closeControl() {
    closeSocket(m_control);
}

ScriptedFtpServer::ScriptedFtpServer(Script script, int connections)
    : m_script(std::move(script)), m_connections(connections) {
    m_listener = listenOnLoopback(m_port);
    if (m_listener < 0) {
        fail("cannot listen on loopback");
        m_done = true;
        return;
    }
    m_thread = std::thread([this] { run(); });
}

ScriptedFtpServer::~ScriptedFtpServer() {
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
    closeSocket(m_listener);
}

void ScriptedFtpServer::run() {
    for (int served = 0; served < m_connections; ++served) {
        // A connection may come from a program the test starts, which a loaded machine can
        // take seconds to start; a server the test ends stops waiting at once.
        if (!waitFor(m_listener, POLLIN, std::chrono::milliseconds(30000), m_stopping)) {
            fail("no client connected");
            break;
        }
        const int control = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (control < 0)
            continue;
        ScriptedSession session(control, *this);
        m_script(session);
        closeSocket(session.m_data);
        closeSocket(session.m_listener);
        closeSocket(session.m_control);
    }
    m_done = true;
}

void ScriptedFtpServer::record(const std::string& command) {
    std::lock_guard lock(m_mutex);
    m_commands.push_back(command);
}

void ScriptedFtpServer::fail(const std::string& message) {
    std::lock_guard lock(m_mutex);
    m_failures.push_back(message);
}

std::vector<std::string> ScriptedFtpServer::commands() const {
    std::lock_guard lock(m_mutex);
    return m_commands;
}

bool ScriptedFtpServer::sawCommand(std::string_view prefix) const {
    std::lock_guard lock(m_mutex);
    for (const auto& command : m_commands) {
        if (command.rfind(prefix, 0) == 0)
            return true;
    }
    return false;
}

std::vector<std::string> ScriptedFtpServer::failures() const {
    std::lock_guard lock(m_mutex);
    return m_failures;
}

bool ScriptedFtpServer::waitDone(std::chrono::milliseconds limit) const {
    const auto deadline = Clock::now() + limit;
    while (!m_done.load()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace nubexa::test
