#include "service/common.h"

#include "platform/md5_digest.h"

#include <cstdio>
#include <ctime>

namespace nubexa {

std::string Common::digest(std::string_view text) {
    Md5Digest digest;
    digest.update(text.data(), text.size());
    return digest.hexUpper();
}

std::string Common::localTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%d-%d-%d %d:%d:%d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

}  // namespace nubexa
