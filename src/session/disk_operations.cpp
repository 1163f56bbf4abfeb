#include "session/disk_operations.h"

#include <optional>
#include <utility>

#include "service/service_client.h"
#include "session/operation_verdict.h"

namespace nubexa {

std::vector<std::string> splitDiskPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (const char c : path + "/") {
        if (c == '/' || c == '\\') {
            if (!part.empty() && part != ".")
                parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    return parts;
}

std::vector<RemoteFolder> foldersOnPath(const FolderTree& tree,
                                        const std::vector<std::string>& names) {
    std::vector<RemoteFolder> found;
    std::int32_t current = 0;
    std::string location;
    for (const std::string& name : names) {
        std::optional<std::int32_t> child;
        for (std::size_t i = 0;
             i < tree.names.size() && i < tree.ids.size() && i < tree.parentids.size(); ++i) {
            if (tree.parentids[i] == current && tree.names[i] == name) {
                child = tree.ids[i];
                break;
            }
        }
        if (!child)
            break;
        current = *child;
        location += "\\" + name;
        found.push_back({std::to_string(current), location});
    }
    return found;
}

namespace {

bool sessionEnded(const ServiceVerdict& verdict) {
    return verdict.failure == Failure::kRefused && verdict.message == kSessionEnded;
}
bool sessionEnded(const ServiceResult<AddedItem>& made) {
    return !made.ok() && made.value.message == kSessionEnded;
}
bool sessionEnded(const std::pair<std::string, ServiceVerdict>& answered) {
    return sessionEnded(answered.second);
}
template <typename T>
bool sessionEnded(const ServiceResult<T>& result) {
    return result.failure == Failure::kRefused && result.message == kSessionEnded;
}

}  // namespace

template <typename Call>
auto DiskOperations::underSession(Call&& call) const {
    const AccountInfo first = account();
    auto result = call(first);
    if (sessionEnded(result) && m_renew && m_renew(first.token))
        result = call(account());
    return result;
}

template <typename Call>
ServiceVerdict DiskOperations::judgedUnderSession(Call&& call) const {
    return underSession([&](const AccountInfo& a) {
        ServiceVerdict why;
        return verdictOf(call(a, &why), why);
    });
}

template <typename Call>
std::string DiskOperations::answeredUnderSession(Call&& call, ServiceVerdict* why) const {
    const auto [text, verdict] = underSession([&](const AccountInfo& a) {
        std::pair<std::string, ServiceVerdict> answered;
        answered.first = call(a, &answered.second);
        return answered;
    });
    if (why != nullptr)
        *why = verdict;
    return text;
}

template <typename Call>
ServiceResult<std::string> DiskOperations::textUnderSession(Call&& call) const {
    return underSession([&](const AccountInfo& a) {
        ServiceVerdict why;
        std::string text = call(a, &why);
        if (!why.accepted())
            text.clear();
        return ServiceResult<std::string>{std::move(text), why.failure, why.message};
    });
}

AccountInfo DiskOperations::account() const {
    return m_service.account();
}

ServiceResult<AddedItem> DiskOperations::makeFolder(const std::string& parentId,
                                                    const std::string& name) const {
    return underSession(
        [&](const AccountInfo& a) { return m_service.addFolder(a.uid, a.token, parentId, name); });
}

ServiceResult<FolderListing> DiskOperations::folderContents(const std::string& folderId) const {
    return underSession([&](const AccountInfo& a) {
        return m_service.GetFilesWhitPath(a.uid, a.token, folderId, "name", "0");
    });
}

ServiceVerdict DiskOperations::rename(const ItemRef& item, const std::string& name) const {
    return judgedUnderSession([&](const AccountInfo& a, ServiceVerdict* why) {
        return item.isFolder ? m_service.FolderRename(a.uid, a.token, item.id, name, why)
                             : m_service.FileRename(a.uid, a.token, item.id, name, why);
    });
}

ServiceVerdict DiskOperations::move(const ItemRef& item, const std::string& targetFolderId) const {
    return judgedUnderSession([&](const AccountInfo& a, ServiceVerdict* why) {
        return item.isFolder ? m_service.FolderMove(a.uid, a.token, item.id, targetFolderId, why)
                             : m_service.FileMove(a.uid, a.token, item.id, targetFolderId, why);
    });
}

ServiceVerdict DiskOperations::remove(const ItemRef& item, const std::string& forGood) const {
    return judgedUnderSession([&](const AccountInfo& a, ServiceVerdict* why) {
        return item.isFolder ? m_service.FolderDelete(a.uid, a.token, item.id, forGood, why)
                             : m_service.FileDelete(a.uid, a.token, item.id, forGood, why);
    });
}

ServiceVerdict DiskOperations::restore(const std::string& folderIds,
                                       const std::string& fileIds) const {
    return judgedUnderSession([&](const AccountInfo& a, ServiceVerdict* why) {
        return m_service.FolderAndFileRestore(a.uid, a.token, folderIds, fileIds, why);
    });
}

ServiceVerdict DiskOperations::clearBin() const {
    return judgedUnderSession([&](const AccountInfo& a, ServiceVerdict* why) {
        return m_service.ClearBin(a.uid, a.token, why);
    });
}

ServiceResult<FolderTree> DiskOperations::folderTree() const {
    return underSession(
        [&](const AccountInfo& a) { return m_service.GetFolders(a.uid, a.token, "0"); });
}

ServiceResult<DiskOperations::FolderAtPath> DiskOperations::makeFolderPath(
    const std::string& path) const {
    using Result = ServiceResult<FolderAtPath>;
    const std::vector<std::string> names = splitDiskPath(path);
    FolderAtPath at;
    if (names.empty())
        return Result::success(at);  // the top folder
    const ServiceResult<FolderTree> tree = folderTree();
    if (!tree.ok())
        return {at, tree.failure, tree.message};
    const std::vector<RemoteFolder> found = foldersOnPath(tree.value, names);
    if (!found.empty())
        at.folder = found.back();
    for (std::size_t i = found.size(); i < names.size(); ++i) {
        const auto made = makeFolder(at.folder.id, names[i]);
        if (!made.ok() || made.value.id.empty()) {
            for (std::size_t k = 0; k <= i; ++k)
                at.failedAt += "/" + names[k];
            Result failed = Result::failed(made.ok() ? Failure::kRefused : made.failure, at);
            failed.message = made.value.message;
            return failed;
        }
        at.folder.id = made.value.id;
        at.folder.locationText =
            (at.folder.locationText == "\\" ? "" : at.folder.locationText) + "\\" + names[i];
        ++at.made;
    }
    return Result::success(at);
}

ServiceResult<FolderEntries> DiskOperations::folderEntries(const std::string& folderId) const {
    const ServiceResult<int> listed = underSession([&](const AccountInfo& a) {
        ListingRequest request;
        request.uid = a.uid;
        request.token = a.token;
        request.order = "name";
        request.desc = "0";
        request.dir = folderId;
        return m_service.fetchListing(request);
    });
    // An answer whose lists cannot be entered lists nothing: not an empty folder.
    if (!listed.ok() || listed.value != 1) {
        auto failed = ServiceResult<FolderEntries>::failed(listed.ok() ? Failure::kMalformed
                                                                       : listed.failure);
        failed.message = listed.message;
        return failed;
    }
    FolderEntries entries;
    m_service.readTables([&](const DiskTables& tables) {
        entries.folders = listedEntries(tables.disk_folders);
        entries.files = listedEntries(tables.disk_files);
    });
    return ServiceResult<FolderEntries>::success(std::move(entries));
}

ServiceVerdict DiskOperations::encrypt(const ItemRef& item, const std::string& password,
                                       const std::string& tip) const {
    return judgedUnderSession([&](const AccountInfo& a, ServiceVerdict* why) {
        return item.isFolder ? m_service.FolderEncrypt(a.uid, a.token, item.id, password, tip, why)
                             : m_service.FileEncrypt(a.uid, a.token, item.id, password, tip, why);
    });
}

ServiceVerdict DiskOperations::decrypt(const ItemRef& item, const std::string& password) const {
    return judgedUnderSession([&](const AccountInfo& a, ServiceVerdict* why) {
        return item.isFolder ? m_service.FolderDecrypt(a.uid, a.token, item.id, password, why)
                             : m_service.FileDecrypt(a.uid, a.token, item.id, password, why);
    });
}

std::string DiskOperations::share(const ItemRef& item, const std::string& downPassword,
                                  const std::string& downValue, ServiceVerdict* why) const {
    return answeredUnderSession(
        [&](const AccountInfo& a, ServiceVerdict* said) {
            return item.isFolder ? m_service.FolderShare(a.uid, a.token, item.id, downPassword,
                                                         downValue, "", said)
                                 : m_service.FileShare(a.uid, a.token, item.id, downPassword,
                                                       downValue, "", said);
        },
        why);
}

std::string DiskOperations::emailShare(const ItemRef& item, const std::string& addresses,
                                       ServiceVerdict* why) const {
    return answeredUnderSession(
        [&](const AccountInfo& a, ServiceVerdict* said) {
            // A folder is mailed through its share with the addresses as the description.
            return item.isFolder
                       ? m_service.FolderShare(a.uid, a.token, item.id, "", "0", addresses, said)
                       : m_service.FileEmailShare(a.uid, a.token, item.id, addresses, said);
        },
        why);
}

ServiceVerdict DiskOperations::cancelShare(const ItemRef& item) const {
    return judgedUnderSession([&](const AccountInfo& a, ServiceVerdict* why) {
        return item.isFolder ? m_service.FolderShareCancle(a.uid, a.token, item.id, why)
                             : m_service.FileShareCancle(a.uid, a.token, item.id, why);
    });
}

ServiceResult<std::string> DiskOperations::shareLink(const ItemRef& item) const {
    return textUnderSession([&](const AccountInfo& a, ServiceVerdict* why) {
        return item.isFolder ? m_service.GetFolderShareLink(a.uid, a.token, item.id, why)
                             : m_service.GetFileShareLink(a.uid, a.token, item.id, why);
    });
}

ServiceResult<std::string> DiskOperations::emailShareInfo(const ItemRef& item) const {
    return textUnderSession([&](const AccountInfo& a, ServiceVerdict* why) {
        return item.isFolder ? m_service.GetFolderEmailShareInfo(a.uid, a.token, item.id, why)
                             : m_service.GetFileEmailShareInfo(a.uid, a.token, item.id, why);
    });
}

ServiceResult<DiskOperations::DirectLinkInfo> DiskOperations::directLinkInfo(
    const std::string& fileId) const {
    std::string domains;
    ServiceResult<std::string> link =
        textUnderSession([&](const AccountInfo& a, ServiceVerdict* why) {
            domains.clear();
            return m_service.GetFileOutLinkInfo(a.uid, a.token, fileId, domains, why);
        });
    return {{std::move(link.value), link.ok() ? std::move(domains) : std::string()},
            link.failure,
            std::move(link.message)};
}

ServiceVerdict DiskOperations::setDirectLink(const std::string& fileId, const std::string& linkName,
                                             const std::string& domains) const {
    return judgedUnderSession([&](const AccountInfo& a, ServiceVerdict* why) {
        return m_service.FileOutLinkSetting(a.uid, a.token, fileId, linkName, domains, why);
    });
}

ServiceResult<std::string> DiskOperations::directLink(const std::string& fileId) const {
    return textUnderSession([&](const AccountInfo& a, ServiceVerdict* why) {
        return m_service.GetFileOutLink(a.uid, a.token, fileId, why);
    });
}

ServiceVerdict DiskOperations::cancelDirectLink(const std::string& fileId) const {
    return judgedUnderSession([&](const AccountInfo& a, ServiceVerdict* why) {
        return m_service.CancleFileOutLink(a.uid, a.token, fileId, why);
    });
}

}  // namespace nubexa
