#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "ftp/extra_connections.h"
#include "ftp/ftp_options.h"
#include "store/user_log.h"
#include "transfer/login_backoff.h"
#include "transfer/row_progress.h"
#include "transfer/sign_in_renewal.h"
#include "transfer/task_scheduler.h"
#include "transfer/transfer_limits.h"
#include "transfer/transfer_settings.h"
#include "transfer/transfer_view.h"
#include "transfer/worker_registry.h"

namespace nubexa {

struct AccountInfo;
class FTPClient;
class LocalStore;
class Notifier;
class RunningCounts;
class ServiceClient;
class StoreGate;
class TaskEvents;

// Which signed-in connection a request may use: the same user on the same file server.
std::string ftpEndpointOf(const AccountInfo& account);

// What the queue, the workers, the monitor and the task commands share: the store, the web
// client, the notifier, the running counts, the worker threads and the sign-in back-off.
// One per signed-in session. Constructed and destroyed on the user-interface thread; it must
// be destroyed before the gate, the service client and the notifier it refers to (its
// destructor stops and joins every worker). Other methods: any thread unless stated.
class TransferManager {
public:
    // `renewal`: the session's, shared with its other calls (null: the manager's own).
    TransferManager(StoreGate& gate, ServiceClient& service, Notifier& notifier,
                    TransferSettings settings, SignInRenewal* renewal = nullptr);
    ~TransferManager();
    TransferManager(const TransferManager&) = delete;
    TransferManager& operator=(const TransferManager&) = delete;

    StoreGate& gate() const { return m_gate; }
    // Where the FTP engine's progress goes: the task rows.
    RowProgress& rowProgress() { return m_rows; }
    ServiceClient& service() const { return m_service; }
    Notifier& notifier() const { return m_notifier; }
    const TransferSettings& settings() const { return m_settings; }
    RunningCounts& counts() { return *m_counts; }
    // A client for the account's file server, not signed in yet.
    std::unique_ptr<FTPClient> makeFtpClient(const AccountInfo& account, const FtpOptions& options);
    // One streak per direction: a failing download server does not hold uploads back.
    LoginBackoff& backoff(Direction direction) {
        return direction == Direction::kUpload ? m_uploadBackoff : m_downloadBackoff;
    }
    // The longer of the two streaks.
    int signInFailures() const {
        return std::max(m_uploadBackoff.failures(), m_downloadBackoff.failures());
    }
    WorkerRegistry& workers() { return m_workers; }

    // The user's speed limits and transfers at once.
    TransferLimits& limits() { return m_limits; }
    const TransferLimits& limits() const { return m_limits; }
    // The signed-in user's stored limits apply from now on (one bracket).
    void loadSpeedLimits();

    // Set before the first worker starts; null: nobody listens.
    void setListener(TransferListener* listener) { m_listener = listener; }
    TransferListener* listener() const { return m_listener; }
    // Who hears each task's changes as the engine makes them (progress, a start, a run's end),
    // whoever else listens. Set before the first worker starts; null: nobody.
    void setEvents(TaskEvents* events) {
        m_events = events;
        m_rows.setEvents(events);
    }
    TaskEvents* events() const { return m_events; }

    // Signing the user in again when the service ended the session under the workers.
    SignInRenewal& renewal() { return m_sharedRenewal != nullptr ? *m_sharedRenewal : m_renewal; }

    // How many connections of `direction` may be open now: the user's transfers at once,
    // lowered for a while after the file server refused a connection as too many.
    int transferLimit(Direction direction) const { return m_limits.transferLimit(direction); }
    // Which waiting task starts next, and when.
    TaskScheduler& scheduler() { return m_scheduler; }

    // StartTransferWorker(id): a worker thread for the queued task `id`, whose row the caller
    // has made running. `held` is the store of the caller's bracket: the worker's first bracket
    // waits for it, and a task that cannot get a thread is given back in it.
    WorkerRegistry::Start StartTransferWorker(LocalStore& held, std::int64_t id,
                                              Direction direction);
    // The same for a file of a folder upload (FolderThread).
    WorkerRegistry::Start StartFolderThread(LocalStore& held, std::int64_t id);

    // The main window opened after sign-in: every running or waiting task waits (S17). With the
    // user's automatic-resume choice off, the user's unfinished tasks are held for this session
    // (not paused): the scheduler leaves them until the resume command or until the choice is
    // switched on; tasks queued later start as usual. With it on, held tasks are released.
    void startSession(bool autoResume);
    // The same with the choice stored in the user's newest sign-in row.
    void startSession();
    // Rows a process left running when it ended wait again (S17), pause marks kept.
    void recoverInterrupted();

    // Not on a worker thread and not inside a bracket.
    void waitForWorkers() { m_workers.waitAll(); }
    // Every running transfer stops within a data tick; rows stay resumable.
    void stopWorkers() { m_workers.stopAll(); }

    // For workers: their run has ended.
    void workerEnded(const WorkerReport& report);
    // For workers: the file server refused a sign-in as one connection too many. True when the
    // pool of `direction` was made smaller (other workers of it are live): the task is given
    // back to wait for them, not counted as a failure. False: nothing else runs, a failure.
    bool tooManyConnections(Direction direction);
    // For workers: the file server `host` refused TLS and took the sign-in in clear text
    // (ftp_tls = auto). The listener hears every time, the user once per session.
    void signedInClear(const std::string& host);

private:
    WorkerRegistry::Start startWorker(LocalStore& held, std::int64_t id, Direction direction,
                                      bool folderThread);

    StoreGate& m_gate;
    RowProgress m_rows{m_gate, true};
    ServiceClient& m_service;
    Notifier& m_notifier;
    TransferSettings m_settings;
    std::unique_ptr<RunningCounts> m_counts;  // behind a pointer: its header needs the store
    LoginBackoff m_uploadBackoff;
    LoginBackoff m_downloadBackoff;
    TransferLimits m_limits;
    TransferListener* m_listener = nullptr;
    TaskEvents* m_events = nullptr;
    TaskScheduler m_scheduler;
    SignInRenewal m_renewal;
    SignInRenewal* m_sharedRenewal;
    std::mutex m_clearMutex;
    std::set<std::string> m_clearHostsSaid;
    // Last: destroyed first, so that no worker outlives the members above.
    WorkerRegistry m_workers;
};

}  // namespace nubexa
