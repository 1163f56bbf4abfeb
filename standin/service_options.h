#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "standin/ftp/ftp_settings.h"
#include "standin/service_log.h"
#include "standin/util/tls_certificates.h"

namespace nubexa::standin {

struct ServiceOptions {
    std::string dataFolder;  // created when missing
    std::string httpHost = "127.0.0.1";
    int httpPort = 18080;  // 0: any free port
    FtpSettings ftp;       // ftp.port 0: any free port
    bool seedDemo = false;
    // The host name put into addresses handed out (links, notices, the file server's host);
    // empty: the host the server listens on, or 127.0.0.1 when that is a wildcard.
    std::string publicHost;
    ServiceLog::Sink logSink;  // empty: standard error
    // HTTPS and FTP over TLS with these files; no certificate: clear text only. With
    // tlsSelfSigned the files are made under the data folder (see ensureSelfSigned).
    TlsFiles tls;
    bool tlsSelfSigned = false;
    // Uploads nobody continued for this long are removed, at start and every prune interval.
    std::chrono::seconds stagingMaxAge{std::chrono::hours(24 * 7)};
    std::chrono::milliseconds stagingPruneInterval{std::chrono::hours(1)};
    // For tests of what a failing service does to a client: asked before each web operation
    // (its path) is answered; true answers it with 503 and does nothing, as a service that
    // failed. Called on the server's threads. Empty: every operation is answered.
    std::function<bool(const std::string& path)> failOperation;
    // New uploads are refused while the data folder's disk has less than this available.
    std::int64_t minFreeDisk = 256LL << 20;
    // Every web request is answered within this (or fails, logged); no step of the file
    // server waits longer for the database.
    std::chrono::milliseconds requestTimeLimit{std::chrono::seconds(10)};
};

// "HOST:PORT" or "[v6]:PORT"; port 0 to 65535.
bool parseEndpoint(const std::string& text, std::string& host, int& port, std::string& error);
// "LOW-HIGH", 1 <= LOW <= HIGH <= 65535.
bool parsePortRange(const std::string& text, int& low, int& high, std::string& error);

}  // namespace nubexa::standin
