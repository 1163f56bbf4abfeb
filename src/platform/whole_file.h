#pragma once

#include <string>
#include <string_view>

namespace nubexa {

// Writes `bytes` under `temporary` (beside `path`), then renames it to `path`: whoever opens
// `path`, a killed process included, finds the old file or the whole new one, never a part.
// False when it failed; `path` is unchanged then and `temporary` removed.
bool writeFileWhole(const std::string& path, const std::string& temporary, std::string_view bytes);

}  // namespace nubexa
