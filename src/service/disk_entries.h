#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nubexa {

// Id of the entry that ends a listing table.
inline constexpr const char* kEndMarkId = "-100";

// Length of each listing table. Readers stop at the first end mark or at the table's end.
inline constexpr std::size_t kTableSize = 1024;

// Entries a listing takes of each list. A longer listing makes its table longer; this bound
// only keeps a hostile answer from filling memory (a real folder stays far below it).
inline constexpr std::size_t kMostListedEntries = 100000;

// A file or folder of a listing below a folder, in brief, for comparing trees: its path below
// the listed folder with its own name ("a/b/c.txt"; a folder "a/b"), its id, and a file's size
// and time as listed.
struct TreeEntry {
    std::string path;
    std::string id;
    std::int64_t size = 0;
    std::string time;
};

struct TreeListing {
    std::vector<TreeEntry> files;
    std::vector<TreeEntry> folders;
};

// One file of a listing.
struct DiskFileEntry {
    std::string id = kEndMarkId;
    std::string name = " ";  // without extension
    std::string ext = " ";   // with its dot
    std::string size = "0";  // bytes, decimal
    std::string isshare = "0";
    std::string isoutlink = "0";
    std::string ispwd = "1";
    std::string pwdtip = " ";
    std::string time = " ";
    std::int32_t mark = -1;  // for the disk page
    std::string note = "0";  // for the disk page
    std::string pwd;
    std::string path;  // below the listed folder (folder-download listing only)
};

// One folder of a listing (also a step of the folder-upload walk).
struct FolderItemLc {
    std::string note = "-1";  // for the disk page
    std::string id = kEndMarkId;
    std::string name = " ";
    std::string ispwd = "1";
    std::string pwdtip = " 提示";
    std::string time = " ";
    std::string isshare = "0";
    std::string pwd;
    std::string path;  // folder-download listing only
};

// The two tables the disk pages read: kTableSize entries each, or as many as a longer listing in
// them. A listing writes from index 0 and ends with an end mark when it wrote fewer than
// kTableSize; entries behind the mark keep what an earlier listing left.
struct DiskTables {
    std::vector<DiskFileEntry> disk_files = std::vector<DiskFileEntry>(kTableSize);
    std::vector<FolderItemLc> disk_folders = std::vector<FolderItemLc>(kTableSize);
};

// The entries of a table up to its end mark.
template <typename Entry>
std::vector<Entry> listedEntries(const std::vector<Entry>& table) {
    std::vector<Entry> listed;
    for (const auto& entry : table) {
        if (entry.id == kEndMarkId)
            break;
        listed.push_back(entry);
    }
    return listed;
}

// The folder tree of GetFolders: parallel lists, one position per folder.
struct FolderTree {
    std::vector<std::string> names;
    std::vector<std::int32_t> ids;
    std::vector<std::int32_t> parentids;
};

// The notices of Announcement: parallel lists.
struct Announcements {
    std::vector<std::string> announcement_titles;
    std::vector<std::string> announcement_urls;
};

}  // namespace nubexa
