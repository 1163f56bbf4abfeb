#include "cli/rate_text.h"

#include <cctype>
#include <cstdio>

namespace nubexa::cli {

std::optional<std::int64_t> parseRate(const std::string& text) {
    if (text.empty())
        return 0;
    std::size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits])))
        ++digits;
    if (digits == 0 || digits > 12 || text.size() - digits > 1)
        return std::nullopt;
    std::int64_t rate = std::stoll(text.substr(0, digits));
    if (digits < text.size()) {
        switch (std::toupper(static_cast<unsigned char>(text[digits]))) {
            case 'K':
                rate *= 1024;
                break;
            case 'M':
                rate *= 1024 * 1024;
                break;
            case 'G':
                rate *= 1024LL * 1024 * 1024;
                break;
            default:
                return std::nullopt;
        }
    }
    return rate;
}

std::string byteText(double bytes) {
    static constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, kUnits[unit]);
    return text;
}

std::string speedText(std::int64_t kibPerSecond) {
    return byteText(static_cast<double>(kibPerSecond) * 1024) + "/s";
}

}  // namespace nubexa::cli
