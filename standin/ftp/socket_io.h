#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

typedef struct ssl_st SSL;

namespace nubexa::standin {

class TlsServerContext;

// Raised once when the service stops; every wait of every socket wakes up for it.
class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void raise();
    bool raised() const;
    // Sleeps up to ms, less when the signal is raised; whether it is.
    bool wait(int ms) const;
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

enum class IoResult { Done, Timeout, Closed, Failed, Stopped };

// What is left until `deadline`, in whole milliseconds for poll(); 0 once it passed.
int remainingMs(std::chrono::steady_clock::time_point deadline);

// A TCP socket that owns its descriptor. Every wait has a time limit and wakes on the stop
// signal, so a client that vanishes never holds a thread.
class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket() { close(); }
    Socket(Socket&& other) noexcept : m_fd(other.m_fd), m_tls(other.m_tls) {
        other.m_fd = -1;
        other.m_tls = nullptr;
    }
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool valid() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // Ends TLS with its close_notify (when secured), then closes.
    void close();

    // The server side of a TLS handshake (socket_tls.cpp); from then on every send and
    // receive is protected. Bytes the peer sent in clear before are never read as TLS.
    // `tie` (kept alive by the caller while the socket is secured) goes into every session
    // ticket this connection hands out, so that resumedWith(tie) knows them again.
    IoResult startTls(const TlsServerContext& context, int timeoutMs, const StopSignal& stop,
                      const std::string* tie = nullptr);
    bool secured() const { return m_tls != nullptr; }
    // Whether the handshake resumed a session handed out by a connection secured with `tie`:
    // a data connection made by the same client as its control connection.
    bool resumedWith(const std::string& tie) const;
    // No more data from us: TLS close_notify, then the TCP writer side.
    void closeWriting();

    IoResult waitReadable(int timeoutMs, const StopSignal& stop) const;
    IoResult sendAll(const char* data, std::size_t size, int timeoutMs,
                     const StopSignal& stop) const;
    IoResult sendAll(const std::string& text, int timeoutMs, const StopSignal& stop) const {
        return sendAll(text.data(), text.size(), timeoutMs, stop);
    }
    // What fits into the send buffer now, without waiting: a last word when stopping.
    void sendNow(const std::string& text) const;
    // Waits up to timeoutMs for data; `got` is 0 when the result is not Done.
    IoResult receiveSome(char* buffer, std::size_t capacity, std::size_t& got, int timeoutMs,
                         const StopSignal& stop) const;

    // Numeric addresses and the local port (IPv4-mapped IPv6 addresses shown as IPv4).
    std::string localAddress() const;
    std::string peerAddress() const;
    int localPort() const;

private:
    IoResult wait(short events, int timeoutMs, const StopSignal& stop) const;
    IoResult sendSecured(const char* data, std::size_t size, int timeoutMs,
                         const StopSignal& stop) const;
    IoResult receiveSecured(char* buffer, std::size_t capacity, std::size_t& got, int timeoutMs,
                            const StopSignal& stop) const;
    void endTls();

    int m_fd = -1;
    SSL* m_tls = nullptr;
};

// A listening socket on host:port; port 0 takes any free port.
std::optional<Socket> listenOn(const std::string& host, int port, std::string& error);
// `peerAddress`, when given, receives the address the connection came from.
IoResult acceptOne(const Socket& listener, Socket& accepted, int timeoutMs, const StopSignal& stop,
                   std::string* peerAddress = nullptr);

// Reads CRLF- or LF-ended lines of at most kMaxLine bytes from a control connection.
class LineReader {
public:
    // `line` is without its line end; an over-long line comes back cut, with tooLong set.
    IoResult readLine(const Socket& socket, std::string& line, bool& tooLong, int timeoutMs,
                      const StopSignal& stop);

    static constexpr std::size_t kMaxLine = 4096;

private:
    std::string m_buffer;
};

}  // namespace nubexa::standin
