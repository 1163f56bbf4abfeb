#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "service/disk_entries.h"
#include "session/disk_operations.h"
#include "transfer/queue_entries.h"

namespace nubexa::cli {

// An id as "ls" prints it: "6" or "id=6"; "folder:6" or "file:6" where a folder and a file
// share the number.
struct ListedId {
    std::string id;
    bool folders = true;  // may name a folder
    bool files = true;    // may name a file
};
ListedId parseListedId(const std::string& given);

// Finds folders and files of the signed-in user's disk by path, through GetFolders (the whole
// folder tree) and GetFiles (one folder's items). What it read is kept for the command's
// further questions (one command, one view of the disk): each is asked of the service once.
class RemoteDisk {
public:
    explicit RemoteDisk(const DiskOperations& disk) : m_disk(disk) {}

    // The folder at `path` with the location text the disk page would show; empty (with
    // `error` set) when there is no such folder.
    std::optional<RemoteFolder> folder(const std::string& path, std::string& error);
    // The file or folder at `path`.
    std::optional<DiskItem> item(const std::string& path, std::string& error);

    // The disk path ("/照片/旅行/a.jpg") of the file or folder with the id that "ls" shows
    // ("6" or "id=6"; "folder:6" or "file:6" where a folder and a file share the number).
    std::optional<std::string> pathOfId(const std::string& given, std::string& error);

    // A folder the service keeps behind a password.
    struct ProtectedFolder {
        std::string location;  // as the disk page writes it: \照片\私密
        std::string password;
        std::string hint;
    };
    // The protected folders that `path` goes through, itself last if it is one: each must be
    // unlocked before its content is shown or fetched, as the disk page asks.
    std::optional<std::vector<ProtectedFolder>> protectedOnPath(const std::string& path,
                                                                std::string& error);

    using Listing = FolderEntries;
    std::optional<Listing> list(const RemoteFolder& folder, std::string& error);

private:
    bool loadTree(std::string& error);
    // After loadTree.
    std::optional<std::string> folderPathOfId(const std::string& id) const;
    // Empty with `error` empty: no such file.
    std::optional<std::string> filePathOfId(const std::string& id, std::string& error);

    const DiskOperations& m_disk;
    std::optional<FolderTree> m_tree;
    std::map<std::string, Listing> m_listings;  // by folder id
};

}  // namespace nubexa::cli
