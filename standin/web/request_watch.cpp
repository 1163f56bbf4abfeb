#include "standin/web/request_watch.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "standin/util/thread_deadline.h"

namespace nubexa::standin {

RequestWatch::RequestWatch(std::chrono::milliseconds limit,
                           std::function<void(const Request&)> overdue)
    : m_limit(limit), m_overdue(std::move(overdue)), m_thread([this] { run(); }) {}

RequestWatch::~RequestWatch() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void RequestWatch::begin(Request request) {
    const auto deadline = Clock::now() + m_limit;
    ThreadDeadline::set(deadline);
    {
        std::lock_guard lock(m_mutex);
        m_running[std::this_thread::get_id()] =
            Running{std::move(request), deadline + m_limit / 2, false};
    }
    m_wake.notify_all();
}

void RequestWatch::end() {
    ThreadDeadline::set(std::nullopt);
    std::lock_guard lock(m_mutex);
    m_running.erase(std::this_thread::get_id());
}

void RequestWatch::run() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        std::optional<Clock::time_point> next;
        std::vector<Request> late;
        const auto now = Clock::now();
        for (auto& [thread, running] : m_running) {
            if (running.reported)
                continue;
            if (running.reportAt <= now) {
                running.reported = true;
                late.push_back(running.request);
            } else if (!next || running.reportAt < *next) {
                next = running.reportAt;
            }
        }
        if (!late.empty()) {
            lock.unlock();
            for (const auto& request : late)
                m_overdue(request);
            lock.lock();
            continue;
        }
        // A request that begins meanwhile wakes the watch to look at its deadline.
        if (next)
            m_wake.wait_until(lock, *next);
        else
            m_wake.wait(lock);
    }
}

namespace {

// The port a socket is bound to, or -1 for anything but an IPv4/IPv6 socket.
int portOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

std::string peerAddressText(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = "";
    if (address.ss_family == AF_INET)
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text,
                    sizeof text);
    else if (address.ss_family == AF_INET6)
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text,
                    sizeof text);
    return text;
}

}  // namespace

// Other threads open and close descriptors meanwhile, so each one is taken as a duplicate
// first, and only a duplicate that is a connection accepted on `localPort` is shut down (which
// ends it for its owner's descriptor too). A number closed and reused meanwhile is thus judged
// by what it is now. Plain system calls: this look at descriptors other threads own is safe by
// that duplicate, not by a lock a race detector could see.
void shutDownConnections(int localPort,
                         const std::function<bool(const std::string& peer, int peerPort)>& which) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        int fd = -1;
        try {
            fd = std::stoi(entry.path().filename().string());
        } catch (const std::exception&) {
            continue;
        }
        const long copy = syscall(SYS_dup, fd);
        if (copy < 0)
            continue;
        const int own = static_cast<int>(copy);
        sockaddr_storage local{};
        socklen_t localLength = sizeof(local);
        sockaddr_storage peer{};
        socklen_t peerLength = sizeof(peer);
        if (syscall(SYS_getsockname, own, reinterpret_cast<sockaddr*>(&local), &localLength) == 0 &&
            portOf(local) == localPort &&
            syscall(SYS_getpeername, own, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0 &&
            which(peerAddressText(peer), portOf(peer)))
            syscall(SYS_shutdown, own, SHUT_RDWR);
        syscall(SYS_close, own);
    }
}

}  // namespace nubexa::standin
