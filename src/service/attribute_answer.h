#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <tinyxml2.h>

namespace nubexa {

// An answer read by attributes: root = the document's first element, then named children of
// the root and their attributes. Success is judged strictly: "result" must exist and its text
// must be exactly "1".
class AttributeAnswer {
public:
    AttributeAnswer() = default;
    AttributeAnswer(const AttributeAnswer&) = delete;
    AttributeAnswer& operator=(const AttributeAnswer&) = delete;

    // False when `text` is not a well-formed UTF-8 XML document.
    bool load(std::string_view text);
    bool loaded() const { return m_root != nullptr; }

    bool accepted() const;

    // The text of "result"; empty when the element is missing (an empty element gives "").
    std::optional<std::string> resultText() const;

    // The root's first child of that name; null when missing.
    const tinyxml2::XMLElement* child(const char* name) const;
    std::string childText(const char* name) const;

    // An attribute of `element`; empty text when the element or the attribute is missing.
    static std::string attribute(const tinyxml2::XMLElement* element, const char* name);

private:
    tinyxml2::XMLDocument m_document;
    const tinyxml2::XMLElement* m_root = nullptr;
};

}  // namespace nubexa
