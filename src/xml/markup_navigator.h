#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <tinyxml2.h>

namespace nubexa {

// The attributes of one element, read in one pass over them; valid while the document is.
class AttributeList {
public:
    void reserve(std::size_t count) { m_items.reserve(count); }
    void add(std::string_view name, std::string_view value) { m_items.emplace_back(name, value); }
    // Empty text when missing.
    std::string value(std::string_view name) const;

private:
    std::vector<std::pair<std::string_view, std::string_view>> m_items;
};

// A cursor over one XML document for answers read element by element.
//
// The cursor has three positions: the parent level, the main element (at that level) and the
// child element (inside the main element). Every search moves forward from the element found
// last at its level and never backwards; a search that finds nothing leaves the cursor as it
// was. Texts and attributes come back as UTF-8; a missing one reads as empty text.
//
// Not thread-safe: one navigator per reading.
class MarkupNavigator {
public:
    MarkupNavigator() = default;
    MarkupNavigator(const MarkupNavigator&) = delete;
    MarkupNavigator& operator=(const MarkupNavigator&) = delete;

    // Parses `text` and puts the cursor before the first top-level element. False when the text
    // is not a well-formed UTF-8 XML document; every search then fails.
    bool setDoc(std::string_view text);

    // Next element at the main level after the main element, or the level's first element when
    // there is no main element yet. An empty name matches any element.
    bool findElem(std::string_view name = {});

    // Next child of the main element after the child found last.
    bool findChildElem(std::string_view name = {});

    // The child becomes the main element; its children become the child level.
    bool intoElem();

    // Back to the parent: the former main element becomes the child, so that the next child
    // search continues after it.
    bool outOfElem();

    std::string getData() const;
    std::string getChildData() const;
    std::string getAttrib(std::string_view name) const;
    std::string getChildAttrib(std::string_view name) const;
    // Every attribute of the child: for an element read by many of its attributes, one pass
    // instead of a search per attribute.
    AttributeList getChildAttribs() const;

    // The element name at each position; empty when there is none.
    std::string getTagName() const;
    std::string getChildTagName() const;

private:
    static const tinyxml2::XMLElement* nextMatching(const tinyxml2::XMLElement* from,
                                                    std::string_view name);
    static std::string textOf(const tinyxml2::XMLElement* element);
    static std::string attributeOf(const tinyxml2::XMLElement* element, std::string_view name);

    tinyxml2::XMLDocument m_document;
    bool m_loaded = false;
    const tinyxml2::XMLNode* m_parent = nullptr;  // the document or an element
    const tinyxml2::XMLElement* m_main = nullptr;
    const tinyxml2::XMLElement* m_child = nullptr;
};

}  // namespace nubexa
