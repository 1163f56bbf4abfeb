#pragma once

namespace nubexa {

// Direction of a transfer, in the queue, the FTP engine and the pages: ran_type 1 and 2 of a
// task row.
enum class Direction { kUpload, kDownload };

// The ran_type of a task row of that direction.
constexpr int ranTypeOf(Direction direction) {
    return direction == Direction::kUpload ? 1 : 2;
}

}  // namespace nubexa
