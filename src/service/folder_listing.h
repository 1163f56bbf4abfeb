#pragma once

#include <vector>

#include "service/disk_entries.h"

namespace nubexa {

// GetFilesWhitPath's answer: everything below a folder, with paths relative to it.
struct FolderListing {
    std::vector<DiskFileEntry> files;
    std::vector<FolderItemLc> folders;
};

}  // namespace nubexa
