#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "standin/util/outcome.h"

namespace nubexa::standin {

// One element of an answer: attributes, text, children.
struct XmlNode {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;
    std::vector<XmlNode> children;

    explicit XmlNode(std::string elementName) : name(std::move(elementName)) {}
    XmlNode& attr(const std::string& key, const std::string& value);
    XmlNode& attr(const std::string& key, std::int64_t value);
    XmlNode& add(XmlNode child);
    static XmlNode withText(std::string elementName, std::string content);
};

// The answer of a web operation: <root><result>..</result> the data elements <msg>..</msg></root>.
class XmlAnswer {
public:
    static XmlAnswer success() { return XmlAnswer("1"); }
    static XmlAnswer refusal(std::string message = {});
    static XmlAnswer from(const Outcome& outcome) {
        return outcome ? success() : refusal(outcome.message);
    }

    XmlAnswer& add(XmlNode node);
    bool ok() const { return m_result == "1"; }
    const std::string& message() const { return m_message; }
    void setMessage(std::string message) { m_message = std::move(message); }

    // The XML document in UTF-8. The client percent-decodes whole answers before parsing, so
    // every "%" is written as "%25" and every "+" as "%2B" after the XML escaping.
    std::string render() const;

private:
    explicit XmlAnswer(std::string result) : m_result(std::move(result)) {}

    std::string m_result;
    std::vector<XmlNode> m_nodes;
    std::string m_message;
};

// "%" -> "%25", "+" -> "%2B".
std::string protectForPercentDecoding(const std::string& text);

}  // namespace nubexa::standin
