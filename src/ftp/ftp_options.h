#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ftp/rate_limiter.h"

namespace nubexa {

class EncryptedHosts;
class ExtraConnections;
// The memory of encrypted file servers of the data folder `dataFolder`.
std::shared_ptr<EncryptedHosts> encryptedHostsIn(const std::string& dataFolder);

// How the FTP engine times, paces and reports a transfer. Free of the socket library, so that
// front ends can include it.
struct FtpTimeLimits {
    std::chrono::milliseconds connect{3000};    // control and data connections
    std::chrono::milliseconds reply{10000};     // one whole reply
    std::chrono::milliseconds dataIdle{60000};  // no byte moved on the data connection
};

// How the connections are protected. Explicit TLS (RFC 4217) asks with AUTH TLS after the
// greeting, then PBSZ 0 and PROT P after sign-in; implicit TLS (ftps://) starts the handshake
// at connect. Certificates are always verified, against `caFile` (PEM) or the system's store,
// and must name the host the client was given.
enum class FtpSecurity {
    kClear,
    // Clear text only when the server answers AUTH with 5xx (FTPClient::signedInClear() then
    // says so), and never with a server that signed in over TLS before (encryptedHosts).
    kTlsIfOffered,
    kTlsRequired,  // never clear text
    kImplicitTls,
};

struct FtpTlsOptions {
    FtpSecurity security = FtpSecurity::kClear;
    std::string caFile;
    // Where the servers that were encrypted before are remembered; null: nowhere.
    std::shared_ptr<EncryptedHosts> encryptedHosts{};
};

// When a download is split into byte ranges fetched over several connections at once
// (FTPClient::setDownloadConnections): a file of at least `threshold` bytes, in ranges of at
// least `smallest` bytes. Below, one connection is as fast: setting up another costs more
// round trips than its share of the file saves.
struct FtpRangeOptions {
    std::int64_t threshold = std::int64_t{32} << 20;
    std::int64_t smallest = std::int64_t{4} << 20;
    // A new download runs as one stream for `probe` first: a line that one connection fills is
    // not split (more connections only cost their sign-ins). The rest goes to ranges when one
    // stream would take longer than `worth` for it. 0: ranges from the start.
    std::chrono::milliseconds probe{1000};
    std::chrono::milliseconds worth{2000};
};

struct FtpOptions {
    FtpTimeLimits limits;
    FtpTlsOptions tls;
    // Progress is written at this pace while bytes move, and the row's status read back.
    std::chrono::milliseconds progressInterval{200};
    // Longest wait of one data receive or send before the status is looked at again.
    std::chrono::milliseconds dataTick{100};
    std::size_t blockSize = 256 * 1024;
    std::int64_t maxBytesPerSecond = 0;  // each run on its own; 0: as fast as the line goes
    FtpRangeOptions ranges;
    // A download of unknown size (listed as 0 or less, and SIZE not answered) takes at most
    // this many bytes: a server cannot fill the disk with an endless file.
    std::int64_t unknownSizeLimit = std::int64_t{16} << 30;
    // The limits every run of one direction shares (the user's speed limits); null: none.
    std::shared_ptr<RateLimiter> uploadLimit;
    std::shared_ptr<RateLimiter> downloadLimit;
    // Set by the owner of every transfer thread to end them all (shutdown, Ctrl-C): a run
    // looks at it wherever it reads the row's status back and stops as if paused, without
    // writing the row, so that the task resumes later. Null: never.
    const std::atomic<bool>* stopRequest = nullptr;
    // Asked before a download opens a connection beside its own (a byte range more at once);
    // null: as many as FTPClient::setDownloadConnections allows.
    ExtraConnections* extraConnections = nullptr;
    // Receives every command sent (the password masked) and every reply; the process's log
    // (standard output unless a front end chose another sink) by default, nowhere when empty.
    std::function<void(const std::string&)> trace = traceToLog;

    static void traceToLog(const std::string& text);
};

}  // namespace nubexa
