#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nubexa {

// The URL of one request: the host's origin (serviceOrigin), path "?" key "=" value ("&" key "="
// value)... and, for signed requests, "&sign=" MD5 of the values exactly as they appear in the URL,
// in query order, nothing between them.
class SignedQuery {
public:
    // `path` is the service and operation as the service spells them,
    // e.g. "/fileservice.asmx/FolderMove".
    explicit SignedQuery(std::string path) : m_path(std::move(path)) {}

    // A value sent as given (only bytes no URL may carry are escaped, see escapeRawValue).
    SignedQuery& add(std::string_view key, std::string_view value);

    // A name or search word: urlEncode first; the sign covers the encoded text.
    SignedQuery& addEncoded(std::string_view key, std::string_view value);

    // Without sign (Login, APILogin).
    std::string url(const std::string& host) const;

    // Signed over every value.
    std::string signedUrl(const std::string& host) const;

    // Signed over the value of one parameter alone (FileAdd signs its hash).
    std::string signedUrlOver(const std::string& host, std::string_view key) const;

private:
    std::string withSign(const std::string& host, std::string_view signSource) const;

    std::string m_path;
    std::vector<std::pair<std::string, std::string>> m_params;
};

}  // namespace nubexa
