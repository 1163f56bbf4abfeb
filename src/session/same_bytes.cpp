#include "session/same_bytes.h"

#include <cstring>
#include <fstream>
#include <vector>

#include "ftp/ftp_client.h"
#include "ftp/read_run.h"
#include "transfer/signed_in_client.h"

namespace nubexa {

SameBytes compareWithDisk(SignedInClient& signedIn, const std::string& remoteName,
                          const std::string& localFile, std::int64_t size) {
    std::ifstream local(localFile, std::ios::binary);
    if (!local)
        return SameBytes::kUnknown;
    std::string problem;
    FTPClient* client = size > 0 ? signedIn.get(problem) : nullptr;
    if (size > 0 && client == nullptr)
        return SameBytes::kUnknown;
    bool differs = false;
    std::vector<char> mine;
    const ReadResult read =
        size > 0 ? client->Read({remoteName, 0, size},
                                [&](const char* data, std::size_t length) {
                                    mine.resize(length);
                                    differs = !local.read(mine.data(),
                                                          static_cast<std::streamsize>(length)) ||
                                              std::memcmp(mine.data(), data, length) != 0;
                                    return !differs;
                                })
                 : ReadResult{ReadResult::End::kWhole, 0, {}};
    if (differs)
        return SameBytes::kDifferent;
    const bool whole =
        read.end == ReadResult::End::kWhole || read.end == ReadResult::End::kLengthReached;
    if (!whole) {
        signedIn.drop();
        return SameBytes::kUnknown;
    }
    if (read.bytes != size)
        return SameBytes::kDifferent;  // the disk's ended early
    // The local file may have grown since the scan; then it is not the same.
    return local.peek() == std::char_traits<char>::eof() ? SameBytes::kSame : SameBytes::kDifferent;
}

}  // namespace nubexa
