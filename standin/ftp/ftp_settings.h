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
    int signInTimeoutMs = 10000;  // from connecting to a successful sign-in, whatever is sent
    int dataTimeoutMs = 30000;    // waiting for a data connection or for data to move
    int replyTimeoutMs = 30000;   // sending a reply
    // Signed-in sessions, and those of one address.
    int maxSessions = 100;
    int maxSessionsPerAddress = 32;
    // Connections that have not signed in yet are counted apart, so they never take a
    // signed-in session's place. When they are this many (or this many from one address), the
    // one that has waited longest (of the address with the most) gives way to a new one.
    int maxWaiting = 64;
    int maxWaitingPerAddress = 32;
    int maxFailedLogins = 3;
    // Offered to clients that ask (AUTH TLS, PBSZ, PROT); null: clear text only.
    std::shared_ptr<const TlsServerContext> tls;
};

}  // namespace nubexa::standin
