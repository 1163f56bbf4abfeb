#pragma once

#include <string>
#include <vector>

#include "service/account_info.h"
#include "service/disk_entries.h"
#include "service/service_client.h"
#include "service/service_result.h"
#include "transfer/queue_entries.h"

namespace nubexa {

// One folder's own folders and files, as a listing shows them (placeholders left out).
struct FolderEntries {
    std::vector<FolderItemLc> folders;
    std::vector<DiskFileEntry> files;
};

// The folder names of a disk path: "/照片/旅行", "\照片\旅行" and "照片/旅行" are the same;
// "" and "/" are the top folder.
std::vector<std::string> splitDiskPath(const std::string& path);
// The folders `names` lead through from the top, as far as `tree` holds them, each with the
// location text the disk page shows ("\照片\旅行").
std::vector<RemoteFolder> foldersOnPath(const FolderTree& tree,
                                        const std::vector<std::string>& names);

// A file or a folder of the disk, as an operation names it.
struct ItemRef {
    std::string id;
    bool isFolder = false;
};

// The disk pages' operations on the signed-in user's files and folders: one web request each,
// signed with the account's uid and token as they are when it is sent, the folder or the file
// form as the item says. Results as the service gives them: 1 when accepted, else 0, unless
// stated; `why`, when given, learns what kept one from being accepted (no answer, or the
// service's reason), for a front end that shows the service's words. Blocking: the desktop
// client calls them off its GUI thread. Any thread.
class DiskOperations {
public:
    explicit DiskOperations(ServiceClient& service) : m_service(service) {}

    AccountInfo account() const;

    int addFolder(const std::string& parentId, const std::string& name) const;
    // The same with the new folder's id, or why it was not made (the service's reason in
    // `message`).
    ServiceResult<AddedItem> makeFolder(const std::string& parentId, const std::string& name) const;
    // A file: `name` without its extension, which the file keeps.
    int rename(const ItemRef& item, const std::string& name, ServiceRefusal* why = nullptr) const;
    int move(const ItemRef& item, const std::string& targetFolderId,
             ServiceRefusal* why = nullptr) const;
    // `forGood` "1": out of the recycle bin too; "0": into it.
    int remove(const ItemRef& item, const std::string& forGood,
               ServiceRefusal* why = nullptr) const;
    int restore(const std::string& folderIds, const std::string& fileIds,
                ServiceRefusal* why = nullptr) const;
    int clearBin(ServiceRefusal* why = nullptr) const;
    // Every file and folder below a folder, with paths relative to it (not the top folder).
    ServiceResult<FolderListing> folderContents(const std::string& folderId) const;
    // The whole folder tree, for choosing where to move; below 0 when it could not be read.
    int folderTree(FolderTree& tree) const;
    // The folder at a disk path, made with the folders above it where missing ("mkdir -p").
    // Refused: `message` is the service's reason, `value.made` how many were made, and
    // `value.failedAt` the path ("/a/b") that could not be made.
    struct FolderAtPath {
        RemoteFolder folder;
        int made = 0;
        std::string failedAt;
    };
    ServiceResult<FolderAtPath> makeFolderPath(const std::string& path) const;
    // One folder's items by name, without touching the folder the pages show.
    ServiceResult<FolderEntries> folderEntries(const std::string& folderId) const;

    int encrypt(const ItemRef& item, const std::string& password, const std::string& tip,
                ServiceRefusal* why = nullptr) const;
    int decrypt(const ItemRef& item, const std::string& password,
                ServiceRefusal* why = nullptr) const;

    // The text of "result" ("1" = shared).
    std::string share(const ItemRef& item, const std::string& downPassword,
                      const std::string& downValue, ServiceRefusal* why = nullptr) const;
    // "1" when sent, else the service's words.
    std::string emailShare(const ItemRef& item, const std::string& addresses) const;
    int cancelShare(const ItemRef& item, ServiceRefusal* why = nullptr) const;
    // The link, or empty when refused.
    std::string shareLink(const ItemRef& item) const;
    std::string emailShareInfo(const ItemRef& item) const;

    // Direct links: files only.
    std::string directLinkInfo(const std::string& fileId, std::string& domains) const;
    int setDirectLink(const std::string& fileId, const std::string& linkName,
                      const std::string& domains, ServiceRefusal* why = nullptr) const;
    std::string directLink(const std::string& fileId) const;
    int cancelDirectLink(const std::string& fileId, ServiceRefusal* why = nullptr) const;

private:
    ServiceClient& m_service;
};

}  // namespace nubexa
