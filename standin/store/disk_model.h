#pragma once

#include <cstdint>
#include <string>

namespace nubexa::standin {

enum class ItemKind { Folder, File };

inline const char* kindName(ItemKind kind) {
    return kind == ItemKind::Folder ? "folder" : "file";
}

// Folder 0 is an account's root; it has no row.
struct FolderRow {
    std::int64_t id = 0;
    std::int64_t parentId = 0;
    std::string name;
    std::string pwd;
    std::string pwdTip;
    std::int64_t created = 0;
    std::int64_t binEntry = 0;  // 0 while live
};

struct FileRow {
    std::int64_t id = 0;
    std::int64_t folderId = 0;
    std::string name;  // without the extension
    std::string ext;   // with its dot, or empty
    std::int64_t size = 0;
    std::string md5;
    bool ready = false;  // finalised; false while FileAdd waits for the bytes
    std::string pwd;
    std::string pwdTip;
    std::int64_t created = 0;
    std::int64_t binEntry = 0;

    std::string fullName() const { return name + ext; }
};

}  // namespace nubexa::standin
