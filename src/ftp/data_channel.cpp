#include "ftp/data_channel.h"

#include "ftp/ace_stream.h"
#include "ftp/socket_wait.h"

#include <ace/INET_Addr.h>

namespace nubexa {

bool DataChannel::connect(const std::string& host, unsigned port, std::chrono::milliseconds limit,
                          StopFlag stop) {
    close();
    ACE_INET_Addr address(static_cast<u_short>(port), host.c_str(), AF_UNSPEC);
    if (connectWithin(m_stream, address, limit, stop) != WaitResult::kReady)
        return false;
    m_open = true;
    return true;
}

bool DataChannel::secured() {
    if (m_secure) {
        const Secure secure = std::move(m_secure);
        m_secure = nullptr;
        m_secureFailed = !secure(m_stream.get_handle(), m_tls);
    }
    return !m_secureFailed;
}

DataChannel::Result DataChannel::receive(char* buffer, std::size_t size,
                                         std::chrono::milliseconds wait) {
    if (!m_open || !secured())
        return {Outcome::Failed, 0};
    WaitResult why = WaitResult::kFailed;
    const ssize_t received = m_tls.receive(m_stream.get_handle(), buffer, size, wait, nullptr, why);
    if (received > 0)
        return {Outcome::Moved, static_cast<std::size_t>(received)};
    if (received == 0)
        return {Outcome::Closed, 0};
    return {why == WaitResult::kTimedOut ? Outcome::Idle : Outcome::Failed, 0};
}

DataChannel::Result DataChannel::send(const char* buffer, std::size_t size,
                                      std::chrono::milliseconds wait) {
    if (!m_open || !secured())
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
        WaitResult why = WaitResult::kFailed;
        const ssize_t n =
            m_tls.send(m_stream.get_handle(), buffer + sent, size - sent, left, nullptr, why);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && why == WaitResult::kTimedOut) {
            break;
        } else {
            return {Outcome::Failed, sent};
        }
    }
    return {sent > 0 ? Outcome::Moved : Outcome::Idle, sent};
}

void DataChannel::finishSending() {
    if (!m_open || !secured())
        return;
    m_tls.closeNotify();
    m_stream.close_writer();
}

void DataChannel::close() {
    m_secure = nullptr;
    m_secureFailed = false;
    if (!m_open)
        return;
    m_tls.closeNotify();
    m_tls.reset();
    closeStream(m_stream);
    m_open = false;
}

}  // namespace nubexa
