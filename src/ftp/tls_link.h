#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "ftp/ftp_options.h"
#include "ftp/socket_wait.h"

typedef struct ssl_st SSL;

namespace nubexa {

// The verification settings of one FTP client, shared by its control and data links: the
// authority to trust and the host name every certificate must carry. Its session cache keeps
// the control connection's session for the data connections (RFC 4217 servers such as
// vsftpd refuse data connections that do not resume it).
class TlsClientContext {
public:
    // Null with `problem` when the authority file cannot be read.
    static std::shared_ptr<TlsClientContext> create(const FtpTlsOptions& options, std::string host,
                                                    std::string& problem);
    ~TlsClientContext();
    TlsClientContext(const TlsClientContext&) = delete;
    TlsClientContext& operator=(const TlsClientContext&) = delete;

    const std::string& host() const { return m_host; }
    struct Handle;
    Handle& handle() const { return *m_handle; }

private:
    TlsClientContext(std::unique_ptr<Handle> handle, std::string host);
    std::unique_ptr<Handle> m_handle;
    std::string m_host;
};

// The TLS side of one connection of the engine, or nothing: until start() succeeds every call
// goes to the clear socket as before, so the control and data code paths stay one. The socket
// stays non-blocking; each OpenSSL step that wants the network waits through waitForSocket, so
// TLS keeps the engine's time limits and stop flag. Owned by the connection's owner.
class TlsLink {
public:
    TlsLink() = default;
    ~TlsLink();
    TlsLink(const TlsLink&) = delete;
    TlsLink& operator=(const TlsLink&) = delete;

    // Client handshake on `handle`, verifying the peer against `context`. `resumeFrom`, when
    // secured, lends its session. False with `problem`: "证书无法验证：host（why）" when the
    // certificate was refused, another text for other failures; nothing was sent then.
    bool start(ACE_HANDLE handle, const std::shared_ptr<TlsClientContext>& context,
               const TlsLink* resumeFrom, std::chrono::milliseconds limit, StopFlag stop,
               std::string& problem);
    bool secured() const { return m_tls != nullptr; }
    // Whether the handshake resumed the lent session.
    bool resumed() const;
    // Bytes decrypted but not read yet.
    bool holdsBytes() const;

    // As receiveWithin/sendWithin (0: the peer's end, -1 with `result`).
    ssize_t receive(ACE_HANDLE handle, char* buffer, std::size_t size,
                    std::chrono::milliseconds limit, StopFlag stop, WaitResult& result);
    ssize_t send(ACE_HANDLE handle, const char* buffer, std::size_t size,
                 std::chrono::milliseconds limit, StopFlag stop, WaitResult& result);

    // Our close_notify, once, without waiting; the link stays usable for reading.
    void closeNotify();
    // Forgets the TLS state (the socket is closed by its owner).
    void reset();

private:
    SSL* m_tls = nullptr;
    std::shared_ptr<TlsClientContext> m_context;
    bool m_notified = false;
};

}  // namespace nubexa
