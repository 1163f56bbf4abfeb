#include "service/signed_query.h"

#include "service/common.h"
#include "service/service_config.h"
#include "service/text_codec.h"

namespace nubexa {

SignedQuery& SignedQuery::add(std::string_view key, std::string_view value) {
    m_params.emplace_back(std::string(key), escapeRawValue(value));
    return *this;
}

SignedQuery& SignedQuery::addEncoded(std::string_view key, std::string_view value) {
    m_params.emplace_back(std::string(key), urlEncode(value));
    return *this;
}

std::string SignedQuery::url(const std::string& host) const {
    std::string url = serviceOrigin(host) + m_path;
    char separator = '?';
    for (const auto& [key, value] : m_params) {
        url.push_back(separator);
        url += key;
        url.push_back('=');
        url += value;
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
        values += param.second;
    return withSign(host, values);
}

std::string SignedQuery::signedUrlOver(const std::string& host, std::string_view key) const {
    for (const auto& [name, value] : m_params) {
        if (name == key)
            return withSign(host, value);
    }
    return withSign(host, {});
}

}  // namespace nubexa
