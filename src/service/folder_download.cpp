// GetFilesWhitPath: a folder download turned into local folders and queued download rows.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <vector>

#include "platform/notifier.h"
#include "service/listing_reader.h"
#include "service/local_target.h"
#include "service/service_client.h"
#include "service/signed_query.h"
#include "service/text_codec.h"
#include "store/local_store.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "xml/markup_navigator.h"

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

// All rows in one bracket and one transaction: the workers see the whole folder at once.
void queueRows(StoreGate& gate, const std::vector<NewTaskRow>& rows) {
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

}  // namespace

int ServiceClient::GetFilesWhitPath(const std::string& uid, const std::string& token,
                                    const std::string& dir, const std::string& order,
                                    const std::string& desc, const std::string& localRoot,
                                    const std::string& folderName, StoreGate& gate,
                                    Notifier& notifier) {
    SignedQuery query("/UserService.asmx/GetFilesWhitPath");
    query.add("uid", uid).add("token", token).add("dir", dir).add("order", order).add("desc", desc);
    const std::string text = m_frame.send(query.signedUrl(m_frame.apiHost()), Repeat::kBounded);
    MarkupNavigator navigator;
    if (text.empty() || !navigator.setDoc(text))
        return 0;
    const ListingRead read =
        readListing(navigator, {true, true, std::numeric_limits<std::size_t>::max()});
    if (!read.hasResult)
        return 1;

    const LocalTarget target(localRoot, folderName);
    if (!target.valid()) {
        refuse("folder name", localRoot, folderName);
        return 0;
    }
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(target.topFolder(), error))) {
        notifier.showMessage(kCaption, kFolderExists);
        return 0;
    }
    FolderMaker folders;
    folders.make(target.topFolder());

    const std::string parentId = account().current_dir_id;
    std::vector<NewTaskRow> rows;
    for (const auto& file : read.files.value_or(std::vector<DiskFileEntry>{})) {
        const auto folder = target.folderFor(file.path);
        const std::string localName = file.name + file.ext;
        const std::string remoteName = file.id + file.ext;
        if (!folder || !isSafeFileName(localName) || file.id.empty() ||
            !isSafeFileName(remoteName)) {
            refuse("file", file.path, localName);
            continue;
        }
        folders.make(*folder);
        rows.push_back(NewTaskRow{uid, *folder, localName, remoteName,
                                  std::max<std::int64_t>(0, toInt64(file.size)),
                                  task_status::kWaiting, "\\", parentId});
    }
    for (const auto& folder : read.folders.value_or(std::vector<FolderItemLc>{})) {
        const auto base = target.folderFor(folder.path);
        if (!base || !isSafeFileName(folder.name)) {
            refuse("folder", folder.path, folder.name);
            continue;
        }
        folders.make(*base + folder.name + "/");
    }
    queueRows(gate, rows);
    if (folders.failed())
        notifier.showMessage(kCaption, kFolderNotCreated);
    return 1;
}

}  // namespace nubexa
