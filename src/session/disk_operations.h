#pragma once

#include <string>

#include "service/account_info.h"
#include "service/disk_entries.h"

namespace nubexa {

class ServiceClient;

// A file or a folder of the disk, as an operation names it.
struct ItemRef {
    std::string id;
    bool isFolder = false;
};

// The disk pages' operations on the signed-in user's files and folders: one web request each,
// signed with the account's uid and token as they are when it is sent, the folder or the file
// form as the item says. Results as the service gives them: 1 when accepted, else 0, unless
// stated. Blocking: the desktop client calls them off its GUI thread. Any thread.
class DiskOperations {
public:
    explicit DiskOperations(ServiceClient& service) : m_service(service) {}

    AccountInfo account() const;

    int addFolder(const std::string& parentId, const std::string& name) const;
    int rename(const ItemRef& item, const std::string& name) const;
    int move(const ItemRef& item, const std::string& targetFolderId) const;
    // `forGood` "1": out of the recycle bin too; "0": into it.
    int remove(const ItemRef& item, const std::string& forGood) const;
    int restore(const std::string& folderIds, const std::string& fileIds) const;
    int clearBin() const;
    // The whole folder tree, for choosing where to move; below 0 when it could not be read.
    int folderTree(FolderTree& tree) const;

    int encrypt(const ItemRef& item, const std::string& password, const std::string& tip) const;
    int decrypt(const ItemRef& item, const std::string& password) const;

    // The text of "result" ("1" = shared).
    std::string share(const ItemRef& item, const std::string& downPassword,
                      const std::string& downValue) const;
    // "1" when sent, else the service's words.
    std::string emailShare(const ItemRef& item, const std::string& addresses) const;
    int cancelShare(const ItemRef& item) const;
    // The link, or empty when refused.
    std::string shareLink(const ItemRef& item) const;
    std::string emailShareInfo(const ItemRef& item) const;

    // Direct links: files only.
    std::string directLinkInfo(const std::string& fileId, std::string& domains) const;
    int setDirectLink(const std::string& fileId, const std::string& linkName,
                      const std::string& domains) const;
    std::string directLink(const std::string& fileId) const;
    int cancelDirectLink(const std::string& fileId) const;

private:
    ServiceClient& m_service;
};

}  // namespace nubexa
