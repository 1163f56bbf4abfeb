#pragma once

#include <ace/INET_Addr.h>
#include <ace/SOCK_Stream.h>

#include <sys/types.h>
#include <atomic>
#include <chrono>
#include <cstddef>

namespace nubexa {

// The engine's sockets stay non-blocking from their connect on: every wait is a poll in short
// slices that also looks at the stop flag, so that stopping every transfer never waits for a
// connect or reply time limit, and no send or receive switches the socket's mode.
using StopFlag = const std::atomic<bool>*;

enum class WaitResult { kReady, kTimedOut, kStopped, kFailed };

inline bool stopRaised(StopFlag stop) {
    return stop != nullptr && stop->load(std::memory_order_acquire);
}

// Waits until `handle` is readable (POLLIN) or writable (POLLOUT), within `limit`.
WaitResult waitForSocket(ACE_HANDLE handle, short events, std::chrono::milliseconds limit,
                         StopFlag stop);

// Opens a non-blocking TCP connection to `address` into `stream` within `limit`.
WaitResult connectWithin(ACE_SOCK_Stream& stream, const ACE_INET_Addr& address,
                         std::chrono::milliseconds limit, StopFlag stop);

// One receive or send on a non-blocking socket, waiting up to `limit` for it to be ready.
// >0 bytes moved; 0 the peer's end (receive only); -1 with `result` saying why nothing moved.
ssize_t receiveWithin(ACE_HANDLE handle, char* buffer, std::size_t size,
                      std::chrono::milliseconds limit, StopFlag stop, WaitResult& result);
ssize_t sendWithin(ACE_HANDLE handle, const char* buffer, std::size_t size,
                   std::chrono::milliseconds limit, StopFlag stop, WaitResult& result);

}  // namespace nubexa
