#pragma once

#include <cstdint>
#include <string>

namespace nubexa {

// A file of the file server read whole into memory, when it is no larger than `limit`.
struct RemoteFileRequest {
    std::string tag;         // the caller's name for it, given back with the result
    std::string remoteName;  // the stored file's name: its id and extension
    std::int64_t limit = 0;
    // A larger file is read up to `limit` and given cut rather than refused (a text shown in
    // part).
    bool headIsEnough = false;
    // Where it lies: empty for the user's disk files, "//" for the account pictures.
    std::string folder{};
};

struct RemoteFileResult {
    enum class Outcome { kFetched, kTooLarge, kMissing, kFailed, kStopped };
    std::string tag;
    Outcome outcome = Outcome::kFailed;
    std::string bytes;    // the whole file when fetched (its first `limit` bytes when cut)
    bool cut = false;     // the file goes on past `bytes`
    std::string problem;  // why not, in words for a log (the server's reply, the sign-in)
};

// Hears each fetched (or failed) file, on a fetch thread.
class RemoteFileListener {
public:
    virtual ~RemoteFileListener() = default;
    virtual void remoteFileFetched(const RemoteFileResult& result) = 0;
};

}  // namespace nubexa
