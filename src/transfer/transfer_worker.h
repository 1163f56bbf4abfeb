#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ftp/transfer_task.h"
#include "store/task_table.h"
#include "transfer/transfer_view.h"

namespace nubexa {

class FTPClient;
class TransferManager;

// What a worker is started with: the task id (unused by the avatar download) and the kind.
struct StartRequest {
    std::int64_t taskId = 0;
    int taskKind = task_kind::kQueuedTransfer;
};

// The thread routine that carries out one task: signs in to the user's file server, loads the
// task's row, counts itself as running, uploads or downloads, and gives the task back when the
// run did not finish. Everything it shares goes through the task's row, the running counts
// and the notifier. Lives on its own thread for one run; the WorkerRegistry owns the thread.
class TransferWorker {
public:
    // FolderThread, the worker of a folder upload's files, differs only in its log source and
    // a message when a download fails.
    enum class Variant { kTransferWorker, kFolderThread };

    TransferWorker(TransferManager& manager, StartRequest request,
                   Variant variant = Variant::kTransferWorker)
        : m_manager(manager), m_request(request), m_variant(variant) {}

    void run();

private:
    void runQueued();
    void runAvatar();
    // Four attempts in all, back to back.
    bool signIn(FTPClient& client);
    // Loads the row; empty when it is missing or no longer to be run.
    std::optional<StoredTask> loadRunnable();
    void signInFailed(Direction direction);
    WorkerReport::Outcome finish(const TransferTask& task, Direction direction, int result);
    std::string signInFailureText(Direction direction) const;

    TransferManager& m_manager;
    const StartRequest m_request;
    const Variant m_variant;
    std::int64_t m_startTimeMs = 0;
};

}  // namespace nubexa
