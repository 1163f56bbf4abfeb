#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "service/service_result.h"
#include "transfer/queue_entries.h"

namespace nubexa {

class ClientSession;
class TransferView;
struct TransferSettings;

// How a front end has the session's transfers started.
struct TransferStart {
    std::string programFolder;  // where image/ lives; ends with '/'
    // false: queued rows only wait for whoever drives the queue (nubexa-cli's commands queue in
    // one process and "run" transfers in another).
    bool startAtOnce = true;
    bool ftpTrace = true;  // the FTP dialogue into the session's log
    // Bytes per second for all uploads together, and as many for all downloads; none: the
    // user's stored limits.
    std::optional<std::int64_t> rateLimit;
};
// The transfer settings `start` asks for.
TransferSettings transferSettings(const TransferStart& start);
// ClientSession::startTransfers with those settings; a second call keeps the first's.
void startTransfers(ClientSession& session, const TransferStart& start, TransferView& view);

// A folder upload queued: what became of its entries, and why nothing was queued when its
// disk folder could not be made: the service refused (kRefused) or did not answer (kNoAnswer).
// A local folder that is not there queues nothing with kNone (entries.code says why).
struct FolderUploadQueued {
    Failure failure = Failure::kNone;
    FolderUploadResult entries;

    bool ok() const { return !entries.remoteFolderId.empty(); }
};

// A folder download queued: how many of its files were added, how many were queued already,
// how many exist locally and were left out. `failure` says why nothing was queued (the listing
// failed, or kRefused: the local folder could not be made or is taken).
struct FolderDownloadQueued {
    Failure failure = Failure::kNone;
    int added = 0;
    int alreadyQueued = 0;
    int skippedExisting = 0;

    bool ok() const { return failure == Failure::kNone; }
};

// Uploads and downloads into the queue with what became of each, for a front end that says so
// item by item (nubexa-cli's put and get). After startTransfers. Blocking (bin.db, and the
// service for a folder's FolderAdd or listing); any thread.
class QueueRequests {
public:
    explicit QueueRequests(ClientSession& session) : m_session(session) {}

    QueuedTask fileUpload(const std::string& localFile, const RemoteFolder& target);
    // The folder with everything below it: one FolderAdd per folder, the rows in one step.
    FolderUploadQueued folderUpload(const std::string& localFolder, const RemoteFolder& target);
    // `shown`: the folder the file is listed in, which its row names.
    QueuedTask fileDownload(const DiskItem& file, const std::string& localFolder,
                            const RemoteFolder& shown);
    // `remoteParent`: where the folder sits, as stored ("\" the top).
    FolderDownloadQueued folderDownload(const DiskItem& folder, const std::string& localFolder,
                                        const std::string& remoteParent, bool skipExisting);

private:
    ClientSession& m_session;
};

}  // namespace nubexa
