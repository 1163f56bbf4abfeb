#pragma once

#include <ctime>
#include <string>

namespace nubexa {

// `when` in the local time zone, as strftime writes it with `format` (at most 63 bytes).
std::string localTimeText(const char* format, std::time_t when = std::time(nullptr));

}  // namespace nubexa
