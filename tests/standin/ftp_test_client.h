#pragma once

#include <string>
#include <vector>

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
class FtpTestClient {
public:
    FtpTestClient() = default;
    ~FtpTestClient();
    FtpTestClient(const FtpTestClient&) = delete;
    FtpTestClient& operator=(const FtpTestClient&) = delete;

    // Connects and reads the greeting; its code.
    int connect(int port);
    // Sends one command line and reads one whole reply (multi-line replies included).
    std::string command(const std::string& line);
    std::string readReply();
    bool login(const std::string& user, const std::string& password);

    // PASV (or EPSV) and connect the data socket.
    bool openData(bool extended = false);
    bool sendData(const std::string& bytes);
    // Closes the data socket; with reset the peer sees a connection reset.
    void closeData(bool reset = false);
    std::string receiveData();
    void closeControl(bool reset = false);

    static int codeOf(const std::string& reply);

private:
    int m_control = -1;
    int m_data = -1;
    int m_port = 0;
    std::string m_buffer;
};

}  // namespace nubexa::test
