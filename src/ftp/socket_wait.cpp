#include "ftp/socket_wait.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace nubexa {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks at the stop flag.
constexpr std::chrono::milliseconds kStopSlice{50};

bool wouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}

// Tries `attempt` first (while bytes flow no poll is needed), then waits once for `events`
// and tries again.
template <typename Attempt>
ssize_t moveWithin(ACE_HANDLE handle, short events, Attempt attempt,
                   std::chrono::milliseconds limit, StopFlag stop, WaitResult& result) {
    for (bool waited = false;;) {
        const ssize_t moved = attempt();
        if (moved >= 0)
            return moved;
        if (errno == EINTR)
            continue;
        if (!wouldBlock(errno) || waited) {
            result = wouldBlock(errno) ? WaitResult::kTimedOut : WaitResult::kFailed;
            return -1;
        }
        result = waitForSocket(handle, events, limit, stop);
        if (result != WaitResult::kReady)
            return -1;
        waited = true;
    }
}

}  // namespace

WaitResult waitForSocket(ACE_HANDLE handle, short events, std::chrono::milliseconds limit,
                         StopFlag stop) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (stopRaised(stop))
            return WaitResult::kStopped;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const auto slice = stop == nullptr ? left : std::min(left, kStopSlice);
        pollfd entry{handle, events, 0};
        const int ready =
            ::poll(&entry, 1, static_cast<int>(std::max<long long>(slice.count(), 0)));
        if (ready > 0)
            return (entry.revents & (events | POLLHUP | POLLERR)) != 0 ? WaitResult::kReady
                                                                       : WaitResult::kFailed;
        if (ready < 0 && errno != EINTR)
            return WaitResult::kFailed;
        if (Clock::now() >= deadline)
            return WaitResult::kTimedOut;
    }
}

WaitResult connectWithin(ACE_SOCK_Stream& stream, const ACE_INET_Addr& address,
                         std::chrono::milliseconds limit, StopFlag stop) {
    const int fd = ::socket(address.get_type(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return WaitResult::kFailed;
    const auto* target = static_cast<const sockaddr*>(address.get_addr());
    WaitResult result = WaitResult::kReady;
    if (::connect(fd, target, static_cast<socklen_t>(address.get_size())) != 0) {
        result =
            errno == EINPROGRESS ? waitForSocket(fd, POLLOUT, limit, stop) : WaitResult::kFailed;
        int error = 0;
        socklen_t length = sizeof error;
        if (result == WaitResult::kReady &&
            (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)) {
            result = WaitResult::kFailed;
        }
    }
    if (result != WaitResult::kReady) {
        ::close(fd);
        return result;
    }
    stream.set_handle(fd);
    return WaitResult::kReady;
}

ssize_t receiveWithin(ACE_HANDLE handle, char* buffer, std::size_t size,
                      std::chrono::milliseconds limit, StopFlag stop, WaitResult& result) {
    return moveWithin(
        handle, POLLIN, [&] { return ::recv(handle, buffer, size, MSG_DONTWAIT); }, limit, stop,
        result);
}

ssize_t sendWithin(ACE_HANDLE handle, const char* buffer, std::size_t size,
                   std::chrono::milliseconds limit, StopFlag stop, WaitResult& result) {
    return moveWithin(
        handle, POLLOUT, [&] { return ::send(handle, buffer, size, MSG_DONTWAIT | MSG_NOSIGNAL); },
        limit, stop, result);
}

}  // namespace nubexa
