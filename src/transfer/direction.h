#pragma once

namespace nubexa {

// Direction of a transfer: ran_type 1 and 2 of a task row.
enum class Direction { kUpload, kDownload };

}  // namespace nubexa
