#include "cli/rate_text.h"

#include <cctype>

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

}  // namespace nubexa::cli
