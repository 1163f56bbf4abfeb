#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "service/account_info.h"
#include "service/disk_entries.h"
#include "service/listing_request.h"
#include "service/request_frame.h"
#include "service/service_config.h"
#include "service/service_result.h"
#include "session/disk_operations.h"
#include "session/media_stream.h"
#include "session/sign_in.h"
#include "session/system_settings.h"
#include "session/transfer_rows.h"
#include "session/transfer_rows_listener.h"
#include "store/direction.h"
#include "store/store_options.h"
#include "store/task_rows.h"
#include "store/write_stamp.h"
#include "transfer/remote_files.h"
#include "transfer/task_command_result.h"
#include "transfer/transfer_settings.h"
#include "transfer/transfer_view.h"

namespace nubexa {

class Autostart;
class AvatarKeeper;
class LogSink;
class Notifier;
class RememberedPasswords;
class RemoteFileFetcher;
class ThumbnailCache;
class RunLock;
class SecretStore;
class ServiceClient;
class SignInRenewal;
class StoreFileWatcher;
class StoreGate;
class TaskCommands;
class TransferManager;
class TransferMonitor;
class TransferQueue;
class TransferRowsHub;

// What a session needs to know before anybody signs in.
struct SessionConfig {
    std::string databasePath;  // bin.db
    StoreOptions store;
    std::string programFolder;  // where image/ lives; ends with '/'
    ServiceConfig service;
    FrameOptions frame;
    // Where the FTP trace and database errors go for the whole process; null: standard output.
    std::shared_ptr<LogSink> log;
    // Where remembered passwords are kept (must outlive the session); null: in bin.db.
    SecretStore* secrets = nullptr;
    // Where thumbnails are kept, and how many bytes they may take; empty: nowhere.
    std::string thumbnailFolder;
    std::uint64_t thumbnailCapacity = std::uint64_t{64} << 20;
};

// The client's core in one object, as each front end (the desktop client, nubexa-cli) creates
// it: bin.db behind its gate, the web client with the account and the listing tables, and,
// once transfers are started, the transfer manager with its queue, monitor and task commands.
//
// Threads. The thread that creates the session owns it (the desktop client's GUI thread):
// - any thread: every call that says so below (most block: call them off the GUI thread;
//   stopRequests() ends the web requests among them);
// - owner thread only: startTransfers(), endTransfers(), shutdown(), the destructor and
//   monitorTick(): they call the TransferView, which belongs to the GUI.
// Workers report through the Notifier and the TransferListener, on their own threads; the front
// end forwards those to its GUI thread.
class ClientSession {
public:
    ClientSession(SessionConfig config, Notifier& notifier);
    ~ClientSession();
    ClientSession(const ClientSession&) = delete;
    ClientSession& operator=(const ClientSession&) = delete;

    // A listing of the signed-in user's disk in the account's sort order: `dir` for kFolder,
    // `keyword` for kSearch. Blocking; any thread. The tables are those this listing stored
    // (null when it failed or a later listing won).
    struct Listing {
        Failure failure = Failure::kNone;
        std::string refusal;  // kRefused: the service's words, when it gave any
        std::shared_ptr<const DiskTables> tables;
    };
    Listing list(ListingKind kind, const std::string& dir, const std::string& keyword = {});
    // The tables of the newest listing (the first one a sign-in made, say).
    std::shared_ptr<const DiskTables> listedTables() const;
    // The folder shown and the sort order, as the next listing and an upload use them.
    void setCurrentFolder(const std::string& dir);
    void setSortOrder(const std::string& order, const std::string& desc);

    // The queue as the tray and the desktop's notifications show it. Any thread, one caller at
    // a time. Kept in memory from the first call: read again from bin.db when a program (this
    // one or another) writes it, as the write happens, and checked at the next call; a call
    // after none reads nothing. When a direction has more tasks than at the last read, the
    // rows listeners are told (kAdded, no task) then, on bin.db's watch thread: tasks another
    // program queued have no other word.
    struct QueueSnapshot {
        bool signedIn = false;
        std::pair<QueueTotals, QueueTotals> totals;  // uploads, downloads
        bool anythingWaiting = false;                // read only while nothing runs
    };
    QueueSnapshot queueSnapshot();

    // Who hears the tasks' changes as they happen: progress from the workers, starts, ends,
    // queued tasks and the commands below (see TransferRowsListener). Any thread; after
    // removeTransferRowsListener returns the listener is not called again.
    void addTransferRowsListener(TransferRowsListener& listener);
    void removeTransferRowsListener(const TransferRowsListener& listener);

    // The transfer pages' rows for the signed-in user: every unfinished task of `page`, or
    // those of `ids` still on it (after pushed changes). Blocking (bin.db); any thread.
    std::vector<TransferRow> transferRows(Direction page);
    std::vector<TransferRow> transferRowsOf(Direction page, const std::vector<std::int64_t>& ids);

