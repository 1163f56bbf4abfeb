#pragma once

#include <memory>
#include <string>

typedef struct ssl_ctx_st SSL_CTX;

namespace nubexa::standin {

// The server's TLS settings: its certificate and key, TLS 1.2 at least, and a session cache
// so that data connections can resume the control connection's session (clients such as
// curl and ours do; the file server insists on it, as vsftpd's require_ssl_reuse does).
// Session tickets carry the tie of the control connection that handed them out (see
// Socket::startTls), so resuming one proves the data connection comes from its client, not
// from another local program with a handshake of its own. Shared by every session; immutable
// once loaded.
class TlsServerContext {
public:
    // Null with `error` when the files cannot be read or do not belong together.
    static std::shared_ptr<const TlsServerContext> load(const std::string& certificate,
                                                        const std::string& key, std::string& error);
    ~TlsServerContext();
    TlsServerContext(const TlsServerContext&) = delete;
    TlsServerContext& operator=(const TlsServerContext&) = delete;

    SSL_CTX* get() const { return m_context; }

private:
    explicit TlsServerContext(SSL_CTX* context) : m_context(context) {}
    SSL_CTX* m_context;
};

}  // namespace nubexa::standin
