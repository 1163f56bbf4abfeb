#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the queue is given and what it answers, as plain values: the front ends name the disk's
// folders and items with them and read what became of an upload or download.
namespace nubexa {

// The disk folder a queued upload goes into: the folder the disk page shows.
struct RemoteFolder {
    std::string id = "0";             // current_dir_id
    std::string locationText = "\\";  // its path as the page shows it; "\" is the top folder
};

// The disk item chosen for a download (the selection of the disk page).
struct DiskItem {
    std::string id;
    std::string name;  // without extension
    std::string ext;   // with its dot; empty for folders and files without one
    std::string size = "0";
    // Whether the item is a folder. The selection used to tell folders by a size of "0",
    // which made empty files undownloadable.
    bool isFolder = false;
};

struct QueuedTask {
    bool queued = false;
    std::int64_t id = 0;     // 0 when the row's id could not be read back
    std::string remoteName;  // an upload's name on the disk when it differs from the local one
    std::string refusal;     // why the file was not queued, when it was not
    // The same file between the same places waits in the queue already as task `id`: nothing
    // was added.
    bool alreadyQueued = false;
};

// A local entry of an upload and what became of its name: the name it gets on the disk, or
// why it was left out.
struct NamedEntry {
    std::string localPath;
    std::string text;
};

struct FolderUploadResult {
    int code = 0;                       // -1 no path, -2 empty path, 0 otherwise
    std::string remoteFolderId;         // the disk folder made for the chosen folder; empty: none
    std::vector<std::int64_t> taskIds;  // in the order queued
    // Local folders whose disk folder could not be made (or which could not be listed): they
    // and everything below them are left out.
    std::vector<std::string> skippedFolders;
    std::vector<std::string> oversizedFiles;  // over the per-file upload limit, left out
    std::vector<NamedEntry> renamed;          // names mapped to what the service accepts
    // Entries sent under a numbered name: mapped (or in another Unicode form), theirs would
    // have been a sibling's.
    std::vector<NamedEntry> numbered;
    // Names sent in another Unicode form than composed (NFC), which the disk keeps composed.
    std::size_t composedNames = 0;
    // Entries that cannot be uploaded (special files, links to folders or to nothing,
    // unreadable entries, names that cannot be mapped), with the reason.
    std::vector<NamedEntry> skipped;
};

// Titles of the system's choosers for the queue's operations; the front end asks with them
// before it calls the operation.
inline constexpr const char* kPickFileTitle = "请选择要上传的文件";
inline constexpr const char* kPickTargetTitle = "请选择存放的路径 ";
inline constexpr const char* kPickFolderTitle = "请选择上传文件夹: ";

// Said once per upload: how many names were changed, how many entries were left out. A front
// end that words the queue's notices in another language matches these.
std::string renamedNamesText(std::size_t count);
std::string skippedEntriesText(std::size_t count);
std::string numberedNamesText(std::size_t count);
std::string composedNamesText(std::size_t count);

}  // namespace nubexa
