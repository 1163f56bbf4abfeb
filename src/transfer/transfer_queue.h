#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/service_result.h"
#include "store/direction.h"
#include "store/task_table.h"
#include "transfer/folder_download.h"

namespace nubexa {

class Picker;
class TransferManager;
class TransferView;

// The disk folder a queued upload goes into: the folder the disk page shows.
struct RemoteFolder {
    std::string id = "0";             // current_dir_id
    std::string locationText = "\\";  // its path as the page shows it; "\" is the top folder
};

// The disk item chosen for a download (the selection of the disk page).
struct DiskItem {
    std::string id;
    std::string name;  // without extension
    std::string ext;   // with its dot; empty for folders and files without one
    std::string size = "0";
    // Whether the item is a folder. The selection used to tell folders by a size of "0",
    // which made empty files undownloadable.
    bool isFolder = false;
};

struct QueuedTask {
    bool queued = false;
    std::int64_t id = 0;     // 0 when the row's id could not be read back
    std::string remoteName;  // an upload's name on the disk when it differs from the local one
    std::string refusal;     // why the file was not queued, when it was not
    // The same file between the same places waits in the queue already as task `id`: nothing
    // was added.
    bool alreadyQueued = false;
};

// A local entry of an upload and what became of its name: the name it gets on the disk, or
// why it was left out.
struct NamedEntry {
    std::string localPath;
    std::string text;
};

struct FolderUploadResult {
    int code = 0;                       // -1 no path, -2 empty path, 0 otherwise
    std::string remoteFolderId;         // the disk folder made for the chosen folder; empty: none
    std::vector<std::int64_t> taskIds;  // in the order queued
    // Local folders whose disk folder could not be made (or which could not be listed): they
    // and everything below them are left out.
    std::vector<std::string> skippedFolders;
    std::vector<std::string> oversizedFiles;  // over the per-file upload limit, left out
    std::vector<NamedEntry> renamed;          // names mapped to what the service accepts
    // Entries sent under a numbered name: mapped (or in another Unicode form), theirs would
    // have been a sibling's.
    std::vector<NamedEntry> numbered;
    // Names sent in another Unicode form than composed (NFC), which the disk keeps composed.
    std::size_t composedNames = 0;
    // Entries that cannot be uploaded (special files, links to folders or to nothing,
    // unreadable entries, names that cannot be mapped), with the reason.
    std::vector<NamedEntry> skipped;
};

// A folder upload made ready to queue (see TransferQueue::prepareFolderUpload).
struct FolderUploadPlan {
    FolderUploadResult result;  // taskIds stay empty until queued
    std::vector<NewTaskRow> rows;
    Failure lastFailure = Failure::kNone;  // of the last FolderAdd
};

// Titles of the system's choosers for the queue's operations; the front end asks with them
// before it calls the operation.
inline constexpr const char* kPickFileTitle = "请选择要上传的文件";
inline constexpr const char* kPickTargetTitle = "请选择存放的路径 ";
inline constexpr const char* kPickFolderTitle = "请选择上传文件夹: ";

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

    TransferManager& m_manager;
    TransferView& m_view;
};

// Whether this process may read the file, as an upload will (a FIFO does not block the check).
bool readableFile(const std::string& path);

// Said once per upload: how many names were changed, how many entries were left out.
std::string renamedNamesText(std::size_t count);
std::string skippedEntriesText(std::size_t count);
std::string numberedNamesText(std::size_t count);
std::string composedNamesText(std::size_t count);

// "(" + name + "）单文件大小超过你当前等级限制" when `size` is over the limit (caption "提示").
// True when the file may be queued.
bool checkUploadLimit(TransferManager& manager, const std::string& name, std::int64_t size);

}  // namespace nubexa
