#include "ftp/tls_link.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace nubexa {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds leftUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? left : std::chrono::milliseconds(0);
}

std::string openSslReason() {
    const unsigned long code = ERR_peek_last_error();
    ERR_clear_error();
    if (code == 0)
        return "the connection ended during the handshake";
    const char* reason = ERR_reason_error_string(code);
    return reason != nullptr ? reason : "TLS error";
}

bool isNumericAddress(const std::string& host) {
    unsigned char buffer[16];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
           inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

// Waits for what OpenSSL asked for; kReady to try again.
WaitResult waitFor(SSL* tls, int status, ACE_HANDLE handle, Clock::time_point deadline,
                   StopFlag stop) {
    const int why = SSL_get_error(tls, status);
    if (why != SSL_ERROR_WANT_READ && why != SSL_ERROR_WANT_WRITE)
        return WaitResult::kFailed;
    const auto left = leftUntil(deadline);
    if (left.count() <= 0)
        return WaitResult::kTimedOut;
    return waitForSocket(handle, why == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, left, stop);
}

// A socket BIO that sends with MSG_NOSIGNAL: OpenSSL's own writes with write(), and a peer
// that has gone would end the whole process with SIGPIPE (the client does not ignore it).
struct SocketState {
    int fd = -1;
    bool ended = false;
};

int bioWrite(BIO* bio, const char* data, int size) {
    auto* state = static_cast<SocketState*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const ssize_t sent =
        ::send(state->fd, data, static_cast<std::size_t>(size), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_write(bio);
    return static_cast<int>(sent);
}

int bioRead(BIO* bio, char* data, int size) {
    auto* state = static_cast<SocketState*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const ssize_t received = ::recv(state->fd, data, static_cast<std::size_t>(size), MSG_DONTWAIT);
    if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_read(bio);
    if (received == 0)
        state->ended = true;
    return static_cast<int>(received);
}

long bioControl(BIO* bio, int command, long, void*) {
    switch (command) {
        case BIO_CTRL_FLUSH:
            return 1;
        case BIO_CTRL_EOF:
            return static_cast<SocketState*>(BIO_get_data(bio))->ended ? 1 : 0;
        default:
            return 0;
    }
}

int bioDestroy(BIO* bio) {
    delete static_cast<SocketState*>(BIO_get_data(bio));
    BIO_set_data(bio, nullptr);
    return 1;
}

BIO_METHOD* socketMethod() {
    static BIO_METHOD* const method = [] {
        BIO_METHOD* made =
            BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "nubexa socket");
        BIO_meth_set_write(made, bioWrite);
        BIO_meth_set_read(made, bioRead);
        BIO_meth_set_ctrl(made, bioControl);
        BIO_meth_set_destroy(made, bioDestroy);
        return made;
    }();
    return method;
}

BIO* socketBio(int fd) {
    BIO* bio = BIO_new(socketMethod());
    if (bio == nullptr)
        return nullptr;
    BIO_set_data(bio, new SocketState{fd, false});
    BIO_set_init(bio, 1);
    return bio;
}

}  // namespace

struct TlsClientContext::Handle {
    SSL_CTX* context = nullptr;
    ~Handle() { SSL_CTX_free(context); }
};

TlsClientContext::TlsClientContext(std::unique_ptr<Handle> handle, std::string host)
    : m_handle(std::move(handle)), m_host(std::move(host)) {}

TlsClientContext::~TlsClientContext() = default;

std::shared_ptr<TlsClientContext> TlsClientContext::create(const FtpTlsOptions& options,
                                                           std::string host, std::string& problem) {
    auto handle = std::make_unique<Handle>();
    handle->context = SSL_CTX_new(TLS_client_method());
    if (handle->context == nullptr) {
        problem = "TLS: " + openSslReason();
        return nullptr;
    }
    SSL_CTX* context = handle->context;
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // Servers that end a download without close_notify are common; the engine checks the
    // byte count against the file's size either way.
    SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    const bool loaded = options.caFile.empty() ? SSL_CTX_set_default_verify_paths(context) == 1
                                               : SSL_CTX_load_verify_locations(
                                                     context, options.caFile.c_str(), nullptr) == 1;
    if (!loaded) {
        problem = "证书无法验证：" + host + "（the authority " +
                  (options.caFile.empty() ? std::string("store") : options.caFile) +
                  " cannot be read: " + openSslReason() + "）";
        return nullptr;
    }
    return std::shared_ptr<TlsClientContext>(
        new TlsClientContext(std::move(handle), std::move(host)));
}

TlsLink::~TlsLink() {
    reset();
}

