#include "service/local_target.h"

#include <utility>

#include "platform/paths.h"
#include "service/remote_name.h"

namespace nubexa {

bool isSafeFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

LocalTarget::LocalTarget(const std::string& localRoot, std::string folderName)
    : m_folderName(std::move(folderName)),
      m_valid(!localRoot.empty() && isSafeFileName(m_folderName)) {
    if (m_valid)
        m_top = joinPath(localRoot, localNameFor(m_folderName).name) + "/";
}

std::optional<std::string> LocalTarget::folderFor(std::string_view path) const {
    if (!m_valid || path.empty() || path.front() != '/')
        return std::nullopt;
    std::string folder = m_top;
    bool first = true;
    std::size_t start = 0;
    while (start < path.size()) {
        auto end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const auto component = path.substr(start, end - start);
        start = end + 1;
        if (component.empty())
            continue;
        if (!isSafeFileName(component))
            return std::nullopt;
        if (first) {
            if (component != m_folderName)
                return std::nullopt;
            first = false;
            continue;
        }
        folder += localNameFor(component).name;
        folder += '/';
    }
    if (first)
        return std::nullopt;
    return folder;
}

}  // namespace nubexa
