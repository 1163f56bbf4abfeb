#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/service_result.h"
#include "store/direction.h"
#include "store/task_table.h"
#include "transfer/folder_download.h"
#include "transfer/queue_entries.h"

namespace nubexa {

class Picker;
class TransferManager;
class TransferView;

// A folder upload made ready to queue (see TransferQueue::prepareFolderUpload).
struct FolderUploadPlan {
    FolderUploadResult result;  // taskIds stay empty until queued
    std::vector<NewTaskRow> rows;
    Failure lastFailure = Failure::kNone;  // of the last FolderAdd
};

// Puts files and folders into the transfer queue (t_process_list) and starts their workers
// while a slot is free.
//
// Threads: single files take one bracket and are quick enough for the user-interface thread.
// Folder transfers come in two steps: prepare* blocks for the web requests (one FolderAdd per
// folder, or GetFilesWhitPath) and the local walk and may run on any thread; queue* / commit*
// take one bracket and update the view, on the user-interface thread. The one-call forms do
// both on the calling thread (for the command-line companion). The view is called only from the
// one-call forms and the commit steps.
class TransferQueue {
public:
    TransferQueue(TransferManager& manager, TransferView& view)
        : m_manager(manager), m_view(view) {}

    // QueueFileUpload: `localFile` into `target`. Refused with a message when it is larger
    // than the user's per-file upload limit. Shows the uploading page.
    QueuedTask QueueFileUpload(const std::string& localFile, const RemoteFolder& target);
    // QueueFileDownload: `item` into `localFolder`; a folder goes to QueueFolderDownload.
    // `shown` is the folder the page shows (the row's ftp_path). Shows the downloading page.
    QueuedTask QueueFileDownload(const DiskItem& item, const std::string& localFolder,
                                 const RemoteFolder& shown);
    // QueueFolderUpload: the folder `root` with everything below it, breadth first, into
    // `target`; one disk folder per local folder and all rows in one transaction. Refreshes
    // the page shown.
    FolderUploadResult QueueFolderUpload(const std::optional<std::string>& root,
                                         const RemoteFolder& target);
    // QueueFolderDownload: the disk folder `folder` into localFolder/<its name>/ as waiting
    // rows for the monitor. 1 when queued, 0 when not (its own messages).
    int QueueFolderDownload(const DiskItem& folder, const std::string& localFolder,
                            const FolderDownloadChoice& choice = {});

    // Folder upload in two steps (see the class comment).
    FolderUploadPlan prepareFolderUpload(const std::optional<std::string>& root,
                                         const RemoteFolder& target) const;
    FolderUploadResult commitFolderUpload(FolderUploadPlan plan);
    // Folder download in two steps; commit returns what QueueFolderDownload returns.
    FolderDownloadPlan prepareFolderDownload(const DiskItem& folder, const std::string& localFolder,
                                             const FolderDownloadChoice& choice = {}) const;
    // `alreadyQueued`, when given, takes how many of its files were queued the same way before.
    int commitFolderDownload(const FolderDownloadPlan& plan, int* alreadyQueued = nullptr);

    // The same after asking the user with the system's chooser; nothing when cancelled.
    QueuedTask QueueFileUpload(Picker& picker, const RemoteFolder& target);
    QueuedTask QueueFileDownload(Picker& picker, const DiskItem& item, const RemoteFolder& shown);
    FolderUploadResult QueueFolderUpload(Picker& picker, const RemoteFolder& target);

private:
    // One row in one bracket, running with a worker when a slot is free, else waiting.
    QueuedTask queueFile(Direction direction, NewTaskRow row);
    // Says to the events that tasks were queued (`id`, or 0 for several).
    void tellAdded(Direction direction, std::int64_t id);

    TransferManager& m_manager;
    TransferView& m_view;
};

// Whether this process may read the file, as an upload will (a FIFO does not block the check).
bool readableFile(const std::string& path);

// "(" + name + "）单文件大小超过你当前等级限制" when `size` is over the limit (caption "提示").
// True when the file may be queued.
bool checkUploadLimit(TransferManager& manager, const std::string& name, std::int64_t size);

}  // namespace nubexa
