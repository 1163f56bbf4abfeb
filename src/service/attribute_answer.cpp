#include "service/attribute_answer.h"

#include "xml/xml_text.h"

namespace nubexa {

bool AttributeAnswer::load(std::string_view text) {
    m_root = parseDocument(m_document, text) ? m_document.RootElement() : nullptr;
    return m_root != nullptr;
}

const tinyxml2::XMLElement* AttributeAnswer::child(const char* name) const {
    return m_root != nullptr ? m_root->FirstChildElement(name) : nullptr;
}

std::optional<std::string> AttributeAnswer::resultText() const {
    const auto* result = child("result");
    if (result == nullptr)
        return std::nullopt;
    const char* text = result->GetText();
    return text != nullptr ? std::string(text) : std::string();
}

bool AttributeAnswer::accepted() const {
    const auto result = resultText();
    return result.has_value() && *result == "1";
}

std::string AttributeAnswer::childText(const char* name) const {
    const auto* element = child(name);
    const char* text = element != nullptr ? element->GetText() : nullptr;
    return text != nullptr ? std::string(text) : std::string();
}

std::string AttributeAnswer::attribute(const tinyxml2::XMLElement* element, const char* name) {
    if (element == nullptr)
        return {};
    const char* value = element->Attribute(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace nubexa
