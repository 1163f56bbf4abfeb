#include "sync/local_scan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <optional>

#include "ftp/partial_name.h"

namespace nubexa {

namespace {

std::int64_t nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

LocalFileState stateOf(const std::string& relative, const struct stat& info) {
    return {relative, static_cast<std::int64_t>(info.st_size), nanoseconds(info.st_mtim),
            static_cast<std::uint64_t>(info.st_ino)};
}

void scanFolder(const std::string& root, const std::string& relative, LocalScan& scan) {
    const std::string folder = relative.empty() ? root : root + "/" + relative;
    const auto names = entryNames(folder);
    if (!names) {
        scan.snapshot.unreadableFolders.push_back(relative);
        return;
    }
    std::vector<std::string> folders;
    for (const std::string& name : *names) {
        const std::string path = relative.empty() ? name : relative + "/" + name;
        struct stat info {};
        if (::lstat((root + "/" + path).c_str(), &info) != 0) {
            scan.skipped.emplace_back(path, "无法读取");
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            folders.push_back(path);
            scan.snapshot.folders.push_back(path);
        } else if (S_ISREG(info.st_mode)) {
            if (!isPartialName(name))
                scan.snapshot.files.push_back(stateOf(path, info));
        } else {
            // A link could lead out of the pair or back into it; special files have no content.
            scan.skipped.emplace_back(path, S_ISLNK(info.st_mode) ? "链接" : "特殊文件");
        }
    }
    for (const std::string& sub : folders)
        scanFolder(root, sub, scan);
}

}  // namespace

LocalScan scanLocalFolder(const std::string& folder) {
    LocalScan scan;
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        scan.snapshot.rootPresent = false;
        return scan;
    }
    scanFolder(folder, "", scan);
    // The top itself unreadable is as good as gone: nothing may be taken for deleted.
    if (!scan.snapshot.unreadableFolders.empty() && scan.snapshot.unreadableFolders[0].empty())
        scan.snapshot.rootPresent = false;
    return scan;
}

std::optional<std::vector<std::string>> entryNames(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(std::move(name));
    }
    ::closedir(dir);
    return names;
}

std::optional<LocalFileState> localFileState(const std::string& folder,
                                             const std::string& relativePath) {
    struct stat info {};
    if (::lstat((folder + "/" + relativePath).c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return stateOf(relativePath, info);
}

}  // namespace nubexa
