#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nubexa {

// The URL of one request: the host's origin (serviceOrigin), path "?" key "=" value ("&" key "="
// value)... and, for signed requests, "&sign=" MD5 of the values in query order, nothing between
// them. Every value is encoded so that it arrives whole; the sign covers the values as the
// service decodes them, so that no encoding detail changes what was signed.
class SignedQuery {
public:
    // `path` is the service and operation as the service spells them,
    // e.g. "/fileservice.asmx/FolderMove".
    explicit SignedQuery(std::string path) : m_path(std::move(path)) {}

    // A value encoded by encodeQueryValue.
    SignedQuery& add(std::string_view key, std::string_view value);

    // A name or search word: encoded by urlEncode (white space as "+").
    SignedQuery& addEncoded(std::string_view key, std::string_view value);

    // Without sign (Login, APILogin).
    std::string url(const std::string& host) const;

    // Signed over every value.
    std::string signedUrl(const std::string& host) const;

    // Signed over the value of one parameter alone (FileAdd signs its hash).
    std::string signedUrlOver(const std::string& host, std::string_view key) const;

private:
    struct Param {
        std::string key;
        std::string encoded;  // as the URL carries it
        std::string decoded;  // as the service reads it back
    };

    SignedQuery& addParam(std::string_view key, std::string encoded);
    std::string withSign(const std::string& host, std::string_view signSource) const;

    std::string m_path;
    std::vector<Param> m_params;
};

}  // namespace nubexa
