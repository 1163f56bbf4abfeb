#include "port_relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace nubexa::test {

namespace {

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// Everything of `bytes`; false when the peer is gone.
bool sendAll(int fd, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, bytes, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

}  // namespace

PortRelay::PortRelay(std::uint16_t target) : m_target(target) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listener, 64) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(m_wake, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot open the relay's port");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { relay(); });
}

PortRelay::~PortRelay() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    [[maybe_unused]] const auto woken = ::write(m_wake[1], "x", 1);
    m_thread.join();
    closeAll();
    ::close(m_listener);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
}

void PortRelay::setTarget(std::uint16_t target) {
    {
        std::lock_guard lock(m_mutex);
        m_target = target;
        m_cut = target == 0;
    }
    [[maybe_unused]] const auto woken = ::write(m_wake[1], "x", 1);
}

void PortRelay::closeAll() {
    for (const auto& [client, server] : m_pairs) {
        ::close(client);
        ::close(server);
    }
    m_pairs.clear();
}

void PortRelay::accept() {
    const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    std::uint16_t target = 0;
    {
        std::lock_guard lock(m_mutex);
        target = m_target;
    }
    const int server = target == 0 ? -1 : ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(target);
    if (server < 0 ||
        ::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (server >= 0)
            ::close(server);
        ::close(client);
        return;
    }
    m_pairs.emplace_back(client, server);
}

void PortRelay::relay() {
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            if (std::exchange(m_cut, false))
                closeAll();
        }
        std::vector<pollfd> watched{{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        for (const auto& [client, server] : m_pairs) {
            watched.push_back({client, POLLIN, 0});
            watched.push_back({server, POLLIN, 0});
        }
        if (::poll(watched.data(), watched.size(), 1000) <= 0)
            continue;
        if (watched[0].revents != 0) {
            char drained[64];
            [[maybe_unused]] const auto got = ::read(m_wake[0], drained, sizeof drained);
        }
        if (watched[1].revents != 0)
            accept();
        // Pairs in the order they were watched; a pair whose side ended is closed whole.
        std::vector<std::pair<int, int>> kept;
        for (std::size_t i = 0; i < m_pairs.size() && 2 + 2 * i + 1 < watched.size(); ++i) {
            const auto [client, server] = m_pairs[i];
            bool open = true;
            char block[16384];
            for (const auto& [from, to] : {std::pair{client, server}, std::pair{server, client}}) {
                const auto& state = watched[2 + 2 * i + (from == client ? 0 : 1)];
                if (!open || state.revents == 0)
                    continue;
                const ssize_t got = ::recv(from, block, sizeof block, 0);
                open = got > 0 && sendAll(to, block, static_cast<std::size_t>(got));
            }
            if (open) {
                kept.push_back(m_pairs[i]);
            } else {
                ::close(client);
                ::close(server);
            }
        }
        // Pairs accepted in this round were not watched yet.
        for (std::size_t i = (watched.size() - 2) / 2; i < m_pairs.size(); ++i)
            kept.push_back(m_pairs[i]);
        m_pairs = std::move(kept);
    }
}

}  // namespace nubexa::test
