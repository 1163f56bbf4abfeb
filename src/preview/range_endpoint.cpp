#include "preview/range_endpoint.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/crypto.h>
#include <openssl/rand.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "preview/http_range.h"

namespace nubexa {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMostHeadBytes = 16 * 1024;
constexpr std::size_t kMostConnections = 8;
// Each wait is sliced so that a stop is seen within a slice.
constexpr int kSliceMs = 100;
constexpr auto kHeadLimit = std::chrono::seconds(10);
// A paused player stops reading; past this the request ends.
constexpr auto kSendIdleLimit = std::chrono::seconds(60);

std::string randomToken() {
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1)
        return {};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (unsigned char byte : bytes) {
        token.push_back(kHex[byte >> 4]);
        token.push_back(kHex[byte & 0x0F]);
    }
    return token;
}

bool peerIsLoopback(int socket) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) != 0)
        return false;
    if (peer.ss_family == AF_INET) {
        const auto* address = reinterpret_cast<const sockaddr_in*>(&peer);
        return (ntohl(address->sin_addr.s_addr) >> 24) == 127;
    }
    return false;
}

// The token is compared in constant time: its bytes never leak through timing.
bool targetCarries(const std::string& target, const std::string& token) {
    // "/TOKEN", or "/TOKEN/name" for players that look at the name.
    if (target.size() < token.size() + 1 || target[0] != '/')
        return false;
    if (target.size() > token.size() + 1 && target[token.size() + 1] != '/')
        return false;
    return CRYPTO_memcmp(target.data() + 1, token.data(), token.size()) == 0;
}

std::string statusLine(int status) {
    switch (status) {
        case 200:
            return "HTTP/1.1 200 OK\r\n";
        case 206:
            return "HTTP/1.1 206 Partial Content\r\n";
        case 400:
            return "HTTP/1.1 400 Bad Request\r\n";
        case 403:
            return "HTTP/1.1 403 Forbidden\r\n";
        case 404:
            return "HTTP/1.1 404 Not Found\r\n";
        case 405:
            return "HTTP/1.1 405 Method Not Allowed\r\nAllow: GET, HEAD\r\n";
        case 416:
            return "HTTP/1.1 416 Range Not Satisfiable\r\n";
        default:
            return "HTTP/1.1 500 Internal Server Error\r\n";
    }
}

}  // namespace

struct RangeEndpoint::Connection {
    int socket = -1;
    std::atomic<bool> finished{false};
    std::thread thread;
};

RangeEndpoint::RangeEndpoint(File file, RangeSource& source)
    : m_file(std::move(file)), m_source(source), m_token(randomToken()) {}

