#include "sync/sync_types.h"

#include <filesystem>

namespace nubexa {

const char* syncModeName(SyncMode mode) {
    switch (mode) {
        case SyncMode::kBackup:
            return "backup";
        case SyncMode::kMirror:
            return "mirror";
        case SyncMode::kTwoWay:
            return "two-way";
    }
    return "backup";
}

std::optional<SyncMode> syncModeFromName(const std::string& name) {
    for (SyncMode mode : {SyncMode::kBackup, SyncMode::kMirror, SyncMode::kTwoWay}) {
        if (name == syncModeName(mode))
            return mode;
    }
    return std::nullopt;
}

namespace {

// Folder a is b or lies below it; both absolute, compared by their lexical form.
bool within(const std::filesystem::path& a, const std::filesystem::path& b) {
    auto ai = a.begin();
    for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai) {
        if (bi->empty())
            continue;  // the trailing separator's empty name
        if (ai == a.end() || *ai != *bi)
            return false;
    }
    return true;
}

std::filesystem::path normalFolder(const std::string& folder) {
    std::filesystem::path path = std::filesystem::path(folder).lexically_normal();
    if (!path.has_filename() && path.has_parent_path() && path != path.root_path())
        path = path.parent_path();
    return path;
}

}  // namespace

SyncFolderProblem syncFolderProblem(const std::string& localFolder,
                                    const std::vector<SyncPair>& pairs,
                                    const std::string& dataFolder) {
    const std::filesystem::path folder = normalFolder(localFolder);
    if (!folder.is_absolute())
        return SyncFolderProblem::kNotAbsolute;
    if (!dataFolder.empty()) {
        const std::filesystem::path data = normalFolder(dataFolder);
        if (within(folder, data) || within(data, folder))
            return SyncFolderProblem::kDataFolder;
    }
    for (const SyncPair& pair : pairs) {
        const std::filesystem::path other = normalFolder(pair.localFolder);
        const bool inside = within(folder, other);
        const bool holds = within(other, folder);
        if (inside && holds)
            return SyncFolderProblem::kSameAsAPair;
        if (inside)
            return SyncFolderProblem::kInsideAPair;
        if (holds)
            return SyncFolderProblem::kHoldsAPair;
    }
    return SyncFolderProblem::kNone;
}

}  // namespace nubexa
