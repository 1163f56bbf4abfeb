#include "xml/xml_text.h"

#include <cstdint>
#include <cstring>

#include <tinyxml2.h>
#include <pugixml.hpp>

namespace nubexa {

bool isValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        // Eight ASCII bytes at a time: answers are mostly ASCII markup.
        std::uint64_t word = 0;
        if (size - i >= sizeof word) {
            std::memcpy(&word, bytes + i, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += sizeof word;
                continue;
            }
        }
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                low = 0xA0;  // overlong
            if (lead == 0xED)
                high = 0x9F;  // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                low = 0x90;  // overlong
            if (lead == 0xF4)
                high = 0x8F;  // above U+10FFFF
        } else {
            return false;
        }
        if (size - i < length)
            return false;
        if (bytes[i + 1] < low || bytes[i + 1] > high)
            return false;
        for (std::size_t k = 2; k < length; ++k) {
            if (bytes[i + k] < 0x80 || bytes[i + k] > 0xBF)
                return false;
        }
        i += length;
    }
    return true;
}

bool parseDocument(tinyxml2::XMLDocument& document, std::string_view text) {
    document.Clear();
    if (!isValidUtf8(text))
        return false;
    if (document.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
        document.Clear();
        return false;
    }
    return document.RootElement() != nullptr;
}

bool parseDocument(pugi::xml_document& document, std::string_view text) {
    document.reset();
    if (!isValidUtf8(text))
        return false;
    constexpr unsigned kOptions = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol;
    if (!document.load_buffer(text.data(), text.size(), kOptions, pugi::encoding_utf8)) {
        document.reset();
        return false;
    }
    return static_cast<bool>(document.document_element());
}

}  // namespace nubexa
