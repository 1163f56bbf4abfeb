#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace nubexa::cli {

// "500K", "2M", "1G" or plain bytes per second (--limit-rate); 0 when empty, nothing when
// malformed.
std::optional<std::int64_t> parseRate(const std::string& text);

// Bytes in the binary units they are computed in: "512 B", "1.5 KiB", "20.0 MiB".
std::string byteText(double bytes);

// A speed in the one unit every command shows: byteText per second.
std::string speedText(std::int64_t kibPerSecond);

}  // namespace nubexa::cli
