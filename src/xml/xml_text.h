#pragma once

#include <string_view>

namespace tinyxml2 {
class XMLDocument;
}

namespace nubexa {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF). TinyXML-2 copies bytes through unchecked, so answers are checked before parsing.
bool isValidUtf8(std::string_view text);

// Parses `text` into `document`; false (document empty) when the text is not valid UTF-8 or
// not a well-formed XML document.
bool parseDocument(tinyxml2::XMLDocument& document, std::string_view text);

}  // namespace nubexa
