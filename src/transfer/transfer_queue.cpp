#include "transfer/transfer_queue.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/notifier.h"
#include "platform/picker.h"
#include "service/local_target.h"
#include "service/remote_name.h"
#include "service/service_client.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "transfer/folder_upload.h"
#include "transfer/task_events.h"
#include "transfer/transfer_manager.h"
#include "transfer/transfer_view.h"

namespace nubexa {

namespace {

// An absolute folder ending with '/', the form local_path of uploads is stored in.
std::string storedFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::string text = std::filesystem::absolute(folder, error).lexically_normal().string();
    if (text.empty() || text.back() != '/')
        text.push_back('/');
    return text;
}

// The chosen folder as the picker gives it: absolute, without a trailing separator (the top
// folder "/" itself keeps its one).
std::string pickedFolder(const std::string& folder) {
    std::string text = storedFolder(folder);
    if (text.size() > 1)
        text.pop_back();
    return text;
}

}  // namespace

bool readableFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

std::string renamedNamesText(std::size_t count) {
    return std::to_string(count) + " 个文件名含有网盘不允许的字符，已替换为全角字符";
}

std::string skippedEntriesText(std::size_t count) {
    return "已跳过 " + std::to_string(count) + " 个无法上传的项目";
}

std::string composedNamesText(std::size_t count) {
    return std::to_string(count) + " 个名称以组合形式（NFC）保存";
}

std::string numberedNamesText(std::size_t count) {
    return std::to_string(count) + " 个名称与同一文件夹中的项目重名，已加上编号";
}

bool checkUploadLimit(TransferManager& manager, const std::string& name, std::int64_t size) {
    // A file exactly at the limit is accepted; so is any file while the limit is unknown.
    const auto limit = manager.service().account().upload_size;
    if (!limit || size <= *limit)
        return true;
    manager.notifier().showMessage(kNoticeCaption, "(" + name + "）单文件大小超过你当前等级限制");
    return false;
}

void TransferQueue::tellAdded(Direction direction, std::int64_t id) {
    if (TaskEvents* events = m_manager.events())
        events->tasksAdded(direction, id);
}

QueuedTask TransferQueue::queueFile(Direction direction, NewTaskRow row) {
    QueuedTask queued;
    m_manager.gate().run([&](LocalStore& store) {
        TaskTable tasks(store);
        const int ranType =
            direction == Direction::kUpload ? ran_type::kUpload : ran_type::kDownload;
        // A second task for the same file would race the first one over the same bytes.
        if (const auto same = tasks.findSameTask(row, ranType); same > 0) {
            queued.id = same;
            queued.alreadyQueued = true;
            return;
        }
        const auto slots = m_manager.scheduler().holdSlots();
        const bool start = m_manager.scheduler().hasSlot(direction);
        row.status = start ? task_status::kRunning : task_status::kWaiting;
        queued.queued = direction == Direction::kUpload ? tasks.insertFileUpload(row)
                                                        : tasks.insertFileDownload(row);
        queued.id = queued.queued ? tasks.lastInsertedId() : 0;
        // In the bracket of the insert: the worker's first bracket finds the row.
        if (start && queued.id > 0)
            m_manager.StartTransferWorker(store, queued.id, direction);
    });
    if (queued.queued)
        tellAdded(direction, queued.id);
    return queued;
}

QueuedTask TransferQueue::QueueFileUpload(const std::string& localFile,
                                          const RemoteFolder& target) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path given = fs::absolute(localFile, error).lexically_normal();
    if (error || !fs::is_regular_file(given, error)) {
        std::fprintf(stderr, "not a file: %s\n", localFile.c_str());
        return {};
    }
    // A link is read through the file it points to and keeps its own name on the disk.
    const fs::path path = fs::is_symlink(given, error) ? fs::canonical(given, error) : given;
    const auto size = static_cast<std::int64_t>(fs::file_size(path, error));
    const std::string name = given.filename().string();
    if (error || !checkUploadLimit(m_manager, name, size))
        return {};
    if (!readableFile(path.string())) {
        m_manager.notifier().showMessage(kNoticeCaption, "(" + name + "）无法读取，没有上传");
        return {false, 0, {}, "无法读取"};
    }
    // Checked before any byte moves: a name the service refuses would fail after the upload.
    const RemoteName remote = mapToRemoteName(name);
    if (!remote.ok()) {
        m_manager.notifier().showMessage(kNoticeCaption, "(" + name + "）" + remote.problem);
        return {false, 0, {}, remote.problem};
    }
    if (remote.changed)
        m_manager.notifier().showMessage(kNoticeCaption, renamedNamesText(1));

    NewTaskRow row{m_manager.service().account().uid,
                   storedFolder(path.parent_path()),
                   path.filename().string(),
                   remote.name,
                   size,
                   task_status::kWaiting,
                   target.locationText,
                   target.id};
    QueuedTask queued = queueFile(Direction::kUpload, std::move(row));
    if (remote.changed)
        queued.remoteName = remote.name;
    m_view.showUploadingPage();
    return queued;
}

