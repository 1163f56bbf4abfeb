#include "session/disk_operations.h"

#include "service/service_client.h"

namespace nubexa {

AccountInfo DiskOperations::account() const {
    return m_service.account();
}

int DiskOperations::addFolder(const std::string& parentId, const std::string& name) const {
    const AccountInfo a = account();
    return m_service.FolderAdd(a.uid, a.token, parentId, name);
}

int DiskOperations::rename(const ItemRef& item, const std::string& name) const {
    const AccountInfo a = account();
    return item.isFolder ? m_service.FolderRename(a.uid, a.token, item.id, name)
                         : m_service.FileRename(a.uid, a.token, item.id, name);
}

int DiskOperations::move(const ItemRef& item, const std::string& targetFolderId) const {
    const AccountInfo a = account();
    return item.isFolder ? m_service.FolderMove(a.uid, a.token, item.id, targetFolderId)
                         : m_service.FileMove(a.uid, a.token, item.id, targetFolderId);
}

int DiskOperations::remove(const ItemRef& item, const std::string& forGood) const {
    const AccountInfo a = account();
    return item.isFolder ? m_service.FolderDelete(a.uid, a.token, item.id, forGood)
                         : m_service.FileDelete(a.uid, a.token, item.id, forGood);
}

int DiskOperations::restore(const std::string& folderIds, const std::string& fileIds) const {
    const AccountInfo a = account();
    return m_service.FolderAndFileRestore(a.uid, a.token, folderIds, fileIds);
}

int DiskOperations::clearBin() const {
    const AccountInfo a = account();
    return m_service.ClearBin(a.uid, a.token);
}

int DiskOperations::folderTree(FolderTree& tree) const {
    const AccountInfo a = account();
    return m_service.GetFolders(a.uid, a.token, "0", tree);
}

int DiskOperations::encrypt(const ItemRef& item, const std::string& password,
                            const std::string& tip) const {
    const AccountInfo a = account();
    return item.isFolder ? m_service.FolderEncrypt(a.uid, a.token, item.id, password, tip)
                         : m_service.FileEncrypt(a.uid, a.token, item.id, password, tip);
}

int DiskOperations::decrypt(const ItemRef& item, const std::string& password) const {
    const AccountInfo a = account();
    return item.isFolder ? m_service.FolderDecrypt(a.uid, a.token, item.id, password)
                         : m_service.FileDecrypt(a.uid, a.token, item.id, password);
}

std::string DiskOperations::share(const ItemRef& item, const std::string& downPassword,
                                  const std::string& downValue) const {
    const AccountInfo a = account();
    return item.isFolder
               ? m_service.FolderShare(a.uid, a.token, item.id, downPassword, downValue, "")
               : m_service.FileShare(a.uid, a.token, item.id, downPassword, downValue, "");
}

std::string DiskOperations::emailShare(const ItemRef& item, const std::string& addresses) const {
    const AccountInfo a = account();
    // A folder is mailed through its share with the addresses as the description.
    return item.isFolder ? m_service.FolderShare(a.uid, a.token, item.id, "", "0", addresses)
                         : m_service.FileEmailShare(a.uid, a.token, item.id, addresses);
}

int DiskOperations::cancelShare(const ItemRef& item) const {
    const AccountInfo a = account();
    return item.isFolder ? m_service.FolderShareCancle(a.uid, a.token, item.id)
                         : m_service.FileShareCancle(a.uid, a.token, item.id);
}

std::string DiskOperations::shareLink(const ItemRef& item) const {
    const AccountInfo a = account();
    return item.isFolder ? m_service.GetFolderShareLink(a.uid, a.token, item.id)
                         : m_service.GetFileShareLink(a.uid, a.token, item.id);
}

std::string DiskOperations::emailShareInfo(const ItemRef& item) const {
    const AccountInfo a = account();
    return item.isFolder ? m_service.GetFolderEmailShareInfo(a.uid, a.token, item.id)
                         : m_service.GetFileEmailShareInfo(a.uid, a.token, item.id);
}

std::string DiskOperations::directLinkInfo(const std::string& fileId, std::string& domains) const {
    const AccountInfo a = account();
    return m_service.GetFileOutLinkInfo(a.uid, a.token, fileId, domains);
}

int DiskOperations::setDirectLink(const std::string& fileId, const std::string& linkName,
                                  const std::string& domains) const {
    const AccountInfo a = account();
    return m_service.FileOutLinkSetting(a.uid, a.token, fileId, linkName, domains);
}

std::string DiskOperations::directLink(const std::string& fileId) const {
    const AccountInfo a = account();
    return m_service.GetFileOutLink(a.uid, a.token, fileId);
}

int DiskOperations::cancelDirectLink(const std::string& fileId) const {
    const AccountInfo a = account();
    return m_service.CancleFileOutLink(a.uid, a.token, fileId);
}

}  // namespace nubexa
