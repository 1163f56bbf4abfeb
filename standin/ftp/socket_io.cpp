#include "standin/ftp/socket_io.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace nubexa::standin {

namespace {

using Clock = std::chrono::steady_clock;

std::string numericAddress(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
        inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        return text;
    }
    if (address.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        std::string result = text;
        if (result.rfind("::ffff:", 0) == 0 && result.find('.') != std::string::npos)
            return result.substr(7);
        return result;
    }
    return {};
}

}  // namespace

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

StopSignal::StopSignal() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopSignal::~StopSignal() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void StopSignal::raise() {
    const std::uint64_t one = 1;
    // The counter stays non-zero: the descriptor reads as ready for every later wait.
    [[maybe_unused]] const auto written = ::write(m_fd, &one, sizeof one);
}

bool StopSignal::raised() const {
    return wait(0);
}

bool StopSignal::wait(int ms) const {
    pollfd entry{m_fd, POLLIN, 0};
    return ::poll(&entry, 1, ms) > 0;
}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        m_tls = other.m_tls;
        other.m_fd = -1;
        other.m_tls = nullptr;
    }
    return *this;
}

void Socket::close() {
    endTls();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

IoResult Socket::wait(short events, int timeoutMs, const StopSignal& stop) const {
    if (m_fd < 0)
        return IoResult::Failed;
    pollfd entries[2] = {{m_fd, events, 0}, {stop.fd(), POLLIN, 0}};
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int ready = ::poll(entries, 2, remainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return IoResult::Failed;
        if (entries[1].revents != 0)
            return IoResult::Stopped;
        if (ready == 0)
            return IoResult::Timeout;
        return IoResult::Done;
    }
}

IoResult Socket::waitReadable(int timeoutMs, const StopSignal& stop) const {
    return wait(POLLIN, timeoutMs, stop);
}

IoResult Socket::sendAll(const char* data, std::size_t size, int timeoutMs,
                         const StopSignal& stop) const {
    if (m_tls != nullptr)
        return sendSecured(data, size, timeoutMs, stop);
    std::size_t sent = 0;
    while (sent < size) {
        const IoResult ready = wait(POLLOUT, timeoutMs, stop);
        if (ready != IoResult::Done)
            return ready;
        const ssize_t n = ::send(m_fd, data + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n <= 0)
            return errno == EPIPE || errno == ECONNRESET ? IoResult::Closed : IoResult::Failed;
        sent += static_cast<std::size_t>(n);
    }
    return IoResult::Done;
}

void Socket::sendNow(const std::string& text) const {
    if (m_tls != nullptr) {
        StopSignal never;
        sendSecured(text.data(), text.size(), 0, never);
        return;
    }
    if (m_fd >= 0) [[maybe_unused]]
        const auto sent = ::send(m_fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

IoResult Socket::receiveSome(char* buffer, std::size_t capacity, std::size_t& got, int timeoutMs,
                             const StopSignal& stop) const {
    got = 0;
    if (m_tls != nullptr)
        return receiveSecured(buffer, capacity, got, timeoutMs, stop);
    for (;;) {
        const IoResult ready = wait(POLLIN, timeoutMs, stop);
        if (ready != IoResult::Done)
            return ready;
        const ssize_t n = ::recv(m_fd, buffer, capacity, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n < 0)
            return IoResult::Failed;
        if (n == 0)
            return IoResult::Closed;
        got = static_cast<std::size_t>(n);
        return IoResult::Done;
    }
}

std::string Socket::localAddress() const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return numericAddress(address);
}

std::string Socket::peerAddress() const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return numericAddress(address);
}

int Socket::localPort() const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    return 0;
}

std::optional<Socket> listenOn(const std::string& host, int port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int status =
        ::getaddrinfo(host.empty() ? nullptr : host.c_str(), service.c_str(), &hints, &found);
    if (status != 0) {
        error = gai_strerror(status);
        return std::nullopt;
    }
    error = "no usable address";
    for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        Socket socket(::socket(entry->ai_family, entry->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                               entry->ai_protocol));
        if (!socket.valid()) {
            error = std::strerror(errno);
            continue;
        }
        const int on = 1;
        ::setsockopt(socket.fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(socket.fd(), entry->ai_addr, entry->ai_addrlen) != 0 ||
            ::listen(socket.fd(), 64) != 0) {
            error = std::strerror(errno);
            continue;
        }
        ::freeaddrinfo(found);
        return socket;
    }
    ::freeaddrinfo(found);
    return std::nullopt;
}

IoResult acceptOne(const Socket& listener, Socket& accepted, int timeoutMs, const StopSignal& stop,
                   std::string* peerAddress) {
    for (;;) {
        const IoResult ready = listener.waitReadable(timeoutMs, stop);
        if (ready != IoResult::Done)
            return ready;
        // The peer as accept saw it: a connection reset while queued has none any more.
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const int fd = ::accept4(listener.fd(), reinterpret_cast<sockaddr*>(&peer), &length,
                                 SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0 && (errno == EINTR || errno == EAGAIN || errno == ECONNABORTED))
            continue;
        if (fd < 0)
            return IoResult::Failed;
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        accepted = Socket(fd);
        if (peerAddress != nullptr)
            *peerAddress = numericAddress(peer);
        return IoResult::Done;
    }
}

IoResult LineReader::readLine(const Socket& socket, std::string& line, bool& tooLong, int timeoutMs,
                              const StopSignal& stop) {
    tooLong = false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool discarding = false;
    for (;;) {
        const std::size_t end = m_buffer.find('\n');
        if (end != std::string::npos) {
            tooLong = discarding || end > kMaxLine;
            if (!discarding)
                line = m_buffer.substr(0, std::min(end, kMaxLine));
            m_buffer.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return IoResult::Done;
        }
        if (m_buffer.size() > kMaxLine) {
            // Keep the start for the reply, drop the rest up to the line end.
            if (!discarding)
                line = m_buffer.substr(0, kMaxLine);
            discarding = true;
            m_buffer.clear();
        }
        char chunk[2048];
        std::size_t got = 0;
        const IoResult result =
            socket.receiveSome(chunk, sizeof chunk, got, remainingMs(deadline), stop);
        if (result != IoResult::Done)
            return result;
        m_buffer.append(chunk, got);
    }
}

}  // namespace nubexa::standin
