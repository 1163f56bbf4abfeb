#include "transfer/folder_download.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "ftp/partial_name.h"
#include "platform/notifier.h"
#include "service/local_target.h"
#include "service/remote_name.h"
#include "service/service_client.h"
#include "service/text_codec.h"
#include "store/local_store.h"
#include "store/store_gate.h"
#include "transfer/transfer_queue.h"

namespace nubexa {

namespace {

constexpr const char* kDownloadFolderExists = "要下载的文件夹已经存在，请改名后再下载！";
constexpr const char* kFolderNotCreated = "文件夹创建失败";
constexpr const char* kListingRefused = "操作失败";
constexpr const char* kListingNetworkFailed = "网络异常，下载失败";

// Creates folders; remembers whether any failed so that the user hears it once per download.
class FolderMaker {
public:
    void make(const std::string& folder) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            std::fprintf(stderr, "cannot create %s: %s\n", folder.c_str(), error.message().c_str());
            m_failed = true;
        }
    }
    bool failed() const { return m_failed; }

private:
    bool m_failed = false;
};

// Gives every listed name its local form, once per local folder: two names of the service that
// come out the same locally ("é" composed and decomposed, two names cut to one) get numbers
// instead of one overwriting the other.
class LocalNames {
public:
    std::string place(const std::string& folder, const std::string& remoteName) {
        const LocalName local = localNameFor(remoteName);
        std::set<std::string>& taken = m_taken[folder];
        std::string name = local.name;
        for (int n = 2; taken.count(name) > 0; ++n)
            name = numberedLocalName(local.name, n);
        taken.insert(name);
        if (name != toNfc(remoteName)) {
            std::fprintf(stderr, "folder download: \"%s\" is saved as \"%s%s\"\n",
                         remoteName.c_str(), folder.c_str(), name.c_str());
            ++m_changed;
        } else if (name != remoteName) {
            ++m_composed;
        }
        return name;
    }
    int changed() const { return m_changed; }
    // Names that differ from the service's only in their Unicode form.
    int composed() const { return m_composed; }

private:
    std::map<std::string, std::set<std::string>> m_taken;
    int m_changed = 0;
    int m_composed = 0;
};

// A folder an earlier download of the same folder left: folders and partial files only (the
// partial files of deleted tasks go with them, their folders stay). Not the user's data.
bool holdsOnlyLeftovers(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(folder, error)))
        return false;
    for (fs::recursive_directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const fs::file_status status = entry->symlink_status(error);
        if (error)
            return false;
        if (fs::is_directory(status))
            continue;
        if (!fs::is_regular_file(status) || !isPartialName(entry->path().filename().string()))
            return false;
    }
    return !error;
}

void refuse(const char* kind, const std::string& path, const std::string& name) {
    std::fprintf(stderr, "folder download: %s refused (path \"%s\", name \"%s\")\n", kind,
                 path.c_str(), name.c_str());
}

// The stored form of a file's remote folder: the downloaded folder's parent joined with the
// listing's "/"-separated path below it.
std::string remoteFolderOf(std::string parent, const std::string& listedPath) {
    while (!parent.empty() && parent.back() == '\\')
        parent.pop_back();
    std::string below = listedPath;
    std::replace(below.begin(), below.end(), '/', '\\');
    if (below.empty() || below.front() != '\\')
        below.insert(below.begin(), '\\');
    return parent + below;
}

}  // namespace

FolderDownloadPlan prepareFolderDownload(const ServiceClient& service, Notifier& notifier,
                                         const std::string& folderId, const std::string& localRoot,
                                         const std::string& folderName, const std::string& parentId,
                                         const FolderDownloadChoice& choice) {
    const AccountInfo account = service.account();
    const auto listing = service.GetFilesWhitPath(account.uid, account.token, folderId, "", "");
    // A listing the service refused (an answer without "result") or that never came is a
    // download that did not happen: said so, rather than queued as an empty folder.
    if (listing.failure == Failure::kRefused || listing.failure == Failure::kMalformed) {
        notifier.showMessage(kNoticeCaption,
                             listing.message.empty() ? kListingRefused : listing.message);
        return {0, listing.failure, {}};
    }
    if (listing.networkFailed())
        notifier.showMessage(kNoticeCaption, kListingNetworkFailed);
    if (!listing.ok())
        return {0, listing.failure, {}};
    return planFolderDownload(listing.value, notifier, account.uid, localRoot, folderName, parentId,
                              choice);
}

