#include "service/signed_query.h"

#include "service/common.h"
#include "service/service_config.h"
#include "service/text_codec.h"

namespace nubexa {

SignedQuery& SignedQuery::addParam(std::string_view key, std::string encoded) {
    std::string decoded = percentDecode(encoded);
    m_params.push_back({std::string(key), std::move(encoded), std::move(decoded)});
    return *this;
}

SignedQuery& SignedQuery::add(std::string_view key, std::string_view value) {
    return addParam(key, encodeQueryValue(value));
}

SignedQuery& SignedQuery::addEncoded(std::string_view key, std::string_view value) {
    return addParam(key, urlEncode(value));
}

std::string SignedQuery::url(const std::string& host) const {
    std::string url = serviceOrigin(host) + m_path;
    char separator = '?';
    for (const auto& param : m_params) {
        url.push_back(separator);
        url += param.key;
        url.push_back('=');
        url += param.encoded;
        separator = '&';
    }
    return url;
}

std::string SignedQuery::withSign(const std::string& host, std::string_view signSource) const {
    std::string signedUrl = url(host);
    signedUrl += m_params.empty() ? "?sign=" : "&sign=";
    signedUrl += Common::digest(signSource);
    return signedUrl;
}

std::string SignedQuery::signedUrl(const std::string& host) const {
    std::string values;
    for (const auto& param : m_params)
        values += param.decoded;
    return withSign(host, values);
}

std::string SignedQuery::signedUrlOver(const std::string& host, std::string_view key) const {
    for (const auto& param : m_params) {
        if (param.key == key)
            return withSign(host, param.decoded);
    }
    return withSign(host, {});
}

}  // namespace nubexa
