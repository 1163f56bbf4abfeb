#pragma once

#include <functional>
#include <string>
#include <vector>

#include "service/account_info.h"
#include "service/disk_entries.h"
#include "service/folder_listing.h"
#include "service/service_result.h"
#include "transfer/queue_entries.h"

namespace nubexa {

class ServiceClient;

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
// form as the item says. An item operation says whether it was accepted, and if not why: no
// answer, or the service's no in its own words (which nubexa-cli shows). Blocking: the desktop
// client calls them off its GUI thread. Any thread.
class DiskOperations {
public:
    // `renew`: signs the user in again after the service ended the session whose token it is
    // given (true: the service client holds a new one); empty: never.
    using SessionRenewal = std::function<bool(const std::string& staleToken)>;
    explicit DiskOperations(ServiceClient& service, SessionRenewal renew = {})
        : m_service(service), m_renew(std::move(renew)) {}

    AccountInfo account() const;

    // The new folder's id, or why it was not made (the service's reason in `message`).
    ServiceResult<AddedItem> makeFolder(const std::string& parentId, const std::string& name) const;
    // A file: `name` without its extension, which the file keeps.
    ServiceVerdict rename(const ItemRef& item, const std::string& name) const;
    ServiceVerdict move(const ItemRef& item, const std::string& targetFolderId) const;
    // `forGood` "1": out of the recycle bin too; "0": into it.
    ServiceVerdict remove(const ItemRef& item, const std::string& forGood) const;
    ServiceVerdict restore(const std::string& folderIds, const std::string& fileIds) const;
    ServiceVerdict clearBin() const;
    // Every file and folder below a folder, with paths relative to it (not the top folder).
    ServiceResult<FolderListing> folderContents(const std::string& folderId) const;
    // The whole folder tree, for choosing where to move.
    ServiceResult<FolderTree> folderTree() const;
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

    ServiceVerdict encrypt(const ItemRef& item, const std::string& password,
                           const std::string& tip) const;
    ServiceVerdict decrypt(const ItemRef& item, const std::string& password) const;

    // The text of "result" ("1" = shared).
    std::string share(const ItemRef& item, const std::string& downPassword,
                      const std::string& downValue, ServiceVerdict* why = nullptr) const;
    // "1" when sent, else the service's words; `why` says whether the request failed.
    std::string emailShare(const ItemRef& item, const std::string& addresses,
                           ServiceVerdict* why = nullptr) const;
    ServiceVerdict cancelShare(const ItemRef& item) const;
    // What the service keeps of an item's share and direct link: the text, or why there is none
    // (refused, with the service's words, or no answer).
    ServiceResult<std::string> shareLink(const ItemRef& item) const;
    ServiceResult<std::string> emailShareInfo(const ItemRef& item) const;

    // Direct links: files only.
    struct DirectLinkInfo {
        std::string link;     // the link's name, or its key and the file's id
        std::string domains;  // the whitelist, comma-separated; empty: any
    };
    ServiceResult<DirectLinkInfo> directLinkInfo(const std::string& fileId) const;
    ServiceVerdict setDirectLink(const std::string& fileId, const std::string& linkName,
                                 const std::string& domains) const;
    ServiceResult<std::string> directLink(const std::string& fileId) const;
    ServiceVerdict cancelDirectLink(const std::string& fileId) const;

private:
    // Runs `call(account)`; when the service refused it because it ended the session, the user
    // is signed in again (once for every caller) and the call runs once more under the new one.
    template <typename Call>
    auto underSession(Call&& call) const;
    // The same for an item operation that answers 1 when accepted and says why not in `why`.
    template <typename Call>
    ServiceVerdict judgedUnderSession(Call&& call) const;
    // The same for an operation that answers with a text, which stays whatever the verdict
    // (a refusal's words, say); the verdict goes to `why` when given.
    template <typename Call>
    std::string answeredUnderSession(Call&& call, ServiceVerdict* why) const;
    // The same for a text the service answers with, empty and why when it does not.
    template <typename Call>
    ServiceResult<std::string> textUnderSession(Call&& call) const;

    ServiceClient& m_service;
    SessionRenewal m_renew;
};

}  // namespace nubexa
