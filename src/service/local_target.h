#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nubexa {

// True when `name` from the service can be used as one entry of a local folder: not empty,
// not "." or "..", and free of '/', '\\' and control bytes.
bool isSafeFileName(std::string_view name);

// The local folder a folder download writes into, localRoot/folderName/, and the mapping of
// the listing's paths ("/" + folderName + "/" + sub-folders, each followed by "/") onto it.
// Anything that would leave that folder is refused.
class LocalTarget {
public:
    LocalTarget(const std::string& localRoot, std::string folderName);

    // False when the folder name itself is not a safe name.
    bool valid() const { return m_valid; }

    // localRoot/folderName/ (ends with '/'). Names are written as localNameFor gives them.
    const std::string& topFolder() const { return m_top; }

    // The local folder of a listing path, ending with '/'; empty when the path is not below
    // the top folder (absolute elsewhere, "..", backslashes, control bytes, another first
    // component).
    std::optional<std::string> folderFor(std::string_view path) const;

private:
    std::string m_folderName;
    std::string m_top;
    bool m_valid;
};

}  // namespace nubexa
