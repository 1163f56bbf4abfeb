#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ftp/transfer_task.h"
#include "store/task_table.h"
#include "transfer/login_backoff.h"
#include "transfer/transfer_view.h"

namespace nubexa {

class FTPClient;
class TransferManager;

// What a worker is started with: its first task.
struct StartRequest {
    std::int64_t taskId = 0;
};

// The thread routine that carries out queued tasks: signs in to the user's file server, loads
// the task's row, counts itself as running, uploads or downloads, and gives the task back when
// the run did not finish. Then it takes the next waiting task of the same direction at once,
// on the same signed-in connection while that is sound, and ends when none waits. Everything
// it shares goes through the task rows, the running counts and the notifier. Lives on its own
// thread; the WorkerRegistry owns the thread.
class TransferWorker {
public:
    // FolderThread, the worker of a folder upload's files, differs only in its log source and
    // a message when a download fails.
    enum class Variant { kTransferWorker, kFolderThread };

    TransferWorker(TransferManager& manager, StartRequest request,
                   Variant variant = Variant::kTransferWorker);
    ~TransferWorker();
    TransferWorker(const TransferWorker&) = delete;
    TransferWorker& operator=(const TransferWorker&) = delete;

    void run();

private:
    void runQueued();
    // One task on the kept connection (made or made again when needed).
    // `taken`: its row as the hand-over read it, when it did.
    WorkerReport runTask(std::int64_t taskId, std::optional<StoredTask> taken = std::nullopt);
    // Four attempts in all, back to back.
    bool signIn(FTPClient& client);
    // A signed-in connection for the next task: the kept one when it is still sound. Once it
    // is signed in, `beside` more start signing in for a download in byte ranges in `folder`.
    bool connection(int beside, const std::string& folder);
    // How many connections a download of `task` opens beside the worker's.
    int besideFor(const TransferTask& task, Direction direction) const;
    void dropConnection();
    // The row (loaded unless given); empty when it is missing or no longer to be run.
    std::optional<StoredTask> loadRunnable(std::int64_t taskId, std::optional<StoredTask> row);
    void signInFailed(std::int64_t taskId, Direction direction);
    WorkerReport::Outcome finish(const TransferTask& task, Direction direction, int result);
    // Inside finish's bracket: a completed run is recorded as complete in its row.
    void recordCompletion(TaskTable& tasks, const TransferTask& task, Direction direction);
    std::string signInFailureText(Direction direction) const;

    TransferManager& m_manager;
    const StartRequest m_request;
    const Variant m_variant;
    std::unique_ptr<FTPClient> m_client;
    std::string m_endpoint;         // whose file server m_client is signed in to
    std::string m_securityProblem;  // why the last sign-in was refused, if TLS
    std::string m_refusalReply;     // the file server's reply that ended the last sign-in, if any
    bool m_tooMany = false;         // ... and it said this address has too many connections
    LoginBackoff::Clock::time_point m_signInBegan;
    std::optional<std::string> m_remoteFolder;  // where the kept connection's CWD went
};

}  // namespace nubexa
