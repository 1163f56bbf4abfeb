#pragma once

#include <string_view>

namespace tinyxml2 {
class XMLDocument;
}
namespace pugi {
class xml_document;
}

namespace nubexa {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF). TinyXML-2 copies bytes through unchecked, so answers are checked before parsing.
bool isValidUtf8(std::string_view text);

// Parses `text` into `document`; false (document empty) when the text is not valid UTF-8 or
// not a well-formed XML document.
bool parseDocument(tinyxml2::XMLDocument& document, std::string_view text);

// The same for answers of thousands of elements (listings): pugixml reads them in about a
// fifth of TinyXML-2's work. Entities are the predefined and numeric ones only, as with
// TinyXML-2, and white space inside attribute values is kept.
bool parseDocument(pugi::xml_document& document, std::string_view text);

}  // namespace nubexa
