#pragma once

#include <cstdint>
#include <string>

namespace nubexa {

class SignedInClient;

enum class SameBytes {
    kSame,
    kDifferent,
    kUnknown,  // not compared to the end: no connection, a read cut off, the local file unreadable
};

// Whether the disk file `remoteName` (its id and extension) holds the `size` bytes of
// `localFile`: read from the file server and compared as it comes, the first difference ending
// the read. A failed read drops `signedIn`'s connection, a finished one keeps it for the next.
SameBytes compareWithDisk(SignedInClient& signedIn, const std::string& remoteName,
                          const std::string& localFile, std::int64_t size);

}  // namespace nubexa
