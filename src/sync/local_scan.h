#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sync/sync_types.h"

namespace nubexa {

// The local side of a pair as it is now: every regular file below the folder with its size,
// modification time and inode, paths relative to the folder. Links and special files are
// left out (with why, for saying once); so are unfinished downloads, which are the queue's.
struct LocalScan {
    LocalSnapshot snapshot;
    std::vector<std::pair<std::string, std::string>> skipped;  // relative path, why
};
LocalScan scanLocalFolder(const std::string& folder);

// The names in `folder`, "." and ".." left out; nullopt when it cannot be read.
std::optional<std::vector<std::string>> entryNames(const std::string& folder);

// The state of one file now; nullopt when it is not a regular file (or not there).
std::optional<LocalFileState> localFileState(const std::string& folder,
                                             const std::string& relativePath);

}  // namespace nubexa