QueuedTask TransferQueue::QueueFileDownload(const DiskItem& item, const std::string& localFolder,
                                            const RemoteFolder& shown) {
    if (item.isFolder)
        return {QueueFolderDownload(item, localFolder) == 1, 0, {}, {}};
    const std::string listedName = item.name + item.ext;
    const std::string remoteName = item.id + item.ext;
    // Names from the service never choose where a file lands outside the chosen folder.
    if (!isSafeFileName(listedName) || item.id.empty() || !isSafeFileName(remoteName)) {
        std::fprintf(stderr, "download refused: unsafe name \"%s\"\n", listedName.c_str());
        return {};
    }
    const LocalName local = localNameFor(listedName);
    if (local.changed) {
        m_manager.notifier().showMessage(
            kNoticeCaption, "(" + listedName + "）的文件名无法在本地使用，已保存为：" + local.name);
    } else if (local.name != listedName) {
        m_manager.notifier().showMessage(kNoticeCaption,
                                         "(" + listedName + "）的名称以组合形式（NFC）保存");
    }
    const std::string& localName = local.name;
    const std::int64_t size =
        std::max<std::int64_t>(0, std::strtoll(item.size.c_str(), nullptr, 10));
    NewTaskRow row{m_manager.service().account().uid,
                   pickedFolder(localFolder),
                   localName,
                   remoteName,
                   size,
                   task_status::kWaiting,
                   shown.locationText,
                   {}};
    const QueuedTask queued = queueFile(Direction::kDownload, std::move(row));
    m_view.showDownloadingPage();
    return queued;
}

FolderUploadResult TransferQueue::QueueFolderUpload(const std::optional<std::string>& root,
                                                    const RemoteFolder& target) {
    return commitFolderUpload(prepareFolderUpload(root, target));
}

FolderUploadPlan TransferQueue::prepareFolderUpload(const std::optional<std::string>& root,
                                                    const RemoteFolder& target) const {
    return FolderUploadWalk(m_manager, target).prepare(root);
}

FolderUploadResult TransferQueue::commitFolderUpload(FolderUploadPlan plan) {
    const bool walked = plan.result.code == 0;
    FolderUploadResult result = queueFolderUpload(m_manager, std::move(plan));
    if (walked) {
        tellAdded(Direction::kUpload, 0);
        m_view.refreshShownPage();
    }
    return result;
}

int TransferQueue::QueueFolderDownload(const DiskItem& folder, const std::string& localFolder,
                                       const FolderDownloadChoice& choice) {
    return commitFolderDownload(prepareFolderDownload(folder, localFolder, choice));
}

FolderDownloadPlan TransferQueue::prepareFolderDownload(const DiskItem& folder,
                                                        const std::string& localFolder,
                                                        const FolderDownloadChoice& choice) const {
    return nubexa::prepareFolderDownload(m_manager.service(), m_manager.notifier(), folder.id,
                                         storedFolder(localFolder), folder.name,
                                         m_manager.service().account().current_dir_id, choice);
}

int TransferQueue::commitFolderDownload(const FolderDownloadPlan& plan, int* alreadyQueued) {
    if (plan.result == 1) {
        const int same = queueFolderDownloadRows(m_manager.gate(), plan.rows);
        if (alreadyQueued != nullptr)
            *alreadyQueued = same;
        tellAdded(Direction::kDownload, 0);
    }
    return plan.result;
}

QueuedTask TransferQueue::QueueFileUpload(Picker& picker, const RemoteFolder& target) {
    const auto file = picker.pickFile(kPickFileTitle);
    return file ? QueueFileUpload(*file, target) : QueuedTask{};
}

QueuedTask TransferQueue::QueueFileDownload(Picker& picker, const DiskItem& item,
                                            const RemoteFolder& shown) {
    const auto folder = picker.pickFolder(kPickTargetTitle);
    return folder ? QueueFileDownload(item, *folder, shown) : QueuedTask{};
}

FolderUploadResult TransferQueue::QueueFolderUpload(Picker& picker, const RemoteFolder& target) {
    const auto folder = picker.pickFolder(kPickFolderTitle);
    if (!folder)
        return {};
    return QueueFolderUpload(folder, target);
}

}  // namespace nubexa