    // The disk page's uploads and downloads into the queue (after startTransfers). Blocking
    // (bin.db, and the service for a folder's FolderAdd or listing); any thread.
    // Local files into `target`: whether any was queued (a refused one is said by the notifier).
    bool queueFileUploads(const std::vector<std::string>& files, const RemoteFolder& target);
    // A local folder with everything below it: one FolderAdd per folder, the rows in one step.
    void queueFolderUpload(const std::string& folder, const RemoteFolder& target);
    // Files and whole folders of the disk into `localFolder`; `shown` is the folder listed.
    void queueDownloads(const std::vector<DiskItem>& items, const std::string& localFolder,
                        const RemoteFolder& shown);

    // The service's notices for the signed-in user. Blocking; any thread.
    Announcements announcements();
    // Books the space a capacity draw won (`bytesText`); once booked the account has no draw
    // left and its disk size holds the space. 1 when booked, else 0. Blocking; any thread.
    int bookDrawnSpace(const std::string& bytesText);
    // A registered upload of `bytes` counted in the account's used size; the account as it then
    // stands. The service gives the capacity only at sign-in: this keeps it current for what
    // this client adds (other changes show at the next sign-in). Any thread; does not block.
    AccountInfo countUploadedBytes(std::int64_t bytes);

    // The disk pages' item operations for the signed-in user (blocking; any thread).
    const DiskOperations& disk() const { return *m_disk; }
    Notifier& notifier() { return m_notifier; }
    const SessionConfig& config() const { return m_config; }
    AccountInfo account() const;
    // Changes the account in one step (see ServiceClient::updateAccount); back to signed out.
    void updateAccount(const std::function<void(AccountInfo&)>& change);
    void resetAccount();
    // The desktop client's look, kept for the next sign-in (see SignInResult): the signed-in
    // user's skin (a picture below the image folder) and the main window's size. Blocking
    // (bin.db); any thread.
    bool saveSkin(const std::string& picture);
    bool saveWindowSize(int width, int height);
    // The settings dialog's choices of `uid` (see system_settings.h). Saving also sets the running
    // transfers' speed limits when `uid` is still the one signed in. Blocking (bin.db, the
    // desktop's log-on start); any thread.
    SystemSettings loadSystemSettings(const std::string& uid);
    SettingsSaved saveSystemSettings(Autostart& autostart, const std::string& uid,
                                     const std::string& program, const SystemSettings& settings);
    // Why the last request's certificate was refused; empty when it was not.
    std::string certificateProblem() const;
    // Signs in again with the remembered password after the service ended the session. Blocking.
    bool renewSignIn();
    // The remembered passwords, as the sign-in window and the login command keep them.
    // Blocking (bin.db and the desktop's secret store).
    RememberedPasswords passwords();
    // The last user as the sign-in window and nubexa-cli offer it, with the remembered password
    // or why the secret store did not give it. Blocking (bin.db, and the secret store for as
    // long as it takes to answer or to time out): never on a GUI thread.
    LastSignIn lastSignIn();

    // The one sign-in sequence of every front end: Login, the user's details, the record of the
    // sign-in, then what `request` asks for (avatar, first listing, the queue). Blocking.
    SignInResult signIn(const PasswordSignIn& request);
    // One attempt of the web (QQ, Sina) sign-in started with the account's sid: webSignIn, and
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
    // `view` must outlive them (until endTransfers or shutdown). A second call does nothing.
    void startTransfers(TransferSettings settings, TransferView& view);
    bool transfersStarted() const { return m_manager != nullptr; }
    // After startTransfers: who hears each task's progress and end, on the workers' threads
    // (null: nobody). Any time: how a session the service ended is taken up again (true: signed
    // in), for the listings, the item operations and the workers.
    void setTransferListener(TransferListener* listener);
    void setSessionRenewer(std::function<bool()> renew);
    // Small disk files (the pictures of thumbnails and previews) read whole into memory in the
    // background on a few connections of their own, so that queued transfers keep their speed
    // (see RemoteFileFetcher). The result goes to `listener` on a fetch thread. Any thread;
    // does not block. `first` puts it ahead of those waiting (a visible row). Nothing is
    // fetched before startTransfers.
    void fetchRemoteFile(RemoteFileRequest request, RemoteFileListener& listener,
                         bool first = false);
    // `listener` is not called again once this returns (its fetches dropped or stopped, a call
    // in flight waited for); for its destructor. Any thread but a call to that listener.
    void forgetRemoteFileListener(const RemoteFileListener& listener);
    // The thumbnail kept for a listed file in this state (its size and time), and keeping one
    // (see ThumbnailCache). Blocking (the disk); any thread.
    std::optional<std::string> findThumbnail(const DiskFileEntry& file);
    void keepThumbnail(const DiskFileEntry& file, const std::string& bytes);
    // Forgets the fetches of `listener` that wait (the folder shown changed); any thread.
    void dropWaitingRemoteFiles(const RemoteFileListener& listener);
    // A disk file for a player, served while it comes (see MediaStream); null with `problem`
    // when it cannot be. After startTransfers; endTransfers ends the streams still open (their
    // addresses refuse connections). Any thread; does not block.
    std::unique_ptr<MediaStream> openMediaStream(const MediaFile& file, std::string& problem);
    // How many transfers of `direction` a worker is moving now (0 before startTransfers): a
    // paused or deleted task's worker has let go once this no longer counts it. Owner thread;
    // does not block.
    int runningTransfers(Direction direction) const;
    // One tick of the monitor: fills free transfer slots, writes the status line. Blocking.
    void monitorTick();

