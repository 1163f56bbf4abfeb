#pragma once

#include <cstdint>
#include <string>

#include "store/direction.h"

namespace nubexa {

class Notifier;

// How a plain FTP transfer protects its connection: explicit TLS (AUTH TLS) required or tried,
// or implicit TLS (ftps://).
enum class PlainFtpSecurity { kClear, kTlsIfOffered, kTlsRequired, kImplicitTls };

// One file between this machine and any FTP server (nubexa-cli's "ftp get" and "ftp put").
struct PlainFtpRequest {
    Direction direction = Direction::kDownload;
    std::string host;
    int port = 21;
    std::string user;
    std::string password;
    std::string directory;               // the server's folder; empty: where the sign-in lands
    std::string fileName;                // the file's name in it
    std::string owner;                   // the server as the row names it ("user@host:port")
    std::string localFile;               // absolute; its folder exists
    std::int64_t maxBytesPerSecond = 0;  // 0: no limit
    int connections = 1;                 // a big download's connections at once
    PlainFtpSecurity security = PlainFtpSecurity::kClear;
    std::string caFile;  // empty: the system's authorities
    bool trace = false;  // the FTP dialogue into the log
    // bin.db, where the task row lets the same transfer continue after an interruption.
    std::string databasePath;
};

struct PlainFtpProgress {
    int percent = 0;
    std::int64_t done = 0;
    std::int64_t fileSize = 0;
    std::int64_t speedKBps = 0;
};

// Hears a transfer as it goes, on the transferring thread.
class PlainFtpListener {
public:
    virtual ~PlainFtpListener() = default;
    virtual void progress(const PlainFtpProgress& now) = 0;
    // The server refused encryption (--ssl) and the password went in clear text.
    virtual void signedInClear() = 0;
};

// How a download's data disagreed with the size that bound it.
struct PlainFtpSizeProblem {
    enum class Bound { kListed, kSizeAnswer, kLimit };
    bool shorter = false;  // the data ended early; else it ran past the bound
    Bound bound = Bound::kListed;
    std::int64_t expected = 0;
    std::int64_t received = 0;
};

// What the transfer cost.
struct PlainFtpStats {
    std::int64_t bytes = 0;
    double seconds = 0;
    double firstByteMs = -1;  // none moved: -1
    int progressWrites = 0;
    double progressMs = 0;
};

struct PlainFtpResult {
    enum class Outcome {
        kDone,
        kInsecure,       // the sign-in: TLS could not be had as asked (securityProblem)
        kUnreachable,    // the sign-in: no server answered
        kSignInRefused,  // the sign-in: the server said no (reply)
        kNoFolder,       // no such folder on the server
        kLocalExists,    // a download onto a local file that is not an unfinished one of ours
        kSizeProblem,    // sizeProblem
        kNoSuchFile,     // a download of a file the server does not have
        kRefused,        // the server refused the transfer (reply)
        kUnfinished,     // ended early: the same transfer continues it
        kStopped,        // its task row was paused or deleted meanwhile
    };
    Outcome outcome = Outcome::kDone;
    std::string reply;  // the server's last reply
    std::string securityProblem;
    PlainFtpSizeProblem sizeProblem;
    // An upload the server keeps aside ("staged") rather than in its listing.
    bool staged = false;
    PlainFtpStats stats;

    bool ok() const { return outcome == Outcome::kDone; }
};

// Signs in, transfers the file with a task row that survives an interruption, signs out; the
// engine's messages for the user go to `notifier`. Blocking, on the calling thread.
PlainFtpResult transferPlainFtp(const PlainFtpRequest& request, PlainFtpListener& listener,
                                Notifier& notifier);

}  // namespace nubexa
