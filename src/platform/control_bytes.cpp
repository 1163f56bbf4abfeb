#include "platform/control_bytes.h"

namespace nubexa {

namespace {

void appendEscaped(std::string& out, unsigned char c) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 0x0F]);
}

}  // namespace

std::string escapeControlBytes(std::string_view text, bool keepLineEnds) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool lineEnd =
            c == '\n' || c == '\t' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
        if (keepLineEnds && lineEnd) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x20 || c == 0x7F) {
            appendEscaped(out, c);
        } else if (c == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            appendEscaped(out, c);
            appendEscaped(out, static_cast<unsigned char>(text[++i]));
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

}  // namespace nubexa
