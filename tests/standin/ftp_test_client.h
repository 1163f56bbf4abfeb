#pragma once

#include <string>
#include <vector>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_session_st SSL_SESSION;

namespace nubexa::test {

struct ProcessResult {
    int exitCode = -1;
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs a program (curl) with a time limit; killed when it runs over.
ProcessResult runProcess(const std::vector<std::string>& argv, int timeoutMs = 60000);

// A scripted FTP client on plain sockets, for the exact command sequences of the Nubexa
// client and for clients that vanish mid-transfer. Every receive has a 10-second limit.
// Connections may come from any loopback address (`source`), and may be secured with TLS.
class FtpTestClient {
public:
    FtpTestClient() = default;
    ~FtpTestClient();
    FtpTestClient(const FtpTestClient&) = delete;
    FtpTestClient& operator=(const FtpTestClient&) = delete;

    // Connects and reads the greeting; its code.
    int connect(int port, const std::string& source = "127.0.0.1");
    // Sends one command line and reads one whole reply (multi-line replies included).
    std::string command(const std::string& line);
    std::string readReply();
    bool login(const std::string& user, const std::string& password);

    // AUTH TLS and the handshake on the control connection (the peer is not verified).
    bool secureControl(SSL_CTX* context);
    // A TLS handshake on the data connection, resuming `session` when given (the control
    // connection's, for a client that behaves; any other for one that does not).
    bool secureData(SSL_CTX* context, SSL_SESSION* session);
    // The control connection's current session, to resume (owned by the caller).
    SSL_SESSION* controlSession() const;
    // Whether the data connection's handshake resumed the session it was given.
    bool dataResumed() const;

    // PASV (or EPSV) and connect the data socket.
    bool openData(bool extended = false);
    // PASV, and the data port it names, without connecting.
    int passivePort();
    // Connects the data socket to `port`.
    bool connectData(int port);
    bool sendData(const std::string& bytes);
    // Closes the data socket; with reset the peer sees a connection reset.
    void closeData(bool reset = false);
    std::string receiveData();
    void closeControl(bool reset = false);

    static int codeOf(const std::string& reply);

private:
    long controlReceive(char* buffer, std::size_t size);
    bool controlSend(const std::string& bytes);

    int m_control = -1;
    int m_data = -1;
    int m_port = 0;
    std::string m_source = "127.0.0.1";
    std::string m_buffer;
    SSL* m_controlTls = nullptr;
    SSL* m_dataTls = nullptr;
};

}  // namespace nubexa::test
