#include "platform/local_time.h"

namespace nubexa {

std::string localTimeText(const char* format, std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, format, &local);
    return std::string(text, length);
}

}  // namespace nubexa
