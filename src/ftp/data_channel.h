#pragma once

#include <ace/SOCK_Stream.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "ftp/tls_link.h"

namespace nubexa {

// One passive-mode data connection. Every wait is bounded, so that the transfer loop can look
// at its task's status between waits whatever the line does. Closed when the object ends.
// Owned by the transfer thread that opened it.
class DataChannel {
public:
    enum class Outcome { Moved, Idle, Closed, Failed };
    struct Result {
        Outcome outcome = Outcome::Failed;
        std::size_t bytes = 0;
    };

    DataChannel() = default;
    ~DataChannel() { close(); }
    DataChannel(const DataChannel&) = delete;
    DataChannel& operator=(const DataChannel&) = delete;

    // A raised `stop` ends the wait for the connection at once.
    bool connect(const std::string& host, unsigned port, std::chrono::milliseconds limit,
                 const std::atomic<bool>* stop = nullptr);

    // The connection is protected: `secure` runs the TLS handshake before the first byte moves
    // (only then, after the transfer command, does a server start its side). Failed when it
    // fails.
    using Secure = std::function<bool(ACE_HANDLE, TlsLink&)>;
    void protectWith(Secure secure) { m_secure = std::move(secure); }

    // Up to `size` bytes; Idle when nothing arrived within `wait`, Closed at the peer's end.
    Result receive(char* buffer, std::size_t size, std::chrono::milliseconds wait);

    // Sends what the connection takes within `wait` (all of it unless Idle or Failed).
    Result send(const char* buffer, std::size_t size, std::chrono::milliseconds wait);

    // Tells the server that the file's bytes are complete.
    void finishSending();

    void close();

private:
    bool secured();

    ACE_SOCK_Stream m_stream;
    bool m_open = false;
    Secure m_secure;
    TlsLink m_tls;
    bool m_secureFailed = false;
};

}  // namespace nubexa
