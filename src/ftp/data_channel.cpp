#include "ftp/data_channel.h"

#include "ftp/ace_stream.h"

#include <ace/INET_Addr.h>
#include <ace/SOCK_Connector.h>
#include <sys/socket.h>

#include <cerrno>

namespace nubexa {

namespace {}  // namespace

bool DataChannel::connect(const std::string& host, unsigned port, std::chrono::milliseconds limit) {
    close();
    ACE_INET_Addr address(static_cast<u_short>(port), host.c_str(), AF_UNSPEC);
    ACE_SOCK_Connector connector;
    ACE_Time_Value timeout = toTimeValue(limit);
    if (connector.connect(m_stream, address, &timeout) == -1)
        return false;
    m_open = true;
    return true;
}

DataChannel::Result DataChannel::receive(char* buffer, std::size_t size,
                                         std::chrono::milliseconds wait) {
    if (!m_open)
        return {Outcome::Failed, 0};
    const ACE_Time_Value timeout = toTimeValue(wait);
    const ssize_t received = m_stream.recv(buffer, size, &timeout);
    if (received > 0)
        return {Outcome::Moved, static_cast<std::size_t>(received)};
    if (received == 0)
        return {Outcome::Closed, 0};
    const bool idle = errno == ETIME || errno == EWOULDBLOCK || errno == EINTR;
    return {idle ? Outcome::Idle : Outcome::Failed, 0};
}

DataChannel::Result DataChannel::send(const char* buffer, std::size_t size,
                                      std::chrono::milliseconds wait) {
    if (!m_open)
        return {Outcome::Failed, 0};
    // One bounded wait for the whole call: a line that takes a block slowly must not keep the
    // caller from its status checks.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::size_t sent = 0;
    while (sent < size) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        const ACE_Time_Value timeout = toTimeValue(left);
        const ssize_t n = m_stream.send(buffer + sent, size - sent, MSG_NOSIGNAL, &timeout);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == ETIME || errno == EWOULDBLOCK)) {
            break;
        } else {
            return {Outcome::Failed, sent};
        }
    }
    return {sent > 0 ? Outcome::Moved : Outcome::Idle, sent};
}

void DataChannel::finishSending() {
    if (m_open)
        m_stream.close_writer();
}

void DataChannel::close() {
    if (!m_open)
        return;
    closeStream(m_stream);
    m_open = false;
}

}  // namespace nubexa
