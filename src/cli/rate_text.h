#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace nubexa::cli {

// "500K", "2M", "1G" or plain bytes per second (--limit-rate); 0 when empty, nothing when
// malformed.
std::optional<std::int64_t> parseRate(const std::string& text);

}  // namespace nubexa::cli
