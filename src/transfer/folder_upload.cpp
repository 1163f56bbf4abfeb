#include "transfer/folder_upload.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "platform/notifier.h"
#include "service/remote_name.h"
#include "service/service_client.h"
#include "store/store_gate.h"
#include "transfer/transfer_manager.h"

namespace nubexa {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUploadFolderExists = "选择的文件夹已经存在，请修改后再上传";
constexpr const char* kNetworkFailed = "网络异常，上传失败";
constexpr const char* kTopFolderRefused = "不能把文件系统的最顶层作为文件夹上传";

// Remote paths are written with backslashes; "\" is the top folder.
std::string remoteChild(const std::string& path, const std::string& name) {
    std::string child = path;
    if (child.empty() || child.back() != '\\')
        child.push_back('\\');
    return child + name + "\\";
}

bool listable(const fs::path& folder) {
    std::error_code error;
    fs::directory_iterator it(folder, error);
    return !error;
}

std::string withSlash(const fs::path& folder) {
    std::string text = folder.string();
    if (text.empty() || text.back() != '/')
        text.push_back('/');
    return text;
}

}  // namespace

FolderUploadWalk::FolderUploadWalk(TransferManager& manager, RemoteFolder target)
    : m_manager(manager), m_target(std::move(target)), m_account(manager.service().account()) {}

std::string FolderUploadWalk::addRemoteFolder(const std::string& parentId, const std::string& name,
                                              bool judgeIdAlone) {
    const auto added =
        m_manager.service().addFolder(m_account.uid, m_account.token, parentId, name);
    m_plan.lastFailure = added.failure;
    const std::string& id = added.value.id;
    // The chosen folder itself is judged on the id alone: a folder the service answers with
    // an id exists, whatever its result text says.
    const bool accepted = added.ok() || (judgeIdAlone && added.failure == Failure::kRefused);
    return accepted && !id.empty() && id != "0" ? id : std::string();
}

FolderUploadPlan FolderUploadWalk::prepare(const std::optional<std::string>& root) {
    FolderUploadResult& result = m_plan.result;
    if (!root) {
        result.code = -1;
        return std::move(m_plan);
    }
    if (root->empty()) {
        result.code = -2;
        return std::move(m_plan);
    }
    std::error_code error;
    fs::path top = fs::absolute(*root, error).lexically_normal();
    if (!top.has_filename())
        top = top.parent_path();
    if (error || !fs::is_directory(top, error))
        return std::move(m_plan);  // nothing there to upload
    if (top.filename().empty()) {
        // The top of the file system has no name its disk folder could take.
        m_manager.notifier().showMessage(kNoticeCaption, kTopFolderRefused);
        return std::move(m_plan);
    }

    const std::string localName = top.filename().string();
    const RemoteName mapped = mapToRemoteName(localName);
    if (!mapped.ok()) {
        m_plan.result.skipped.push_back({top.string(), mapped.problem});
        m_manager.notifier().showMessage(kNoticeCaption, "(" + localName + "）" + mapped.problem);
        return std::move(m_plan);
    }
    if (mapped.changed)
        m_plan.result.renamed.push_back({top.string(), mapped.name});
    const std::string& name = mapped.name;
    const std::string id = addRemoteFolder(m_target.id, name, true);
    if (id.empty()) {
        const bool networkFailed = m_plan.lastFailure == Failure::kNoAnswer;
        m_manager.notifier().showMessage(kNoticeCaption,
                                         networkFailed ? kNetworkFailed : kUploadFolderExists);
        return std::move(m_plan);
    }
    result.remoteFolderId = id;
    m_levels.push_back({top, id, remoteChild(m_target.locationText, name)});
    while (!m_levels.empty()) {
        const Level level = std::move(m_levels.front());
        m_levels.pop_front();
        list(level);
    }
    // Once per upload, whatever the size of the tree; the lists are in the result.
    if (!result.renamed.empty())
        m_manager.notifier().showMessage(kNoticeCaption, renamedNamesText(result.renamed.size()));
    if (!result.numbered.empty())
        m_manager.notifier().showMessage(kNoticeCaption, numberedNamesText(result.numbered.size()));
    if (result.composedNames > 0)
        m_manager.notifier().showMessage(kNoticeCaption, composedNamesText(result.composedNames));
    if (!result.skipped.empty())
        m_manager.notifier().showMessage(kNoticeCaption, skippedEntriesText(result.skipped.size()));
    return std::move(m_plan);
}

void FolderUploadWalk::skipEntry(const fs::path& entry, const std::string& why) {
    m_plan.result.skipped.push_back({entry.string(), why});
}

void FolderUploadWalk::skipFolder(const fs::path& folder, const std::string& name) {
    m_plan.result.skippedFolders.push_back(folder.string());
    m_manager.notifier().showMessage(kNoticeCaption,
                                     "(" + name + "）文件夹创建失败，其中的文件没有上传");
}

