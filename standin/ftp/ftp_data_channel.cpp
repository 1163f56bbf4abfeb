#include "standin/ftp/ftp_data_channel.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <vector>

namespace nubexa::standin {

namespace {

constexpr std::size_t kBlock = 64 * 1024;

}  // namespace

std::optional<Socket> PassivePorts::listen(const std::string& address, std::string& error) {
    if (m_low <= 0 || m_high < m_low)
        return listenOn(address, 0, error);
    const int count = m_high - m_low + 1;
    const int start = m_next.fetch_add(1) % count;
    for (int i = 0; i < count; ++i) {
        if (auto socket = listenOn(address, m_low + (start + i) % count, error))
            return socket;
    }
    error = "no free passive port in " + std::to_string(m_low) + "-" + std::to_string(m_high);
    return std::nullopt;
}

Outcome DataChannel::open(const std::string& localAddress, PassivePorts& ports) {
    m_listener.close();
    std::string error;
    auto listener = ports.listen(localAddress, error);
    if (!listener)
        return Outcome::failure(error);
    m_listener = std::move(*listener);
    return Outcome::success();
}

IoResult DataChannel::accept(const std::string& peerAddress, Socket& connection, int timeoutMs,
                             const StopSignal& stop) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return IoResult::Timeout;
        Socket candidate;
        std::string from;
        const IoResult result =
            acceptOne(m_listener, candidate, static_cast<int>(left.count()), stop, &from);
        if (result != IoResult::Done)
            return result;
        // Only the client of this session may take its data.
        if (from == peerAddress) {
            connection = std::move(candidate);
            m_listener.close();
            return IoResult::Done;
        }
    }
}

TransferResult sendFile(Socket& connection, int fd, std::int64_t offset, int idleMs,
                        const StopSignal& stop) {
    TransferResult result;
    std::vector<char> buffer(kBlock);
    for (;;) {
        const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.status = IoResult::Failed;
            result.fileError = true;
            break;
        }
        if (n == 0)
            break;
        result.status =
            connection.sendAll(buffer.data(), static_cast<std::size_t>(n), idleMs, stop);
        if (result.status != IoResult::Done)
            break;
        offset += n;
        result.bytes += n;
    }
    connection.closeWriting();
    connection.close();
    return result;
}

TransferResult receiveToFile(Socket& connection, int fd, std::int64_t already, std::int64_t limit,
                             int idleMs, const StopSignal& stop, Md5Stream* digest,
                             const std::function<bool(std::int64_t)>& admit) {
    TransferResult result;
    std::vector<char> buffer(kBlock);
    for (;;) {
        std::size_t got = 0;
        const IoResult received =
            connection.receiveSome(buffer.data(), buffer.size(), got, idleMs, stop);
        if (received == IoResult::Closed) {
            result.status = IoResult::Done;
            break;
        }
        if (received != IoResult::Done) {
            result.status = received;
            break;
        }
        const std::int64_t total = already + result.bytes + static_cast<std::int64_t>(got);
        if (total > limit || (admit && !admit(total))) {
            result.status = IoResult::Failed;
            result.overLimit = true;
            break;
        }
        std::size_t written = 0;
        while (written < got) {
            const ssize_t n = ::write(fd, buffer.data() + written, got - written);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                result.status = IoResult::Failed;
                result.fileError = true;
                break;
            }
            if (digest != nullptr)
                digest->update(buffer.data() + written, static_cast<std::size_t>(n));
            written += static_cast<std::size_t>(n);
            result.bytes += n;
        }
        if (result.fileError)
            break;
    }
    connection.close();
    return result;
}

}  // namespace nubexa::standin
