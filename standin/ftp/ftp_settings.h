#pragma once

#include <memory>
#include <string>

namespace nubexa::standin {

class TlsServerContext;

struct FtpSettings {
    std::string host = "127.0.0.1";
    int port = 18021;
    int passiveLow = 0;  // 0: passive listeners take any free port
    int passiveHigh = 0;
    int idleTimeoutMs = 300000;   // waiting for the next command
    int signInTimeoutMs = 30000;  // from connecting to a successful sign-in, whatever is sent
    int maxSessionsPerAddress = 32;
    int dataTimeoutMs = 30000;   // waiting for a data connection or for data to move
    int replyTimeoutMs = 30000;  // sending a reply
    int maxSessions = 100;
    int maxFailedLogins = 3;
    // Offered to clients that ask (AUTH TLS, PBSZ, PROT); null: clear text only.
    std::shared_ptr<const TlsServerContext> tls;
};

}  // namespace nubexa::standin
