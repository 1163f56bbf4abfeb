#include "session/client_session.h"

#include <charconv>
#include <chrono>
#include <limits>
#include <utility>

#include "keychain/remembered_passwords.h"
#include "platform/log_sink.h"
#include "preview/thumbnail_cache.h"
#include "service/common.h"
#include "service/service_client.h"
#include "session/avatar_keeper.h"
#include "session/run_lock.h"
#include "session/transfer_rows_hub.h"
#include "store/store_file_watcher.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "store/user_log.h"
#include "transfer/remote_file_fetcher.h"
#include "transfer/running_counts.h"
#include "transfer/sign_in_renewal.h"
#include "transfer/task_commands.h"
#include "transfer/transfer_manager.h"
#include "transfer/transfer_monitor.h"
#include "transfer/transfer_queue.h"

namespace nubexa {

namespace {

// A few at once: thumbnails come quickly and queued transfers keep their speed.
constexpr std::size_t kRemoteFileConnections = 3;
// Running transfers write bin.db several times a second: the totals are read at most once a
// second, still sooner than the tray's tick.
constexpr std::chrono::milliseconds kStoreWatchInterval{1000};

}  // namespace

ClientSession::ClientSession(SessionConfig config, Notifier& notifier)
    : m_config(std::move(config)),
      m_notifier(notifier),
      m_rowsHub(std::make_unique<TransferRowsHub>()) {
    if (m_config.log)
        m_replacedLog = setLogSink(m_config.log);
    m_gate = std::make_unique<StoreGate>(m_config.databasePath, m_config.store);
    m_service =
        std::make_unique<ServiceClient>(m_config.service, m_config.programFolder, m_config.frame);
    m_renewal = std::make_unique<SignInRenewal>(*m_service);
    m_disk = std::make_unique<DiskOperations>(
        *m_service, [this](const std::string& stale) { return m_renewal->renew(stale); });
    m_avatar =
        std::make_unique<AvatarKeeper>(*m_gate, *m_service, m_notifier, m_config.programFolder,
                                       [this] { return m_transferListener.load(); });
    if (!m_config.thumbnailFolder.empty())
        m_thumbnails =
            std::make_unique<ThumbnailCache>(m_config.thumbnailFolder, m_config.thumbnailCapacity);
}

ClientSession::~ClientSession() {
    shutdown();
    if (m_config.log)
        setLogSink(std::move(m_replacedLog));
}

AccountInfo ClientSession::account() const {
    return m_service->account();
}

ClientSession::Listing ClientSession::list(ListingKind kind, const std::string& dir,
                                           const std::string& keyword) {
    const AccountInfo account = m_service->account();
    ListingRequest request;
    request.kind = kind;
    request.uid = account.uid;
    request.token = account.token;
    request.order = account.sort_order.empty() ? "name" : account.sort_order;
    request.desc = account.sort_desc.empty() ? "0" : account.sort_desc;
    request.dir = dir;
    request.keyword = keyword;
    Listing listing;
    auto fetched = m_service->fetchListing(request);
    // A session the service ended is taken up again, once, and the listing asked for anew.
    if (fetched.failure == Failure::kRefused && fetched.message == kSessionEnded &&
        m_renewal->renew(request.token)) {
        const AccountInfo renewed = m_service->account();
        request.uid = renewed.uid;
        request.token = renewed.token;
        fetched = m_service->fetchListing(request);
    }
    listing.failure = fetched.failure;
    listing.refusal = fetched.message;
    if (listing.failure != Failure::kNoAnswer && listing.failure != Failure::kStale &&
        listing.failure != Failure::kStopped)
        listing.tables = m_service->tablesSnapshot();
    return listing;
}

std::shared_ptr<const DiskTables> ClientSession::listedTables() const {
    return m_service->tablesSnapshot();
}

void ClientSession::setCurrentFolder(const std::string& dir) {
    m_service->updateAccount([&dir](AccountInfo& account) { account.current_dir_id = dir; });
}

void ClientSession::setSortOrder(const std::string& order, const std::string& desc) {
    m_service->updateAccount([&](AccountInfo& account) {
        account.sort_order = order;
        account.sort_desc = desc;
    });
}

void ClientSession::closeStore() {
    m_gate->closeConnection();
}

void ClientSession::monitorTick() {
    m_monitor->MonitorTick();
}

ClientSession::QueueSnapshot ClientSession::queueSnapshot() {
    QueueSnapshot snapshot;
    const AccountInfo account = m_service->account();
    if (account.signed_in == 0)
        return snapshot;
    snapshot.signedIn = true;
    std::vector<Direction> grown;
    {
        std::lock_guard lock(m_snapshotMutex);
        if (account.uid != m_totalsUser) {
            m_totalsStamp.reset();
            m_totalsUser = account.uid;
        }
        // Before the first read: a write made meanwhile is not missed.
        if (!m_storeWatch)
            m_storeWatch = std::make_unique<StoreFileWatcher>(
                m_config.databasePath, [this] { storeWritten(); }, kStoreWatchInterval);
        // Without a watch every call looks at the stamp; with one, a call after a write does.
        if (!m_totalsStamp || std::exchange(m_totalsPushed, false) || !m_storeWatch->ok() ||
            m_storeWatch->callDue())
            grown = readTotals(account.uid);
        snapshot.totals = m_totals;
    }
    tellGrown(grown);
    const auto& [uploads, downloads] = snapshot.totals;
    // Only an unfinished task can wait.
    if (uploads.running + downloads.running == 0 && uploads.tasks + downloads.tasks > 0 &&
        m_monitor)
        snapshot.anythingWaiting = m_monitor->anythingWaiting();
    return snapshot;
}

void ClientSession::storeWritten() {
    const AccountInfo account = m_service->account();
    std::vector<Direction> grown;
    {
        std::lock_guard lock(m_snapshotMutex);
        // Another user's totals wait for their first queueSnapshot().
        if (account.signed_in == 0 || account.uid != m_totalsUser || !m_totalsStamp)
            return;
        m_totalsPushed = true;
        grown = readTotals(account.uid);
    }
    tellGrown(grown);
}

std::vector<Direction> ClientSession::readTotals(const std::string& uid) {
    std::vector<Direction> grown;
    m_gate->run([&](LocalStore& store) {
        const WriteStamp now = store.writeStamp();
        if (m_totalsStamp && *m_totalsStamp == now)
            return;
        const bool first = !m_totalsStamp;
        m_totalsStamp = now;
        const auto before = m_totals;
        m_totals = TaskTable(store).queueTotals(uid);
        if (first)
            return;
        if (m_totals.first.tasks > before.first.tasks)
            grown.push_back(Direction::kUpload);
        if (m_totals.second.tasks > before.second.tasks)
            grown.push_back(Direction::kDownload);
    });
    return grown;
}

void ClientSession::tellGrown(const std::vector<Direction>& grown) {
    // More tasks than the last read found: some may be another program's (nubexa-cli put), of
    // which nothing else tells; the pages read them now, not once they start.
    for (const Direction direction : grown)
        m_rowsHub->tell({TransferRowChange::Kind::kAdded, 0, direction, {}, false});
}

std::vector<TransferRow> ClientSession::transferRows(Direction page) {
    return loadTransferRows(*m_gate, account().uid, page);
}

std::vector<TransferRow> ClientSession::transferRowsOf(Direction page,
                                                       const std::vector<std::int64_t>& ids) {
    return loadTransferRowsOf(*m_gate, account().uid, page, ids);
}

bool ClientSession::queueFileUploads(const std::vector<std::string>& files,
                                     const RemoteFolder& target) {
    bool queued = false;
    for (const std::string& file : files)
        queued = m_queue->QueueFileUpload(file, target).queued || queued;
    return queued;
}

void ClientSession::queueFolderUpload(const std::string& folder, const RemoteFolder& target) {
    m_queue->commitFolderUpload(m_queue->prepareFolderUpload(folder, target));
}

void ClientSession::queueDownloads(const std::vector<DiskItem>& items,
                                   const std::string& localFolder, const RemoteFolder& shown) {
    for (const DiskItem& item : items) {
        if (item.isFolder) {
            m_queue->commitFolderDownload(m_queue->prepareFolderDownload(
                item, localFolder, FolderDownloadChoice{shown.locationText}));
        } else {
            m_queue->QueueFileDownload(item, localFolder, shown);
        }
    }
}

Announcements ClientSession::announcements() {
    const AccountInfo account = m_service->account();
    m_service->Announcement(account.uid, account.token);
    return m_service->announcements();
}

namespace {

// A size written as a whole number of bytes; none for anything else ("5G", "").
std::optional<std::int64_t> byteCount(const std::string& text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end || value < 0)
        return std::nullopt;
    return value;
}

// A size the service sent as a number of bytes, grown by `bytes`; other text stays as it is.
std::string grownSize(const std::string& size, std::int64_t bytes) {
    const std::optional<std::int64_t> value = byteCount(size);
    if (!value || bytes < 0 || *value > std::numeric_limits<std::int64_t>::max() - bytes)
        return size;
    return std::to_string(*value + bytes);
}

}  // namespace