bool TlsLink::start(ACE_HANDLE handle, const std::shared_ptr<TlsClientContext>& context,
                    const TlsLink* resumeFrom, std::chrono::milliseconds limit, StopFlag stop,
                    std::string& problem) {
    reset();
    ERR_clear_error();
    SSL* tls = SSL_new(context->handle().context);
    BIO* bio = tls != nullptr ? socketBio(static_cast<int>(handle)) : nullptr;
    if (bio == nullptr) {
        SSL_free(tls);
        problem = "TLS: " + openSslReason();
        return false;
    }
    SSL_set_bio(tls, bio, bio);
    const std::string& host = context->host();
    X509_VERIFY_PARAM* checks = SSL_get0_param(tls);
    // A numeric address must be among the certificate's IP entries, a name among its DNS names.
    const bool named = isNumericAddress(host)
                           ? X509_VERIFY_PARAM_set1_ip_asc(checks, host.c_str()) == 1
                           : SSL_set1_host(tls, host.c_str()) == 1 &&
                                 SSL_set_tlsext_host_name(tls, host.c_str()) == 1;
    if (!named) {
        SSL_free(tls);
        problem = "证书无法验证：" + host + "（the host name cannot be checked）";
        return false;
    }
    if (resumeFrom != nullptr && resumeFrom->m_tls != nullptr) {
        if (SSL_SESSION* session = SSL_get1_session(resumeFrom->m_tls)) {
            SSL_set_session(tls, session);
            SSL_SESSION_free(session);
        }
    }
    const auto deadline = Clock::now() + limit;
    for (;;) {
        const int done = SSL_connect(tls);
        if (done == 1)
            break;
        const WaitResult waited = waitFor(tls, done, handle, deadline, stop);
        if (waited == WaitResult::kReady)
            continue;
        const long verified = SSL_get_verify_result(tls);
        if (verified != X509_V_OK) {
            problem =
                "证书无法验证：" + host + "（" + X509_verify_cert_error_string(verified) + "）";
        } else if (waited == WaitResult::kTimedOut) {
            problem = "TLS handshake with " + host + " timed out";
        } else if (waited == WaitResult::kStopped) {
            problem = "stopped";
        } else {
            problem = "TLS handshake with " + host + " failed: " + openSslReason();
        }
        ERR_clear_error();
        SSL_free(tls);
        return false;
    }
    m_tls = tls;
    m_context = context;
    m_notified = false;
    return true;
}

bool TlsLink::resumed() const {
    return m_tls != nullptr && SSL_session_reused(m_tls) == 1;
}

bool TlsLink::holdsBytes() const {
    return m_tls != nullptr && SSL_pending(m_tls) > 0;
}

ssize_t TlsLink::receive(ACE_HANDLE handle, char* buffer, std::size_t size,
                         std::chrono::milliseconds limit, StopFlag stop, WaitResult& result) {
    if (m_tls == nullptr)
        return receiveWithin(handle, buffer, size, limit, stop, result);
    const auto deadline = Clock::now() + limit;
    for (;;) {
        ERR_clear_error();
        // Read first: OpenSSL may hold decrypted bytes the socket no longer signals.
        const int n = SSL_read(m_tls, buffer, static_cast<int>(size));
        if (n > 0)
            return n;
        if (SSL_get_error(m_tls, n) == SSL_ERROR_ZERO_RETURN)
            return 0;
        result = waitFor(m_tls, n, handle, deadline, stop);
        if (result != WaitResult::kReady) {
            ERR_clear_error();
            return -1;
        }
    }
}

ssize_t TlsLink::send(ACE_HANDLE handle, const char* buffer, std::size_t size,
                      std::chrono::milliseconds limit, StopFlag stop, WaitResult& result) {
    if (m_tls == nullptr)
        return sendWithin(handle, buffer, size, limit, stop, result);
    const auto deadline = Clock::now() + limit;
    for (;;) {
        ERR_clear_error();
        const int n = SSL_write(m_tls, buffer, static_cast<int>(size));
        if (n > 0)
            return n;
        result = waitFor(m_tls, n, handle, deadline, stop);
        if (result != WaitResult::kReady) {
            ERR_clear_error();
            return -1;
        }
    }
}

void TlsLink::closeNotify() {
    if (m_tls == nullptr || m_notified)
        return;
    m_notified = true;
    ERR_clear_error();
    SSL_shutdown(m_tls);
    ERR_clear_error();
}

void TlsLink::reset() {
    if (m_tls == nullptr)
        return;
    SSL_free(m_tls);
    m_tls = nullptr;
    m_context.reset();
}

}  // namespace nubexa
