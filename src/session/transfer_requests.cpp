#include "session/transfer_requests.h"
#include "session/session_core.h"

#include <memory>

#include "session/client_session.h"
#include "transfer/transfer_manager.h"
#include "transfer/transfer_queue.h"

namespace nubexa {

TransferSettings transferSettings(const TransferStart& start) {
    TransferSettings settings;
    settings.programFolder = start.programFolder;
    settings.startAtOnce = start.startAtOnce;
    if (!start.ftpTrace)
        settings.ftp.trace = nullptr;
    // Shared by the workers of each direction, as the user's stored limits are.
    if (start.rateLimit) {
        settings.ftp.uploadLimit = std::make_shared<RateLimiter>(*start.rateLimit);
        settings.ftp.downloadLimit = std::make_shared<RateLimiter>(*start.rateLimit);
    }
    return settings;
}

void startTransfers(ClientSession& session, const TransferStart& start, TransferView& view) {
    session.startTransfers(transferSettings(start), view);
}

QueuedTask QueueRequests::fileUpload(const std::string& localFile, const RemoteFolder& target) {
    return SessionCore::queue(m_session).QueueFileUpload(localFile, target);
}

FolderUploadQueued QueueRequests::folderUpload(const std::string& localFolder,
                                               const RemoteFolder& target) {
    TransferQueue& queue = SessionCore::queue(m_session);
    FolderUploadPlan plan = queue.prepareFolderUpload(localFolder, target);
    const Failure lastFailure = plan.lastFailure;
    FolderUploadQueued queued;
    queued.entries = queue.commitFolderUpload(std::move(plan));
    if (queued.entries.remoteFolderId.empty() && queued.entries.code == 0)
        queued.failure = lastFailure != Failure::kNone ? lastFailure : Failure::kRefused;
    return queued;
}

QueuedTask QueueRequests::fileDownload(const DiskItem& file, const std::string& localFolder,
                                       const RemoteFolder& shown) {
    return SessionCore::queue(m_session).QueueFileDownload(file, localFolder, shown);
}

FolderDownloadQueued QueueRequests::folderDownload(const DiskItem& folder,
                                                   const std::string& localFolder,
                                                   const std::string& remoteParent,
                                                   bool skipExisting) {
    TransferQueue& queue = SessionCore::queue(m_session);
    const FolderDownloadPlan plan =
        queue.prepareFolderDownload(folder, localFolder, {remoteParent, skipExisting});
    FolderDownloadQueued queued;
    int alreadyQueued = 0;
    if (queue.commitFolderDownload(plan, &alreadyQueued) != 1) {
        queued.failure = plan.failure != Failure::kNone ? plan.failure : Failure::kRefused;
        return queued;
    }
    queued.alreadyQueued = alreadyQueued;
    queued.added = static_cast<int>(plan.rows.size()) - alreadyQueued;
    queued.skippedExisting = plan.skippedExisting;
    return queued;
}

}  // namespace nubexa
