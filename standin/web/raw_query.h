#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nubexa::standin {

// The query of a request: split on "&", then at the first "="; a piece without "=" belongs to
// the value before it (an unescaped "&" in a typed text). Each value is then decoded once
// ("%XX" and "+"), and signatures are made over the decoded values, so that an encoded "&" or
// "=" stays inside its value and no encoding detail changes what was signed.
class RawQuery {
public:
    explicit RawQuery(std::string_view query);

    bool has(std::string_view key) const;
    // The decoded value of the first piece with this key; empty when absent.
    std::string raw(std::string_view key) const;
    std::string decoded(std::string_view key) const { return raw(key); }

    // The signed text: every value before "sign", in query order, joined without separators.
    std::string signedText() const;

    std::size_t size() const { return m_pairs.size(); }

private:
    std::vector<std::pair<std::string, std::string>> m_pairs;
};

// The query part of a request target ("/path?query"); empty when there is none.
std::string_view queryOfTarget(std::string_view target);

}  // namespace nubexa::standin