int ClientSession::bookDrawnSpace(const std::string& bytesText) {
    const AccountInfo account = m_service->account();
    const int booked = m_service->AddDrawDiskSize(account.uid, account.token, bytesText);
    if (booked != 0) {
        const std::optional<std::int64_t> drawn = byteCount(bytesText);
        m_service->updateAccount([drawn](AccountInfo& info) {
            info.draw_count = 0;
            if (drawn)
                info.disk_size = grownSize(info.disk_size, *drawn);
        });
    }
    return booked;
}

AccountInfo ClientSession::countUploadedBytes(std::int64_t bytes) {
    m_service->updateAccount(
        [bytes](AccountInfo& info) { info.used_size = grownSize(info.used_size, bytes); });
    return m_service->account();
}

void ClientSession::updateAccount(const std::function<void(AccountInfo&)>& change) {
    m_service->updateAccount(change);
}

void ClientSession::resetAccount() {
    m_service->ResetAccount();
}

std::string ClientSession::certificateProblem() const {
    return m_service->frame().certificateProblem();
}

bool ClientSession::renewSignIn() {
    const LastSignIn last = lastSignIn();
    return last.user && last.password == PasswordRead::kRead && !last.user->userName.empty() &&
           m_service->signIn(last.user->userName, last.user->password).ok();
}

