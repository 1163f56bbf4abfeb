#pragma once

#include <string>
#include <vector>

#include "service/service_result.h"
#include "store/task_table.h"

namespace nubexa {

class Notifier;
class ServiceClient;
class StoreGate;
struct FolderListing;

// How a folder download is made.
struct FolderDownloadChoice {
    // Where the folder sits on the disk, as stored ("\" is the top folder): each row shows its
    // file's whole remote folder.
    std::string remoteParent = "\\";
    // Into a local folder that exists already, skipping each file that exists there (the rest
    // of an earlier download); otherwise such a folder refuses the download.
    bool skipExisting = false;
};

// A folder download made ready to queue: the local folders exist and one waiting download row
// per listed file is built, nothing is written to bin.db yet.
struct FolderDownloadPlan {
    int result = 0;  // what the download returns: 1 to queue (rows may be empty), 0 not
    Failure failure = Failure::kNone;  // why the listing failed, when it did
    std::vector<NewTaskRow> rows;
    int skippedExisting = 0;  // files left out because they exist locally
};

// The blocking step of a folder download (the listing and the local folders); any thread.
// Creates localRoot/folderName/ and every folder below it. Result 0 when that local folder
// exists already ("要下载的文件夹已经存在，请改名后再下载！") with more in it than folders and
// partial files (what a deleted download of it leaves), or when the listing failed or was
// refused (said through `notifier`: "网络异常，下载失败", or the service's words, "操作失败"). Entries
// whose path or name would leave localRoot/folderName are skipped and reported on stderr.
// `parentId` is recorded in every row (the folder the disk page shows).
FolderDownloadPlan prepareFolderDownload(const ServiceClient& service, Notifier& notifier,
                                         const std::string& folderId, const std::string& localRoot,
                                         const std::string& folderName, const std::string& parentId,
                                         const FolderDownloadChoice& choice = {});

// The rows built from an answer that was read (the second half of prepareFolderDownload).
FolderDownloadPlan planFolderDownload(const FolderListing& listing, Notifier& notifier,
                                      const std::string& uid, const std::string& localRoot,
                                      const std::string& folderName, const std::string& parentId,
                                      const FolderDownloadChoice& choice = {});

// The short step: every row in one bracket and one transaction, so that the workers see the
// whole folder at once.
// Rows of files already queued the same way are left out; returns how many.
int queueFolderDownloadRows(StoreGate& gate, const std::vector<NewTaskRow>& rows);

}  // namespace nubexa
