#include "standin/web/raw_query.h"

#include "standin/util/text_util.h"

namespace nubexa::standin {

RawQuery::RawQuery(std::string_view query) {
    std::size_t start = 0;
    while (start < query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string_view::npos)
            end = query.size();
        const std::string_view piece = query.substr(start, end - start);
        const std::size_t equals = piece.find('=');
        if (equals != std::string_view::npos) {
            m_pairs.emplace_back(std::string(piece.substr(0, equals)),
                                 std::string(piece.substr(equals + 1)));
        } else if (!m_pairs.empty()) {
            m_pairs.back().second += "&";
            m_pairs.back().second += piece;
        } else if (!piece.empty()) {
            m_pairs.emplace_back(std::string(piece), std::string());
        }
        start = end + 1;
    }
}

bool RawQuery::has(std::string_view key) const {
    for (const auto& [k, v] : m_pairs) {
        if (k == key)
            return true;
    }
    return false;
}

std::string RawQuery::raw(std::string_view key) const {
    for (const auto& [k, v] : m_pairs) {
        if (k == key)
            return v;
    }
    return {};
}

std::string RawQuery::decoded(std::string_view key) const {
    return percentDecode(raw(key), true);
}

std::string RawQuery::signedText() const {
    std::string text;
    for (const auto& [k, v] : m_pairs) {
        if (k == "sign")
            break;
        text += v;
    }
    return text;
}

std::string RawQuery::decodedSignedText() const {
    std::string text;
    for (const auto& [k, v] : m_pairs) {
        if (k == "sign")
            break;
        text += percentDecode(v, true);
    }
    return text;
}

std::string_view queryOfTarget(std::string_view target) {
    const std::size_t mark = target.find('?');
    return mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
}

}  // namespace nubexa::standin