RangeEndpoint::~RangeEndpoint() {
    m_stop = true;
    if (m_wake[1] >= 0) {
        const char byte = 0;
        [[maybe_unused]] const auto written = ::write(m_wake[1], &byte, 1);
    }
    if (m_acceptor.joinable())
        m_acceptor.join();
    {
        std::lock_guard lock(m_mutex);
        // Wakes connections waiting on their peer; their sockets close once they are joined.
        for (const auto& connection : m_connections)
            ::shutdown(connection->socket, SHUT_RDWR);
    }
    for (const auto& connection : m_connections) {
        connection->thread.join();
        ::close(connection->socket);
    }
    for (int fd : {m_listen, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

bool RangeEndpoint::start(std::string& problem) {
    if (m_token.empty()) {
        problem = "no random token";
        return false;
    }
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    ::inet_pton(AF_INET, kBoundAddress, &address.sin_addr);
    socklen_t length = sizeof address;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listen, 16) != 0 ||
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(m_wake, O_CLOEXEC) != 0) {
        problem = std::string("cannot listen on loopback: ") + std::strerror(errno);
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
    return true;
}

std::string RangeEndpoint::url() const {
    return "http://" + std::string(kBoundAddress) + ":" + std::to_string(m_port) + "/" + m_token;
}

void RangeEndpoint::reapFinished() {
    std::lock_guard lock(m_mutex);
    auto done = std::stable_partition(m_connections.begin(), m_connections.end(),
                                      [](const auto& connection) { return !connection->finished; });
    for (auto it = done; it != m_connections.end(); ++it) {
        (*it)->thread.join();
        ::close((*it)->socket);
    }
    m_connections.erase(done, m_connections.end());
}

void RangeEndpoint::acceptLoop() {
    while (!m_stop) {
        pollfd waits[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0 && errno != EINTR)
            return;
        if (m_stop)
            return;
        if ((waits[0].revents & POLLIN) == 0)
            continue;
        const int socket = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (socket < 0)
            continue;
        reapFinished();
        std::lock_guard lock(m_mutex);
        if (m_connections.size() >= kMostConnections) {
            ::close(socket);
            continue;
        }
        auto connection = std::make_unique<Connection>();
        connection->socket = socket;
        Connection* raw = connection.get();
        connection->thread = std::thread([this, raw] {
            serve(raw->socket);
            // The end of the answer for the peer. The descriptor is closed only once the thread
            // is joined: a number closed earlier could be another connection's by the time the
            // destructor shuts the open ones down.
            ::shutdown(raw->socket, SHUT_RDWR);
            raw->finished = true;
        });
        m_connections.push_back(std::move(connection));
    }
}

bool RangeEndpoint::sendAll(int socket, const char* data, std::size_t size) {
    auto lastMoved = Clock::now();
    while (size > 0) {
        if (m_stop)
            return false;
        const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
        if (sent > 0) {
            data += sent;
            size -= static_cast<std::size_t>(sent);
            lastMoved = Clock::now();
            continue;
        }
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (Clock::now() - lastMoved > kSendIdleLimit)
            return false;
        pollfd wait{socket, POLLOUT, 0};
        ::poll(&wait, 1, kSliceMs);
    }
    return true;
}

void RangeEndpoint::serve(int socket) {
    std::string head;
    const auto started = Clock::now();
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (m_stop || head.size() > kMostHeadBytes || Clock::now() - started > kHeadLimit)
            return;
        pollfd wait{socket, POLLIN, 0};
        if (::poll(&wait, 1, kSliceMs) <= 0)
            continue;
        const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR))
            return;
        if (got > 0)
            head.append(buffer, static_cast<std::size_t>(got));
    }
    head.resize(head.find("\r\n\r\n") + 4);  // a body, if any, is not read
    answer(socket, head);
}

void RangeEndpoint::answer(int socket, const std::string& text) {
    const auto reply = [&](int status, const std::string& fields = {}) {
        const std::string response =
            statusLine(status) + fields + "Content-Length: 0\r\nConnection: close\r\n\r\n";
        sendAll(socket, response.data(), response.size());
    };
    if (!peerIsLoopback(socket))
        return reply(403);
    const auto head = parseRequestHead(text);
    if (!head)
        return reply(400);
    if (!targetCarries(head->target, m_token))
        return reply(404);
    if (head->method != "GET" && head->method != "HEAD")
        return reply(405);
    const RangeChoice range = chooseRange(head->range, m_file.size);
    if (range.kind == RangeChoice::Kind::kUnsatisfiable)
        return reply(416, "Content-Range: bytes */" + std::to_string(m_file.size) + "\r\n");

    const bool part = range.kind == RangeChoice::Kind::kPart;
    std::string response = statusLine(part ? 206 : 200);
    response += "Content-Type: " + m_file.contentType + "\r\n";
    response += "Content-Length: " + std::to_string(range.length()) + "\r\n";
    if (part)
        response += "Content-Range: bytes " + std::to_string(range.first) + "-" +
                    std::to_string(range.last) + "/" + std::to_string(m_file.size) + "\r\n";
    response += "Accept-Ranges: bytes\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
    if (!sendAll(socket, response.data(), response.size()) || head->method == "HEAD" ||
        range.length() <= 0)
        return;
    // A player that goes away (a seek) ends the read: its socket refuses the next piece.
    m_source.read(
        range.first, range.length(),
        [&](const char* data, std::size_t size) { return sendAll(socket, data, size); }, m_stop);
}

}  // namespace nubexa
