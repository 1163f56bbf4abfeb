#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "service/account_info.h"
#include "service/request_frame.h"
#include "service/service_config.h"
#include "session/sign_in.h"
#include "transfer/transfer_manager.h"

namespace nubexa {

class LogSink;
class Notifier;
class RememberedPasswords;
class RunLock;
class SecretStore;
class ServiceClient;
class StoreGate;
class TaskCommands;
class TransferMonitor;
class TransferQueue;
class TransferView;

// What a session needs to know before anybody signs in.
struct SessionConfig {
    std::string databasePath;   // bin.db
    std::string programFolder;  // where image/ lives; ends with '/'
    ServiceConfig service;
    FrameOptions frame;
    // Where the FTP trace and database errors go for the whole process; null: standard output.
    std::shared_ptr<LogSink> log;
    // Where remembered passwords are kept (must outlive the session); null: in bin.db.
    SecretStore* secrets = nullptr;
};

// The client's core in one object, as each front end (the desktop client, nubexa-cli) creates
// it: bin.db behind its gate, the web client with the account and the listing tables, and,
// once transfers are started, the transfer manager with its queue, monitor and task commands.
//
// Threads. The thread that creates the session owns it (the desktop client's GUI thread):
// - any thread: gate(), service() and every web operation on it (blocking: call them off the
//   GUI thread; stopRequests() ends them), account(), notifier(), manager() and its counts,
//   queue().prepareFolderUpload/prepareFolderDownload (blocking too), the sign-in calls,
//   passwords(), lockQueue(), takeQueue() and drivesQueue();
// - owner thread only: startTransfers(), endTransfers(), shutdown(), the destructor, and
//   queue(), monitor() and tasks() apart from the prepare steps: they call the TransferView,
//   which belongs to the GUI, and take one short bracket each.
// Workers report through the Notifier and the TransferListener, on their own threads; the front
// end forwards those to its GUI thread.
class ClientSession {
public:
    ClientSession(SessionConfig config, Notifier& notifier);
    ~ClientSession();
    ClientSession(const ClientSession&) = delete;
    ClientSession& operator=(const ClientSession&) = delete;

    StoreGate& gate() { return *m_gate; }
    ServiceClient& service() { return *m_service; }
    Notifier& notifier() { return m_notifier; }
    const SessionConfig& config() const { return m_config; }
    AccountInfo account() const;
    // The remembered passwords, as the sign-in window and the login command keep them.
    // Blocking (bin.db and the desktop's secret store).
    RememberedPasswords passwords();

    // The one sign-in sequence of every front end: Login, the user's details, the record of the
    // sign-in, then what `request` asks for (avatar, first listing, the queue). Blocking.
    SignInResult signIn(const PasswordSignIn& request);
    // One attempt of the web (QQ, Sina) sign-in started with the account's sid: APILogin, and
    // once it has signed in the first listing and the queue. kRefused while still pending.
    SignInResult webSignIn();

    // The queue's lock (see RunLock): true when this process holds it now, taken at the first
    // call that can. Kept until the session ends.
    bool lockQueue();
    bool drivesQueue() const { return m_drivesQueue.load(); }
    // lockQueue(), then the user's unfinished tasks set for a new session (see
    // TransferManager::startSession; `autoResume` none: the user's stored choice). After
    // startTransfers; false when another process drives the queue.
    bool takeQueue(std::optional<bool> autoResume = std::nullopt);

    // Creates the transfer manager, queue, monitor and task commands for the signed-in user;
    // `view` must outlive them (until endTransfers or shutdown). A second call returns the
    // manager made by the first.
    TransferManager& startTransfers(TransferSettings settings, TransferView& view);
    bool transfersStarted() const { return m_manager != nullptr; }
    // After startTransfers.
    TransferManager& manager() { return *m_manager; }
    TransferQueue& queue() { return *m_queue; }
    TransferMonitor& monitor() { return *m_monitor; }
    TaskCommands& tasks() { return *m_tasks; }
    // Stops every transfer and waits for the workers (rows stay resumable), then drops the
    // manager and its parts: for signing out or switching accounts.
    void endTransfers();

    // Web requests in flight end at once and new ones are refused: the first step of leaving.
    void stopRequests();
    // Leaving the program: web requests in flight end at once, transfers stop and are joined.
    // Called by the destructor; safe to call twice.
    void shutdown();

private:
    const SessionConfig m_config;
    Notifier& m_notifier;
    std::shared_ptr<LogSink> m_replacedLog;  // given back when the session ends
    std::unique_ptr<StoreGate> m_gate;
    std::unique_ptr<ServiceClient> m_service;
    std::mutex m_queueMutex;
    std::unique_ptr<RunLock> m_queueLock;  // guarded by m_queueMutex
    std::atomic<bool> m_drivesQueue{false};
    // Below: before the gate and the web client end (their workers use both).
    std::unique_ptr<TransferManager> m_manager;
    std::unique_ptr<TransferQueue> m_queue;
    std::unique_ptr<TransferMonitor> m_monitor;
    std::unique_ptr<TaskCommands> m_tasks;
};

}  // namespace nubexa