LastSignIn ClientSession::lastSignIn() {
    return passwords().readLastSignIn();
}

RememberedPasswords ClientSession::passwords() {
    return RememberedPasswords(*m_gate, m_config.secrets, m_config.service.apiHost);
}

SignInResult ClientSession::signIn(const PasswordSignIn& request) {
    SignInResult result;
    const auto signedIn = m_service->signIn(request.account, request.password);
    result.failure = signedIn.failure;
    result.refusal = signedIn.message;
    if (!result.ok())
        return result;
    AccountInfo info = m_service->account();
    if (request.userDetails) {
        result.userInfoFailure = m_service->fetchUserInfo(info.uid, info.token).failure;
        info = m_service->account();
    }

    // The automatic-resume choice is carried over from the user's last sign-in unless given;
    // a user's first sign-in chooses it, so interrupted transfers restart by themselves.
    if (request.autoResume) {
        result.autoResume = *request.autoResume;
    } else {
        result.autoResume = m_gate->run(
            [&info](LocalStore& store) { return UserLog(store).autoResumeChosen(info.uid); });
    }
    if (request.record) {
        // A failed record is reported by the store; the sign-in goes on.
        result.recorded = passwords().recordSignIn(
            SignInRecord{info.uid, request.rememberPassword ? request.password : std::string(),
                         Common::localTimeText(), request.rememberPassword, request.autoLogin,
                         result.autoResume ? "1" : "0", request.account},
            &result.passwordKept);
    }
    if (request.fetchAvatar && info.avatar_cached == 0 && !info.avatar.empty() &&
        transfersStarted())
        fetchRemoteFile(AvatarKeeper::request(info.avatar), *m_avatar);
    if (request.firstListing) {
        m_service->GetFiles(info.uid, info.token, info.current_dir_id, info.sort_order,
                            info.sort_desc);
        result.listing = m_service->tablesSnapshot();
    }
    if (request.takeQueue)
        result.transfersStarted = takeQueue(result.autoResume);
    readStoredLook(result);
    result.account = m_service->account();
    return result;
}

SignInResult ClientSession::webSignIn() {
    SignInResult result;
    // webSignIn reads the user's details and lists the current folder once signed in.
    result.failure = m_service->webSignIn().failure;
    if (!result.ok())
        return result;
    result.listing = m_service->tablesSnapshot();
    result.transfersStarted = takeQueue();
    readStoredLook(result);
    result.account = m_service->account();
    return result;
}

void ClientSession::readStoredLook(SignInResult& result) {
    const std::string uid = m_service->account().uid;
    std::optional<std::string> skin;
    m_gate->run([&](LocalStore& store) {
        UserLog log(store);
        skin = log.readSkin(uid);
        if (const auto size = log.readWindowSize()) {
            result.windowWidth = size->first;
            result.windowHeight = size->second;
        }
    });
    // Only a picture of the skin folder: the value comes from a file anybody may have edited.
    if (skin && skin->rfind("skin/", 0) == 0 && skin->find("..") == std::string::npos)
        m_service->updateAccount(
            [&](AccountInfo& account) { account.frame_image = "image/" + *skin; });
}