    // The transfer pages' commands on the signed-in user's tasks ("暂停", "续传", "删除",
    // "全部暂停", "全部开始"). Blocking (bin.db), any thread; after startTransfers.
    // Each command that wrote its row is told to the transfer rows' listeners.
    TaskCommandResult pauseTask(std::int64_t id);
    TaskCommandResult resumeTask(std::int64_t id);
    TaskCommandResult removeTask(std::int64_t id);
    // Every unfinished task of `direction` as it is now; how many were paused or released.
    int pauseAllTasks(Direction direction);
    int startAllTasks(Direction direction);
    // Stops every transfer and waits for the workers (rows stay resumable), then drops the
    // manager and its parts: for signing out or switching accounts.
    void endTransfers();

    // Web requests in flight end at once and new ones are refused: the first step of leaving.
    void stopRequests();
    // Leaving the program: web requests in flight end at once, transfers stop and are joined.
    // Called by the destructor; safe to call twice.
    void shutdown();
    // Closes bin.db's connection (after shutdown, when the program leaves).
    void closeStore();

private:
    // The session's own code (queue runs, sync rounds, the command line's requests) reaches the
    // parts through it; the front ends never do.
    friend class SessionCore;

    const SessionConfig m_config;
    Notifier& m_notifier;
    std::shared_ptr<LogSink> m_replacedLog;  // given back when the session ends
    std::unique_ptr<StoreGate> m_gate;
    std::unique_ptr<ServiceClient> m_service;
    // Signs the user in again when the service ended the session: for the pages' calls and the
    // workers alike, once for all of them.
    std::unique_ptr<SignInRenewal> m_renewal;
    std::unique_ptr<DiskOperations> m_disk;
    std::mutex m_queueMutex;
    std::unique_ptr<RunLock> m_queueLock;  // guarded by m_queueMutex
    std::atomic<bool> m_drivesQueue{false};
    // Outlives the transfers, whose workers tell it.
    std::unique_ptr<TransferRowsHub> m_rowsHub;
    // Below: before the gate and the web client end (their workers use both).
    std::unique_ptr<TransferManager> m_manager;
    std::unique_ptr<TransferQueue> m_queue;
    std::unique_ptr<TransferMonitor> m_monitor;
    std::unique_ptr<TaskCommands> m_tasks;
    std::unique_ptr<ThumbnailCache> m_thumbnails;  // null without a folder
    // Hears the fetch of the user's picture; outlives the fetches below.
    std::unique_ptr<AvatarKeeper> m_avatar;
    std::atomic<TransferListener*> m_transferListener{nullptr};  // as setTransferListener set it
    MediaStreams m_mediaStreams;
    // Before the manager ends; reset outside m_fetchMutex (its threads call listeners, which
    // may ask for more).
    std::mutex m_fetchMutex;
    TransferManager* m_fetchManager = nullptr;     // m_manager while fetches may use it
    std::unique_ptr<RemoteFileFetcher> m_fetcher;  // made at the first fetch; m_fetchMutex
    int m_forgetting = 0;  // forgetRemoteFileListener calls using m_fetcher; m_fetchMutex
    std::condition_variable m_forgotten;
    void endRemoteFetches();
    // `result` of the command on `id`, told to the rows' listeners as `kind` when it was done.
    TaskCommandResult commandTask(TaskCommandResult result, std::int64_t id,
                                  TransferRowChange::Kind kind);
    // After a sign-in: the stored look into `result` and the account.
    void readStoredLook(SignInResult& result);
    // The skin chosen last (saveSkin).
    std::mutex m_skinMutex;
    std::string m_chosenSkin;  // guarded by m_skinMutex
    // The queue's totals as last read, and bin.db's write stamp then; all guarded by
    // m_snapshotMutex. A write is seen as it is made, possibly just before its commit shows:
    // the next queueSnapshot() checks the stamp once after each read it caused (m_totalsPushed)
    // and while the watch holds a call back.
    std::mutex m_snapshotMutex;
    std::pair<QueueTotals, QueueTotals> m_totals;
    std::optional<WriteStamp> m_totalsStamp;
    std::string m_totalsUser;
    bool m_totalsPushed = false;
    std::unique_ptr<StoreFileWatcher> m_storeWatch;  // from the first queueSnapshot()
    // On the watch's thread: bin.db was written.
    void storeWritten();
    // Under m_snapshotMutex: the totals read again unless the stamp shows no write since; the
    // directions that gained tasks.
    std::vector<Direction> readTotals(const std::string& uid);
    void tellGrown(const std::vector<Direction>& grown);
};

}  // namespace nubexa
