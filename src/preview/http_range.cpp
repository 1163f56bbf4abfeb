#include "preview/http_range.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace nubexa {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool isToken(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
    });
}

// A decimal number of at most 18 digits (no overflow); empty otherwise.
std::optional<std::int64_t> number(std::string_view digits) {
    if (digits.empty() || digits.size() > 18)
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::optional<HttpRequestHead> parseRequestHead(std::string_view text) {
    HttpRequestHead head;
    auto lineEnd = text.find("\r\n");
    if (lineEnd == std::string_view::npos)
        return std::nullopt;
    const std::string_view requestLine = text.substr(0, lineEnd);
    const auto firstSpace = requestLine.find(' ');
    const auto lastSpace = requestLine.rfind(' ');
    if (firstSpace == std::string_view::npos || firstSpace == lastSpace)
        return std::nullopt;
    const std::string_view method = requestLine.substr(0, firstSpace);
    const std::string_view target = requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    const std::string_view version = requestLine.substr(lastSpace + 1);
    if (!isToken(method) || target.empty() || target.find(' ') != std::string_view::npos ||
        (version != "HTTP/1.1" && version != "HTTP/1.0"))
        return std::nullopt;
    head.method = method;
    head.target = target;

    text.remove_prefix(lineEnd + 2);
    while (!text.empty()) {
        lineEnd = text.find("\r\n");
        if (lineEnd == std::string_view::npos)
            return std::nullopt;
        const std::string_view line = text.substr(0, lineEnd);
        text.remove_prefix(lineEnd + 2);
        if (line.empty())
            return head;
        const auto colon = line.find(':');
        if (colon == std::string_view::npos || !isToken(line.substr(0, colon)))
            return std::nullopt;
        if (equalsIgnoringCase(line.substr(0, colon), "range")) {
            if (head.range)
                return std::nullopt;
            head.range = std::string(trimmed(line.substr(colon + 1)));
        }
    }
    return std::nullopt;  // no blank line
}

RangeChoice chooseRange(const std::optional<std::string>& field, std::int64_t size) {
    RangeChoice whole{RangeChoice::Kind::kWhole, 0, size - 1};
    if (!field)
        return whole;
    std::string_view value = *field;
    const auto equals = value.find('=');
    if (equals == std::string_view::npos ||
        !equalsIgnoringCase(trimmed(value.substr(0, equals)), "bytes"))
        return whole;
    value = trimmed(value.substr(equals + 1));
    // Several ranges are served as the whole file, which a server may do.
    if (value.find(',') != std::string_view::npos)
        return whole;
    const auto dash = value.find('-');
    if (dash == std::string_view::npos)
        return whole;
    const auto firstText = value.substr(0, dash);
    const auto lastText = value.substr(dash + 1);
    if (firstText.empty()) {
        // The last N bytes.
        const auto count = number(lastText);
        if (!count)
            return whole;
        if (*count == 0 || size == 0)
            return {RangeChoice::Kind::kUnsatisfiable};
        return {RangeChoice::Kind::kPart, size - std::min(*count, size), size - 1};
    }
    const auto first = number(firstText);
    if (!first)
        return whole;
    std::int64_t last = size - 1;
    if (!lastText.empty()) {
        const auto asked = number(lastText);
        if (!asked || *asked < *first)
            return whole;  // not a valid range: ignored
        last = std::min(*asked, size - 1);
    }
    if (*first >= size)
        return {RangeChoice::Kind::kUnsatisfiable};
    return {RangeChoice::Kind::kPart, *first, last};
}

}  // namespace nubexa