bool ClientSession::saveSkin(const std::string& picture) {
    const std::string uid = m_service->account().uid;
    if (uid.empty())
        return false;
    // The desktop client stores each click on a thread of its own, in any order: every call
    // stores the newest choice, read under the lock of what it writes, so the newest one stays.
    {
        std::lock_guard lock(m_skinMutex);
        m_chosenSkin = picture;
    }
    const auto chosen = [this] {
        std::lock_guard lock(m_skinMutex);
        return m_chosenSkin;
    };
    m_service->updateAccount(
        [&](AccountInfo& account) { account.frame_image = "image/" + chosen(); });
    return m_gate->run([&](LocalStore& store) { return UserLog(store).saveSkin(uid, chosen()); });
}

bool ClientSession::saveWindowSize(int width, int height) {
    return m_gate->run(
        [&](LocalStore& store) { return UserLog(store).saveWindowSize(width, height); });
}

bool ClientSession::lockQueue() {
    std::lock_guard lock(m_queueMutex);
    if (!m_queueLock) {
        auto taken = std::make_unique<RunLock>(m_gate->databasePath());
        if (!taken->held())
            return false;
        m_queueLock = std::move(taken);
        m_drivesQueue = true;
    }
    return true;
}

bool ClientSession::takeQueue(std::optional<bool> autoResume) {
    // Opens bin.db once: a store that cannot be opened shows at sign-in, not mid-transfer.
    m_gate->run([](LocalStore&) {});
    if (!transfersStarted() || !lockQueue())
        return false;
    // Tasks the last run left running wait for the monitor (or for the user, when automatic
    // resume is off).
    if (autoResume) {
        m_manager->startSession(*autoResume);
    } else {
        m_manager->startSession();
    }
    m_manager->loadSpeedLimits();
    return true;
}

void ClientSession::startTransfers(TransferSettings settings, TransferView& view) {
    if (!m_manager) {
        m_manager = std::make_unique<TransferManager>(*m_gate, *m_service, m_notifier,
                                                      std::move(settings), m_renewal.get());
        m_queue = std::make_unique<TransferQueue>(*m_manager, view);
        m_monitor = std::make_unique<TransferMonitor>(*m_manager, view);
        m_tasks = std::make_unique<TaskCommands>(*m_manager);
        m_manager->setEvents(m_rowsHub.get());
        std::lock_guard lock(m_fetchMutex);
        m_fetchManager = m_manager.get();
    }
}

void ClientSession::addTransferRowsListener(TransferRowsListener& listener) {
    m_rowsHub->add(listener);
}

void ClientSession::removeTransferRowsListener(const TransferRowsListener& listener) {
    m_rowsHub->remove(listener);
}

void ClientSession::setTransferListener(TransferListener* listener) {
    m_manager->setListener(listener);
    m_transferListener = listener;
}

void ClientSession::setSessionRenewer(std::function<bool()> renew) {
    m_renewal->setRenewer(std::move(renew));
}

SystemSettings ClientSession::loadSystemSettings(const std::string& uid) {
    return nubexa::loadSystemSettings(*m_gate, uid);
}

SettingsSaved ClientSession::saveSystemSettings(Autostart& autostart, const std::string& uid,
                                                const std::string& program,
                                                const SystemSettings& settings) {
    SettingsSaved saved = nubexa::saveSystemSettings(*m_gate, autostart, uid, program, settings);
    // Running transfers follow the new limits at once.
    if (m_manager && account().uid == uid)
        m_manager->limits().set(settings.limits);
    return saved;
}

namespace {

std::vector<std::int64_t> unfinishedTaskIds(StoreGate& gate, const std::string& uid,
                                            Direction direction) {
    return gate.run([&](LocalStore& store) {
        TaskTable tasks(store);
        const auto rows =
            direction == Direction::kUpload ? tasks.listUploads(uid) : tasks.listDownloads(uid);
        std::vector<std::int64_t> ids;
        ids.reserve(rows.size());
        for (const TaskListRow& row : rows)
            ids.push_back(std::stoll(row.id));
        return ids;
    });
}

}  // namespace

TaskCommandResult ClientSession::commandTask(TaskCommandResult result, std::int64_t id,
                                             TransferRowChange::Kind kind) {
    if (result == TaskCommandResult::kDone)
        m_rowsHub->tell({kind, id, std::nullopt, {}, false});
    return result;
}

TaskCommandResult ClientSession::pauseTask(std::int64_t id) {
    return commandTask(m_tasks->pause(id), id, TransferRowChange::Kind::kPaused);
}

TaskCommandResult ClientSession::resumeTask(std::int64_t id) {
    return commandTask(m_tasks->resume(id), id, TransferRowChange::Kind::kResumed);
}

