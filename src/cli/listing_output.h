#pragma once

#include <cstdint>
#include <string>

#include "cli/remote_disk.h"

namespace nubexa::cli {

struct ListingFormat {
    bool bytes = false;  // sizes as whole numbers of bytes
    bool json = false;   // one JSON array instead of tab-separated lines
};

// A listing as "ls" prints it: one entry a line, tab-separated (name, folders ending in "/";
// size; time; "id=N"), or a JSON array of objects with the same fields.
std::string listingText(const RemoteDisk::Listing& listing, const ListingFormat& format);

// A size as the service writes it ("1048576"), in bytes; 0 when it is none.
std::int64_t bytesOf(const std::string& size);

// The service's "YYYY-MM-DD HH:MM:SS" (local time) in ISO 8601 with its offset; any other text
// as it came.
std::string isoTime(const std::string& serviceTime);

}  // namespace nubexa::cli
