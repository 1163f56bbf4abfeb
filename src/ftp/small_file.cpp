#include "ftp/small_file.h"

#include "ftp/ftp_client.h"
#include "ftp/read_run.h"

namespace nubexa {

SmallFile fetchSmallFile(FTPClient& client, const std::string& remoteName, std::int64_t limit,
                         bool headIsEnough) {
    SmallFile file;
    // One byte past the limit tells a file of exactly the limit from a larger one.
    const ReadResult read =
        client.Read({remoteName, 0, limit + 1}, [&](const char* data, std::size_t size) {
            file.bytes.append(data, size);
            return true;
        });
    file.reply = read.reply;
    switch (read.end) {
        case ReadResult::End::kWhole:
            file.outcome = SmallFile::Outcome::kFetched;
            return file;
        case ReadResult::End::kLengthReached:
            if (headIsEnough) {
                file.bytes.resize(static_cast<std::size_t>(limit));
                file.cut = true;
                file.outcome = SmallFile::Outcome::kFetched;
                return file;
            }
            file.outcome = SmallFile::Outcome::kTooLarge;
            break;
        case ReadResult::End::kRefused:
            file.outcome = SmallFile::Outcome::kMissing;
            break;
        case ReadResult::End::kStopped:
            file.outcome = SmallFile::Outcome::kStopped;
            break;
        case ReadResult::End::kFailed:
            file.outcome = SmallFile::Outcome::kFailed;
            break;
    }
    file.bytes.clear();
    return file;
}

}  // namespace nubexa
