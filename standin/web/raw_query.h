#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nubexa::standin {

// The query of a request as it came. Split on "&", then at the first "="; a piece without "="
// belongs to the value before it (an unescaped "&" from a client that sends values as typed).
// Each value is decoded exactly once ("%XX", "+" as a blank); the raw text stays for
// signatures made over the values as sent.
class RawQuery {
public:
    explicit RawQuery(std::string_view query);

    bool has(std::string_view key) const;
    // The raw value of the first piece with this key; empty when absent.
    std::string raw(std::string_view key) const;
    // The value with "%XX" and "+" decoded: what the client meant.
    std::string decoded(std::string_view key) const;

    // The signed text: every value before "sign", in query order, joined without separators,
    // as sent or as decoded.
    std::string signedText() const;
    std::string decodedSignedText() const;

    std::size_t size() const { return m_pairs.size(); }

private:
    std::vector<std::pair<std::string, std::string>> m_pairs;
};

// The query part of a request target ("/path?query"); empty when there is none.
std::string_view queryOfTarget(std::string_view target);

}  // namespace nubexa::standin
