#include "transfer/folder_download.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/notifier.h"
#include "service/local_target.h"
#include "service/service_client.h"
#include "service/text_codec.h"
#include "store/local_store.h"
#include "store/store_gate.h"

namespace nubexa {

namespace {

constexpr const char* kCaption = "提示";
constexpr const char* kFolderExists = "要下载的文件夹已经存在，请改名后再下载！";
constexpr const char* kFolderNotCreated = "文件夹创建失败";

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

void refuse(const char* kind, const std::string& path, const std::string& name) {
    std::fprintf(stderr, "folder download: %s refused (path \"%s\", name \"%s\")\n", kind,
                 path.c_str(), name.c_str());
}

}  // namespace

FolderDownloadPlan prepareFolderDownload(const ServiceClient& service, Notifier& notifier,
                                         const std::string& folderId, const std::string& localRoot,
                                         const std::string& folderName,
                                         const std::string& parentId) {
    const AccountInfo account = service.account();
    const auto listing = service.GetFilesWhitPath(account.uid, account.token, folderId, "", "");
    if (listing.failure == Failure::kRefused)
        return {1, Failure::kRefused, {}};  // an answer without "result" lists nothing
    if (!listing.ok())
        return {0, listing.failure, {}};
    return planFolderDownload(listing.value, notifier, account.uid, localRoot, folderName,
                              parentId);
}

FolderDownloadPlan planFolderDownload(const FolderListing& listing, Notifier& notifier,
                                      const std::string& uid, const std::string& localRoot,
                                      const std::string& folderName, const std::string& parentId) {
    FolderDownloadPlan plan;
    const LocalTarget target(localRoot, folderName);
    if (!target.valid()) {
        refuse("folder name", localRoot, folderName);
        return plan;
    }
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(target.topFolder(), error))) {
        notifier.showMessage(kCaption, kFolderExists);
        return plan;
    }
    FolderMaker folders;
    folders.make(target.topFolder());
    for (const auto& file : listing.files) {
        const auto folder = target.folderFor(file.path);
        const std::string localName = file.name + file.ext;
        const std::string remoteName = file.id + file.ext;
        if (!folder || !isSafeFileName(localName) || file.id.empty() ||
            !isSafeFileName(remoteName)) {
            refuse("file", file.path, localName);
            continue;
        }
        folders.make(*folder);
        plan.rows.push_back(NewTaskRow{uid, *folder, localName, remoteName,
                                       std::max<std::int64_t>(0, toInt64(file.size)),
                                       task_status::kWaiting, "\\", parentId});
    }
    for (const auto& folder : listing.folders) {
        const auto base = target.folderFor(folder.path);
        if (!base || !isSafeFileName(folder.name)) {
            refuse("folder", folder.path, folder.name);
            continue;
        }
        folders.make(*base + folder.name + "/");
    }
    if (folders.failed())
        notifier.showMessage(kCaption, kFolderNotCreated);
    plan.result = 1;
    return plan;
}

void queueFolderDownloadRows(StoreGate& gate, const std::vector<NewTaskRow>& rows) {
    if (rows.empty())
        return;
    gate.run([&](LocalStore& store) {
        const bool inTransaction = store.begin();
        if (!inTransaction)
            store.reportError();
        TaskTable tasks(store);
        for (const auto& row : rows)
            tasks.insertFolderDownload(row);
        if (inTransaction && !store.commit()) {
            store.reportError();
            store.rollback();
        }
    });
}

}  // namespace nubexa
