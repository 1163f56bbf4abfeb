#include "service/common.h"

#include <openssl/evp.h>

#include <cstdio>
#include <ctime>

namespace nubexa {

std::string Common::digest(std::string_view text) {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), md, &length, EVP_md5(), nullptr) != 1)
        return {};
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(kHex[md[i] >> 4]);
        hex.push_back(kHex[md[i] & 0x0F]);
    }
    return hex;
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
