#include "xml/markup_navigator.h"

#include "xml/xml_text.h"

namespace nubexa {

bool MarkupNavigator::setDoc(std::string_view text) {
    m_loaded = parseDocument(m_document, text);
    m_parent = m_loaded ? &m_document : nullptr;
    m_main = nullptr;
    m_child = nullptr;
    return m_loaded;
}

const tinyxml2::XMLElement* MarkupNavigator::nextMatching(const tinyxml2::XMLElement* from,
                                                          std::string_view name) {
    for (const auto* element = from; element != nullptr; element = element->NextSiblingElement()) {
        if (name.empty() || name == element->Name())
            return element;
    }
    return nullptr;
}

bool MarkupNavigator::findElem(std::string_view name) {
    if (m_parent == nullptr)
        return false;
    const auto* start =
        m_main != nullptr ? m_main->NextSiblingElement() : m_parent->FirstChildElement();
    const auto* found = nextMatching(start, name);
    if (found == nullptr)
        return false;
    m_main = found;
    m_child = nullptr;
    return true;
}

bool MarkupNavigator::findChildElem(std::string_view name) {
    if (m_main == nullptr)
        return false;
    const auto* start =
        m_child != nullptr ? m_child->NextSiblingElement() : m_main->FirstChildElement();
    const auto* found = nextMatching(start, name);
    if (found == nullptr)
        return false;
    m_child = found;
    return true;
}

bool MarkupNavigator::intoElem() {
    if (m_child == nullptr)
        return false;
    m_parent = m_main;
    m_main = m_child;
    m_child = nullptr;
    return true;
}

bool MarkupNavigator::outOfElem() {
    if (m_parent == nullptr || m_parent == &m_document)
        return false;
    m_child = m_main;
    m_main = m_parent->ToElement();
    m_parent = m_main->Parent();
    return true;
}

std::string MarkupNavigator::textOf(const tinyxml2::XMLElement* element) {
    if (element == nullptr)
        return {};
    const char* text = element->GetText();
    return text != nullptr ? std::string(text) : std::string();
}

std::string MarkupNavigator::attributeOf(const tinyxml2::XMLElement* element,
                                         std::string_view name) {
    if (element == nullptr)
        return {};
    const char* value = element->Attribute(std::string(name).c_str());
    return value != nullptr ? std::string(value) : std::string();
}

std::string MarkupNavigator::getData() const {
    return textOf(m_main);
}
std::string MarkupNavigator::getChildData() const {
    return textOf(m_child);
}
std::string MarkupNavigator::getAttrib(std::string_view name) const {
    return attributeOf(m_main, name);
}
std::string MarkupNavigator::getChildAttrib(std::string_view name) const {
    return attributeOf(m_child, name);
}
AttributeList MarkupNavigator::getChildAttribs() const {
    AttributeList list;
    if (m_child == nullptr)
        return list;
    list.reserve(16);  // a listing's entries carry up to twelve
    for (const auto* attribute = m_child->FirstAttribute(); attribute != nullptr;
         attribute = attribute->Next())
        list.add(attribute->Name(), attribute->Value());
    return list;
}

std::string AttributeList::value(std::string_view name) const {
    // The first of a repeated name, as a search by name finds it.
    for (const auto& [key, value] : m_items) {
        if (key == name)
            return std::string(value);
    }
    return {};
}

std::string MarkupNavigator::getTagName() const {
    return m_main != nullptr ? std::string(m_main->Name()) : std::string();
}
std::string MarkupNavigator::getChildTagName() const {
    return m_child != nullptr ? std::string(m_child->Name()) : std::string();
}

}  // namespace nubexa
