#pragma once

#include <cstdint>
#include <string>

namespace nubexa {

class FTPClient;

// A whole remote file in memory, when it is no larger than a limit: a picture to show.
struct SmallFile {
    enum class Outcome {
        kFetched,
        kTooLarge,  // the server had more than the limit to send: nothing is kept
        kMissing,   // the server refused the file (reply says how)
        kFailed,    // no answer, a lost connection, data cut short
        kStopped,
    };
    Outcome outcome = Outcome::kFailed;
    std::string bytes;  // the whole file when fetched (its head when cut), else empty
    bool cut = false;   // fetched with `headIsEnough`: the file is longer than `bytes`
    std::string reply;

    bool ok() const { return outcome == Outcome::kFetched; }
};

// Reads `remoteName` on a signed-in client; at most `limit` + 1 bytes are ever held. A file
// larger than `limit` is kTooLarge, or with `headIsEnough` its first `limit` bytes, cut.
SmallFile fetchSmallFile(FTPClient& client, const std::string& remoteName, std::int64_t limit,
                         bool headIsEnough = false);

}  // namespace nubexa
