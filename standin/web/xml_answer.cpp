#include "standin/web/xml_answer.h"

#include <tinyxml2.h>

namespace nubexa::standin {

namespace {

void print(tinyxml2::XMLPrinter& printer, const XmlNode& node) {
    printer.OpenElement(node.name.c_str(), true);
    for (const auto& [key, value] : node.attributes)
        printer.PushAttribute(key.c_str(), value.c_str());
    if (!node.text.empty())
        printer.PushText(node.text.c_str());
    for (const auto& child : node.children)
        print(printer, child);
    printer.CloseElement(true);
}

}  // namespace

XmlNode& XmlNode::attr(const std::string& key, const std::string& value) {
    attributes.emplace_back(key, value);
    return *this;
}

XmlNode& XmlNode::attr(const std::string& key, std::int64_t value) {
    return attr(key, std::to_string(value));
}

XmlNode& XmlNode::add(XmlNode child) {
    children.push_back(std::move(child));
    return *this;
}

XmlNode XmlNode::withText(std::string elementName, std::string content) {
    XmlNode node(std::move(elementName));
    node.text = std::move(content);
    return node;
}

XmlAnswer XmlAnswer::refusal(std::string message) {
    XmlAnswer answer("0");
    answer.m_message = std::move(message);
    return answer;
}

XmlAnswer& XmlAnswer::add(XmlNode node) {
    m_nodes.push_back(std::move(node));
    return *this;
}

std::string XmlAnswer::render() const {
    // Printed in place rather than copied under a root node first: a listing of ten thousand
    // entries spent most of its answer's time in that copy.
    tinyxml2::XMLPrinter printer(nullptr, true);
    printer.OpenElement("root", true);
    print(printer, XmlNode::withText("result", m_result));
    for (const auto& node : m_nodes)
        print(printer, node);
    if (!m_message.empty())
        print(printer, XmlNode::withText("msg", m_message));
    printer.CloseElement(true);
    return protectForPercentDecoding(std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>") +
                                     printer.CStr());
}

std::string protectForPercentDecoding(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 16);
    // The runs between the two characters are copied whole.
    std::size_t from = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c != '%' && c != '+')
            continue;
        out.append(text, from, at - from);
        out += c == '%' ? "%25" : "%2B";
        from = at + 1;
    }
    out.append(text, from, std::string::npos);
    return out;
}

}  // namespace nubexa::standin