void FolderUploadWalk::list(const Level& level) {
    std::error_code error;
    std::vector<fs::directory_entry> entries;
    for (auto it = fs::directory_iterator(level.local, error);
         !error && it != fs::directory_iterator(); it.increment(error)) {
        entries.push_back(*it);
    }
    if (error) {
        std::fprintf(stderr, "cannot list %s: %s\n", level.local.c_str(), error.message().c_str());
        skipFolder(level.local, level.local.filename().string());
        return;
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.path().filename() < b.path().filename();
    });
    const std::string localFolder = withSlash(level.local);
    // Names the disk will hold in this folder, compared as a download writes them (form C).
    // Entries whose names go as they are come first; one whose name was mapped or is not
    // composed would otherwise take a real sibling's name ("a:b.txt" sent as "a：b.txt" beside
    // a real "a：b.txt") and come back under it, so it is numbered instead.
    std::set<std::string> taken;
    for (const auto& entry : entries) {
        const std::string localName = entry.path().filename().string();
        const RemoteName mapped = mapToRemoteName(localName);
        if (mapped.ok() && !mapped.changed && toNfc(mapped.name) == mapped.name)
            taken.insert(mapped.name);
    }
    for (const auto& entry : entries) {
        const fs::path& path = entry.path();
        const std::string localName = path.filename().string();
        const auto linkStatus = entry.symlink_status(error);
        const bool link = fs::is_symlink(linkStatus);
        // A link is taken as what it points to, except a folder: followed, a link could lead
        // back up the tree and never end.
        const auto status = link ? entry.status(error) : linkStatus;
        if (link && error == std::errc::too_many_symbolic_link_levels) {
            skipEntry(path, "链接形成循环");
            continue;
        }
        if (link && !fs::exists(status)) {
            skipEntry(path, "链接指向的项目不存在");
            continue;
        }
        const bool folder = fs::is_directory(status);
        if (link && folder) {
            skipEntry(path, "指向文件夹的链接，未跟随");
            continue;
        }
        if (!folder && !fs::is_regular_file(status)) {
            skipEntry(path, "不是普通文件（管道、套接字或设备）");
            continue;
        }
        if (folder ? !listable(path) : !readableFile(path.string())) {
            skipEntry(path, "无法读取");
            continue;
        }
        const RemoteName mapped = mapToRemoteName(localName);
        if (!mapped.ok()) {
            skipEntry(path, mapped.problem);
            continue;
        }
        if (mapped.changed)
            m_plan.result.renamed.push_back({path.string(), mapped.name});
        std::string name = mapped.name;
        const bool composedByDisk = toNfc(name) != name;
        m_plan.result.composedNames += composedByDisk ? 1 : 0;
        if (mapped.changed || composedByDisk) {
            for (int n = 2; taken.count(toNfc(name)) > 0; ++n)
                name = numberedLocalName(mapped.name, n);
            if (name != mapped.name) {
                if (mapped.changed)
                    m_plan.result.renamed.pop_back();  // said as numbered, with its final name
                m_plan.result.numbered.push_back({path.string(), name});
            }
            taken.insert(toNfc(name));
        }
        if (folder) {
            const std::string id = addRemoteFolder(level.remoteId, name);
            if (id.empty()) {
                skipFolder(path, localName);
                continue;
            }
            m_levels.push_back({path, id, remoteChild(level.remotePath, name)});
            continue;
        }
        const auto size = static_cast<std::int64_t>(fs::file_size(path, error));
        if (error || !checkUploadLimit(m_manager, localName, size)) {
            m_plan.result.oversizedFiles.push_back(path.string());
            continue;
        }
        // A link's row reads the file it points to; the disk gets the link's name.
        const fs::path source = link ? fs::canonical(path, error) : path;
        if (error) {
            skipEntry(path, "链接指向的项目不存在");
            continue;
        }
        m_plan.rows.push_back(NewTaskRow{m_account.uid,
                                         link ? withSlash(source.parent_path()) : localFolder,
                                         source.filename().string(), name, size,
                                         task_status::kWaiting, level.remotePath, level.remoteId});
    }
}

FolderUploadResult queueFolderUpload(TransferManager& manager, FolderUploadPlan plan) {
    FolderUploadResult& result = plan.result;
    if (plan.rows.empty())
        return std::move(result);
    manager.gate().run([&](LocalStore& store) {
        int slots = manager.scheduler().hasSlot(Direction::kUpload)
                        ? manager.transferLimit(Direction::kUpload) -
                              manager.workers().liveCount(Direction::kUpload)
                        : 0;
        const bool inTransaction = store.begin();
        if (!inTransaction)
            store.reportError();
        TaskTable tasks(store);
        std::vector<std::int64_t> ids;
        std::vector<std::int64_t> toStart;
        for (auto& row : plan.rows) {
            row.status = slots > 0 ? task_status::kRunning : task_status::kWaiting;
            if (!tasks.insertFolderUpload(row))
                continue;
            const std::int64_t id = tasks.lastInsertedId();
            ids.push_back(id);
            if (row.status == task_status::kRunning && id > 0) {
                toStart.push_back(id);
                --slots;
            }
        }
        if (inTransaction && !store.commit()) {
            store.reportError();
            store.rollback();
            return;  // nothing was queued
        }
        result.taskIds = std::move(ids);
        // Started after the commit, still inside the bracket: each thread's first bracket
        // finds its row.
        for (const std::int64_t id : toStart)
            manager.StartFolderThread(store, id);
    });
    return std::move(result);
}

}  // namespace nubexa
