#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "standin/ftp/socket_io.h"
#include "standin/util/crypto_util.h"
#include "standin/util/outcome.h"

namespace nubexa::standin {

// Where passive listeners bind: a port range, or any free port when the range is empty.
// Shared by all sessions; thread-safe.
class PassivePorts {
public:
    PassivePorts(int low, int high) : m_low(low), m_high(high) {}

    std::optional<Socket> listen(const std::string& address, std::string& error);

private:
    int m_low;
    int m_high;
    std::atomic<int> m_next{0};
};

// The passive data connection of one session: PASV or EPSV opens a listener, the next transfer
// takes the one connection that comes from the control connection's peer, then it closes.
class DataChannel {
public:
    Outcome open(const std::string& localAddress, PassivePorts& ports);
    bool isOpen() const { return m_listener.valid(); }
    int port() const { return m_listener.localPort(); }
    void close() { m_listener.close(); }

    // Connections from other addresses are refused; waits at most timeoutMs in all.
    IoResult accept(const std::string& peerAddress, Socket& connection, int timeoutMs,
                    const StopSignal& stop);

private:
    Socket m_listener;
};

struct TransferResult {
    IoResult status = IoResult::Done;
    std::int64_t bytes = 0;
    bool overLimit = false;
    bool fileError = false;
};

// Sends a file from `offset` and closes the connection. `idleMs` bounds every wait.
TransferResult sendFile(Socket& connection, int fd, std::int64_t offset, int idleMs,
                        const StopSignal& stop);

// Appends what arrives until the peer closes. At most `limit` bytes in all may be written
// (`already` of them are in the file), and `admit`, when given, must accept each new total
// before its bytes are written: otherwise it aborts with overLimit. `digest` takes every byte
// written.
TransferResult receiveToFile(Socket& connection, int fd, std::int64_t already, std::int64_t limit,
                             int idleMs, const StopSignal& stop, Md5Stream* digest = nullptr,
                             const std::function<bool(std::int64_t)>& admit = {});

}  // namespace nubexa::standin