TaskCommandResult ClientSession::removeTask(std::int64_t id) {
    return commandTask(m_tasks->remove(id), id, TransferRowChange::Kind::kRemoved);
}

int ClientSession::runningTransfers(Direction direction) const {
    return m_manager ? m_manager->counts().of(direction) : 0;
}

int ClientSession::pauseAllTasks(Direction direction) {
    const int paused = m_tasks->pauseAll(unfinishedTaskIds(*m_gate, account().uid, direction));
    if (paused > 0)
        m_rowsHub->tell({TransferRowChange::Kind::kPaused, 0, direction, {}, false});
    return paused;
}

int ClientSession::startAllTasks(Direction direction) {
    const int released =
        m_tasks->startAll(unfinishedTaskIds(*m_gate, account().uid, direction), direction);
    if (released > 0)
        m_rowsHub->tell({TransferRowChange::Kind::kResumed, 0, direction, {}, false});
    return released;
}

void ClientSession::endRemoteFetches() {
    std::unique_ptr<RemoteFileFetcher> fetcher;
    {
        std::unique_lock lock(m_fetchMutex);
        m_forgotten.wait(lock, [this] { return m_forgetting == 0; });
        fetcher = std::move(m_fetcher);
        m_fetchManager = nullptr;
    }
    fetcher.reset();  // its threads are joined here, outside the lock
}

void ClientSession::fetchRemoteFile(RemoteFileRequest request, RemoteFileListener& listener,
                                    bool first) {
    std::lock_guard lock(m_fetchMutex);
    if (m_fetchManager == nullptr)
        return;
    if (!m_fetcher)
        m_fetcher = std::make_unique<RemoteFileFetcher>(*m_fetchManager, kRemoteFileConnections);
    m_fetcher->fetch(std::move(request), listener, first);
}

void ClientSession::forgetRemoteFileListener(const RemoteFileListener& listener) {
    // Waits outside the lock, since a listener called meanwhile may ask for more files; the
    // fetcher is kept until it returns.
    RemoteFileFetcher* fetcher = nullptr;
    {
        std::lock_guard lock(m_fetchMutex);
        fetcher = m_fetcher.get();
        m_forgetting += fetcher ? 1 : 0;
    }
    if (!fetcher)
        return;
    fetcher->forget(listener);
    {
        std::lock_guard lock(m_fetchMutex);
        --m_forgetting;
    }
    m_forgotten.notify_all();
}

namespace {

ThumbnailKey thumbnailKeyOf(const DiskFileEntry& file) {
    std::int64_t size = 0;
    std::from_chars(file.size.data(), file.size.data() + file.size.size(), size);
    return ThumbnailKey{file.id, size, file.time};
}

}  // namespace

std::optional<std::string> ClientSession::findThumbnail(const DiskFileEntry& file) {
    if (!m_thumbnails)
        return std::nullopt;
    return m_thumbnails->find(thumbnailKeyOf(file));
}

void ClientSession::keepThumbnail(const DiskFileEntry& file, const std::string& bytes) {
    if (m_thumbnails)
        m_thumbnails->store(thumbnailKeyOf(file), bytes);
}

void ClientSession::dropWaitingRemoteFiles(const RemoteFileListener& listener) {
    std::lock_guard lock(m_fetchMutex);
    if (m_fetcher)
        m_fetcher->dropWaiting(listener);
}

std::unique_ptr<MediaStream> ClientSession::openMediaStream(const MediaFile& file,
                                                            std::string& problem) {
    if (!m_manager) {
        problem = "transfers not started";
        return nullptr;
    }
    auto stream = MediaStream::open(*m_manager, file, problem);
    if (stream)
        m_mediaStreams.add(*stream);
    return stream;
}

void ClientSession::endTransfers() {
    // Their players may still be open; they read through the manager.
    m_mediaStreams.endAll();
    endRemoteFetches();
    m_tasks.reset();
    m_monitor.reset();
    m_queue.reset();
    m_manager.reset();  // stops and joins every worker
    m_transferListener = nullptr;
}

void ClientSession::stopRequests() {
    m_service->stopRequests();
}

void ClientSession::shutdown() {
    // Outside the lock its calls take.
    std::unique_ptr<StoreFileWatcher> watch;
    {
        std::lock_guard lock(m_snapshotMutex);
        watch = std::move(m_storeWatch);
    }
    watch.reset();
    stopRequests();
    endTransfers();
    std::lock_guard lock(m_queueMutex);
    m_queueLock.reset();
    m_drivesQueue = false;
}

}  // namespace nubexa