FolderDownloadPlan planFolderDownload(const FolderListing& listing, Notifier& notifier,
                                      const std::string& uid, const std::string& localRoot,
                                      const std::string& folderName, const std::string& parentId,
                                      const FolderDownloadChoice& choice) {
    FolderDownloadPlan plan;
    const LocalTarget target(localRoot, folderName);
    if (!target.valid()) {
        refuse("folder name", localRoot, folderName);
        return plan;
    }
    std::error_code error;
    if (!choice.skipExisting &&
        std::filesystem::exists(std::filesystem::symlink_status(target.topFolder(), error)) &&
        !holdsOnlyLeftovers(target.topFolder())) {
        notifier.showMessage(kNoticeCaption, kDownloadFolderExists);
        return plan;
    }
    FolderMaker folders;
    folders.make(target.topFolder());
    LocalNames names;
    // Where each listed folder path went locally. Two remote folders whose names come out the
    // same here (composed and decomposed "é") are two local folders, the later numbered: their
    // files never meet in one.
    std::map<std::string, std::string> placed;
    const auto localFolderOf = [&](const std::string& path) -> std::optional<std::string> {
        if (const auto found = placed.find(path); found != placed.end())
            return found->second;
        return target.folderFor(path);
    };
    // Parents before their sub-folders, whatever order the listing has.
    std::vector<const FolderItemLc*> byDepth;
    for (const auto& folder : listing.folders)
        byDepth.push_back(&folder);
    std::stable_sort(byDepth.begin(), byDepth.end(), [](const auto* a, const auto* b) {
        return std::count(a->path.begin(), a->path.end(), '/') <
               std::count(b->path.begin(), b->path.end(), '/');
    });
    // Folders first: a file never takes the name of a folder beside it.
    for (const auto* folder : byDepth) {
        const auto base = localFolderOf(folder->path);
        if (!base || !isSafeFileName(folder->name)) {
            refuse("folder", folder->path, folder->name);
            continue;
        }
        const std::string local = *base + names.place(*base, folder->name) + "/";
        placed.emplace(folder->path + folder->name + "/", local);
        folders.make(local);
    }
    for (const auto& file : listing.files) {
        const auto folder = localFolderOf(file.path);
        const std::string listedName = file.name + file.ext;
        const std::string remoteName = file.id + file.ext;
        if (!folder || !isSafeFileName(listedName) || file.id.empty() ||
            !isSafeFileName(remoteName)) {
            refuse("file", file.path, listedName);
            continue;
        }
        folders.make(*folder);
        std::string localName = names.place(*folder, listedName);
        if (choice.skipExisting &&
            std::filesystem::exists(std::filesystem::symlink_status(*folder + localName, error))) {
            ++plan.skippedExisting;
            continue;
        }
        plan.rows.push_back(NewTaskRow{uid, *folder, std::move(localName), remoteName,
                                       std::max<std::int64_t>(0, toInt64(file.size)),
                                       task_status::kWaiting, "\\", parentId,
                                       remoteFolderOf(choice.remoteParent, file.path), localRoot});
    }
    if (folders.failed())
        notifier.showMessage(kNoticeCaption, kFolderNotCreated);
    if (names.changed() > 0)
        notifier.showMessage(kNoticeCaption, std::to_string(names.changed()) +
                                                 " 个文件名无法在本地使用，已改为安全的名称");
    if (names.composed() > 0)
        notifier.showMessage(kNoticeCaption, composedNamesText(names.composed()));
    plan.result = 1;
    return plan;
}

int queueFolderDownloadRows(StoreGate& gate, const std::vector<NewTaskRow>& rows) {
    if (rows.empty())
        return 0;
    return gate.run([&](LocalStore& store) {
        int alreadyQueued = 0;
        const bool inTransaction = store.begin();
        if (!inTransaction)
            store.reportError();
        TaskTable tasks(store);
        for (const auto& row : rows) {
            // The same file into the same place is one task, however often it is asked for.
            if (tasks.findSameTask(row, ran_type::kDownload) > 0)
                ++alreadyQueued;
            else
                tasks.insertFolderDownload(row);
        }
        if (inTransaction && !store.commit()) {
            store.reportError();
            store.rollback();
        }
        return alreadyQueued;
    });
}

}  // namespace nubexa
