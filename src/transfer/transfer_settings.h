#pragma once

#include <chrono>
#include <string>

#include "ftp/ftp_options.h"
#include "transfer/failure_backoff.h"
#include "transfer/login_backoff.h"

namespace nubexa {

// How a session's transfers run: pace, limits, back-offs. A plain value the front ends fill in.
struct TransferSettings {
    std::string programFolder;  // where "image/userFile/" keeps the avatar (ends with '/')
    FtpOptions ftp;             // its stopRequest is replaced by the manager's own
    LoginBackoff::Limits backoff;
    // false: queued tasks only wait (status 2) for a monitor to start them; the command-line
    // companion queues in one process and transfers in another.
    bool startAtOnce = true;
    // A task whose transfer fails again and again waits with a growing back-off instead of
    // being started again at once.
    FailureBackoff::Limits failing;
    // How long a pool made smaller by a server's "too many connections" stays so before it
    // takes one more connection again.
    std::chrono::milliseconds poolHold{std::chrono::seconds(30)};
    // How long starting holds back after bin.db refused a scheduling write.
    std::chrono::milliseconds storeRetry{std::chrono::seconds(30)};
};

}  // namespace nubexa
