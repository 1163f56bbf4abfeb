#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nubexa {

// The head of one HTTP/1.1 request, as far as the range endpoint reads it.
struct HttpRequestHead {
    std::string method;
    std::string target;
    std::optional<std::string> range;  // the Range field's value, when there was one
};

// The head in `text` (the bytes up to and including the blank line). Empty when it is not a
// well-formed request head: a bad request line, a field without a colon, two Range fields.
std::optional<HttpRequestHead> parseRequestHead(std::string_view text);

// What a request's Range field asks of a file of `size` bytes (RFC 9110, 14.2): the whole
// file (no field, another unit, several ranges, or a field that is not valid, which a server
// must ignore), one range (its last byte within the file), or nothing the file has (416).
struct RangeChoice {
    enum class Kind { kWhole, kPart, kUnsatisfiable };
    Kind kind = Kind::kWhole;
    std::int64_t first = 0;
    std::int64_t last = -1;  // inclusive

    std::int64_t length() const { return last - first + 1; }
};
RangeChoice chooseRange(const std::optional<std::string>& field, std::int64_t size);

}  // namespace nubexa
