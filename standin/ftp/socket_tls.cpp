// The TLS half of Socket: handshake, protected sends and receives, close_notify. The socket
// stays non-blocking; every OpenSSL call that wants the network waits through Socket::wait,
// so TLS keeps the time limits and the stop signal of clear connections.
#include "standin/ftp/socket_tls.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <string>

#include "standin/ftp/socket_io.h"
#include "standin/util/tls_certificates.h"

namespace nubexa::standin {

namespace {

using Clock = std::chrono::steady_clock;

// A ticket made on a connection carries the tie of the connection that made its session (its
// SSL's app data). A resumed session keeps the tie it came with: tickets handed out on a data
// connection must not make a session resumed from elsewhere look like its own.
int onNewTicket(SSL* tls, void*) {
    const auto* tie = static_cast<const std::string*>(SSL_get_app_data(tls));
    SSL_SESSION* session = SSL_get_session(tls);
    void* kept = nullptr;
    std::size_t keptSize = 0;
    if (tie != nullptr && session != nullptr &&
        (SSL_SESSION_get0_ticket_appdata(session, &kept, &keptSize) != 1 || keptSize == 0))
        SSL_SESSION_set1_ticket_appdata(session, tie->data(), tie->size());
    return 1;
}

}  // namespace

std::shared_ptr<const TlsServerContext> TlsServerContext::load(const std::string& certificate,
                                                               const std::string& key,
                                                               std::string& error) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (context == nullptr) {
        error = openSslError("TLS");
        return nullptr;
    }
    std::shared_ptr<const TlsServerContext> result(new TlsServerContext(context));
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    // Clients that end an upload without close_notify (many do) end it as in clear text; the
    // upload's digest, not the TLS ending, decides whether the bytes are whole.
    SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    static const unsigned char kSessionContext[] = "nubexa-ftp";
    SSL_CTX_set_session_id_context(context, kSessionContext, sizeof kSessionContext - 1);
    SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_SERVER);
    SSL_CTX_set_session_ticket_cb(context, onNewTicket, nullptr, nullptr);
    if (SSL_CTX_use_certificate_chain_file(context, certificate.c_str()) != 1) {
        error = openSslError("cannot use the certificate " + certificate);
        return nullptr;
    }
    if (SSL_CTX_use_PrivateKey_file(context, key.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(context) != 1) {
        error = openSslError("cannot use the key " + key);
        return nullptr;
    }
    return result;
}

TlsServerContext::~TlsServerContext() {
    SSL_CTX_free(m_context);
}

IoResult Socket::startTls(const TlsServerContext& context, int timeoutMs, const StopSignal& stop,
                          const std::string* tie) {
    if (m_fd < 0 || m_tls != nullptr)
        return IoResult::Failed;
    SSL* tls = SSL_new(context.get());
    if (tls == nullptr || SSL_set_fd(tls, m_fd) != 1) {
        SSL_free(tls);
        return IoResult::Failed;
    }
    SSL_set_app_data(tls, const_cast<std::string*>(tie));
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        ERR_clear_error();
        const int done = SSL_accept(tls);
        if (done == 1)
            break;
        const int why = SSL_get_error(tls, done);
        IoResult ready = IoResult::Failed;
        if (why == SSL_ERROR_WANT_READ)
            ready = wait(POLLIN, remainingMs(deadline), stop);
        else if (why == SSL_ERROR_WANT_WRITE)
            ready = wait(POLLOUT, remainingMs(deadline), stop);
        if (ready != IoResult::Done) {
            ERR_clear_error();
            SSL_free(tls);
            return ready;
        }
    }
    // Sessions resumed by their id (TLS 1.2 without tickets) are this very object.
    if (tie != nullptr && SSL_session_reused(tls) != 1)
        SSL_SESSION_set1_ticket_appdata(SSL_get_session(tls), tie->data(), tie->size());
    m_tls = tls;
    return IoResult::Done;
}

bool Socket::resumedWith(const std::string& tie) const {
    if (m_tls == nullptr || SSL_session_reused(m_tls) != 1 || tie.empty())
        return false;
    void* data = nullptr;
    std::size_t size = 0;
    SSL_SESSION* session = SSL_get_session(m_tls);
    return session != nullptr && SSL_SESSION_get0_ticket_appdata(session, &data, &size) == 1 &&
           size == tie.size() && CRYPTO_memcmp(data, tie.data(), size) == 0;
}

IoResult Socket::sendSecured(const char* data, std::size_t size, int timeoutMs,
                             const StopSignal& stop) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t sent = 0;
    while (sent < size) {
        ERR_clear_error();
        const int n = SSL_write(m_tls, data + sent, static_cast<int>(size - sent));
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        const int why = SSL_get_error(m_tls, n);
        IoResult ready = IoResult::Closed;
        if (why == SSL_ERROR_WANT_WRITE)
            ready = wait(POLLOUT, remainingMs(deadline), stop);
        else if (why == SSL_ERROR_WANT_READ)
            ready = wait(POLLIN, remainingMs(deadline), stop);
        if (ready != IoResult::Done) {
            ERR_clear_error();
            return ready;
        }
    }
    return IoResult::Done;
}

IoResult Socket::receiveSecured(char* buffer, std::size_t capacity, std::size_t& got, int timeoutMs,
                                const StopSignal& stop) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        // Read first: OpenSSL may hold decrypted bytes the socket no longer signals.
        ERR_clear_error();
        const int n = SSL_read(m_tls, buffer, static_cast<int>(capacity));
        if (n > 0) {
            got = static_cast<std::size_t>(n);
            return IoResult::Done;
        }
        const int why = SSL_get_error(m_tls, n);
        IoResult ready = IoResult::Failed;
        if (why == SSL_ERROR_WANT_READ) {
            ready = wait(POLLIN, remainingMs(deadline), stop);
        } else if (why == SSL_ERROR_WANT_WRITE) {
            ready = wait(POLLOUT, remainingMs(deadline), stop);
        } else {
            // close_notify, or (see SSL_OP_IGNORE_UNEXPECTED_EOF) a peer that just hung up.
            ERR_clear_error();
            return why == SSL_ERROR_ZERO_RETURN ? IoResult::Closed : IoResult::Failed;
        }
        if (ready != IoResult::Done) {
            ERR_clear_error();
            return ready;
        }
    }
}

void Socket::closeWriting() {
    if (m_tls != nullptr) {
        ERR_clear_error();
        SSL_shutdown(m_tls);
    }
    if (m_fd >= 0)
        ::shutdown(m_fd, SHUT_WR);
}

void Socket::endTls() {
    if (m_tls == nullptr)
        return;
    // One try at close_notify; a peer that is gone does not hold the thread.
    ERR_clear_error();
    SSL_shutdown(m_tls);
    ERR_clear_error();
    SSL_free(m_tls);
    m_tls = nullptr;
}

}  // namespace nubexa::standin
