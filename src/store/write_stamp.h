#pragma once

#include <cstdint>

namespace nubexa {

// A moment in the life of the database file as one connection sees it. Two equal stamps taken
// on a connection mean that nothing was written to the file in between, by this connection or
// by any other; a connection opened anew never repeats an earlier connection's stamps.
struct WriteStamp {
    std::uint64_t connection = 0;
    std::int64_t ownChanges = 0;
    std::int64_t othersVersion = 0;
    bool operator==(const WriteStamp&) const = default;
};

}  // namespace nubexa
