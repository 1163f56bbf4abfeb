#include "platform/paths.h"

#include <filesystem>
#include <system_error>

#include "platform/data_layout.h"

namespace nubexa {

namespace {

std::string withTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    return folder;
}

}  // namespace

std::string programFolder() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return withTrailingSlash(std::filesystem::current_path(error).string());
    return withTrailingSlash(exe.parent_path().string());
}

std::string homeFolder() {
    return DataLayout::current().dataFolder();
}

std::string databasePath() {
    return homeFolder() + "bin.db";
}

std::string configPath() {
    return DataLayout::current().configFile();
}

std::string imageFolder() {
    return DataLayout::current().imageFolder();
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    std::string joined = folder;
    const bool folderEnds = joined.back() == '/';
    const bool nameStarts = !name.empty() && name.front() == '/';
    if (folderEnds && nameStarts) {
        joined.pop_back();
    } else if (!folderEnds && !nameStarts) {
        joined.push_back('/');
    }
    return joined + name;
}

}  // namespace nubexa
