#include "transfer/transfer_manager.h"

#include <chrono>
#include <filesystem>

#include "ftp/ftp_client.h"
#include "platform/notifier.h"
#include "service/service_client.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "store/user_log.h"
#include "transfer/running_counts.h"
#include "transfer/task_events.h"
#include "transfer/transfer_worker.h"

namespace nubexa {

namespace {

// The service's file server is protected as nubexa.ini says (ftp_tls, ca_file).
FtpTlsOptions tlsOf(const ServiceConfig& config) {
    FtpTlsOptions tls;
    tls.caFile = config.caFile;
    switch (config.ftpTls) {
        case FtpTls::kRequire:
            tls.security = FtpSecurity::kTlsRequired;
            break;
        case FtpTls::kAuto:
            tls.security = FtpSecurity::kTlsIfOffered;
            break;
        case FtpTls::kOff:
            tls.security = FtpSecurity::kClear;
            break;
    }
    return tls;
}

// Every worker's client copies the options: the limiters are shared, not copied. Made here
// when the settings bring none.
std::shared_ptr<RateLimiter> sharedLimiter(std::shared_ptr<RateLimiter>& limiter) {
    if (!limiter)
        limiter = std::make_shared<RateLimiter>();
    return limiter;
}

constexpr const char* kClearText = "文件服务器拒绝加密，密码和文件以明文传输：";

}  // namespace

TransferManager::TransferManager(StoreGate& gate, ServiceClient& service, Notifier& notifier,
                                 TransferSettings settings)
    : m_gate(gate),
      m_service(service),
      m_notifier(notifier),
      m_settings(std::move(settings)),
      m_counts(std::make_unique<RunningCounts>()),
      m_uploadBackoff(m_settings.backoff),
      m_downloadBackoff(m_settings.backoff),
      m_limits(sharedLimiter(m_settings.ftp.uploadLimit),
               sharedLimiter(m_settings.ftp.downloadLimit), m_settings.poolHold),
      m_failing(m_settings.failing),
      m_storeHold(m_settings.storeRetry),
      m_renewal(service) {
    m_settings.ftp.stopRequest = m_workers.stopRequest();
    m_settings.ftp.extraConnections = &m_besideDownloads;
    m_workers.setEndHook([this] {
        if (m_listener != nullptr)
            m_listener->workerThreadEnded();
    });
    m_settings.ftp.tls = tlsOf(m_service.config());
    // Beside bin.db: the data folder's, shared by the client and nubexa-cli.
    if (!m_settings.ftp.tls.encryptedHosts) {
        m_settings.ftp.tls.encryptedHosts =
            encryptedHostsIn(std::filesystem::path(m_gate.databasePath()).parent_path().string());
    }
}

TransferManager::~TransferManager() {
    stopWorkers();
}

void TransferManager::loadSpeedLimits() {
    const std::string uid = m_service.account().uid;
    m_limits.set(
        m_gate.run([&](LocalStore& store) { return UserLog(store).readSpeedLimits(uid); }));
}

int TransferManager::connectionsOpen(Direction direction) const {
    return m_workers.liveCount(direction) +
           (direction == Direction::kDownload ? m_besideDownloads.count() : 0);
}

bool TransferManager::hasSlot(Direction direction) const {
    return m_settings.startAtOnce && m_storeHold.mayStart() &&
           connectionsOpen(direction) < transferLimit(direction);
}

bool TransferManager::BesideDownloads::tryAcquire() {
    const std::lock_guard<std::mutex> lock(m_manager.m_slotMutex);
    if (m_manager.connectionsOpen(Direction::kDownload) >=
        m_manager.transferLimit(Direction::kDownload))
        return false;
    ++m_count;
    return true;
}

void TransferManager::BesideDownloads::release() {
    --m_count;
    // A task that waited for the place gets it now.
    m_manager.fillFreeSlots(Direction::kDownload);
}

std::int64_t TransferManager::startNext(LocalStore& held, Direction direction) {
    const std::lock_guard<std::mutex> lock(m_slotMutex);
    if (!hasSlot(direction) || m_workers.stopping())
        return 0;
    const std::int64_t id = nextStartable(held, direction);
    if (id <= 0)
        return 0;
    // Running before its worker loads it: the worker runs only running rows, and the next
    // start cannot pick the task again.
    if (!markRunning(held, id, direction))
        return 0;
    return StartTransferWorker(held, id, direction) == WorkerRegistry::Start::kRefused ? 0 : id;
}

bool TransferManager::tooManyConnections(Direction direction) {
    const int live = m_workers.liveCount(direction);
    if (live <= 1)
        return false;
    m_limits.pool(direction).refused(live);
    return true;
}

bool TransferManager::markRunning(LocalStore& held, std::int64_t id, Direction direction) {
    if (TaskTable(held).startWaiting(id)) {
        m_storeHold.recordSuccess();
        if (m_events != nullptr)
            m_events->taskStarted(direction, id);
        return true;
    }
    const std::string reason = held.lastError();
    if (m_storeHold.recordFailure(reason))
        m_notifier.showMessage("", kStoreWriteFailed + reason);
    return false;
}

WorkerRegistry::Start TransferManager::startWorker(LocalStore& held, std::int64_t id,
                                                   Direction direction, bool folderThread) {
    const auto variant = folderThread ? TransferWorker::Variant::kFolderThread
                                      : TransferWorker::Variant::kTransferWorker;
    const auto started = m_workers.start(id, direction, [this, id, variant] {
        TransferWorker(*this, StartRequest{id, task_kind::kQueuedTransfer}, variant).run();
    });
    // No thread: the task waits for the monitor instead of showing as running forever. When
    // every transfer is being stopped the row is left for the next session.
    if (started == WorkerRegistry::Start::kRefused && !m_workers.stopping())
        TaskTable(held).giveBack(id);
    return started;
}

WorkerRegistry::Start TransferManager::StartTransferWorker(LocalStore& held, std::int64_t id,
                                                           Direction direction) {
    return startWorker(held, id, direction, false);
}

WorkerRegistry::Start TransferManager::StartFolderThread(LocalStore& held, std::int64_t id) {
    return startWorker(held, id, Direction::kUpload, true);
}

std::unique_ptr<FTPClient> TransferManager::makeFtpClient(const AccountInfo& account,
                                                          const FtpOptions& options) {
    // A port the sign-in answer cannot have meant gives a client that never connects.
    const bool portValid = account.ftp_port > 0 && account.ftp_port <= 65535;
    return std::make_unique<FTPClient>(
        account.ftp_host, static_cast<std::uint16_t>(portValid ? account.ftp_port : 0),
        account.ftp_username, account.ftp_pwd, 0, m_rows, m_notifier, options);
}

std::string ftpEndpointOf(const AccountInfo& account) {
    return account.uid + "\n" + account.ftp_host + "\n" + std::to_string(account.ftp_port) + "\n" +
           account.ftp_username;
}

bool TransferManager::StartAvatarDownload() {
    return m_workers.start(WorkerRegistry::kAvatarKey, std::nullopt, [this] {
        TransferWorker(*this, StartRequest{0, task_kind::kAvatarDownload}).run();
    }) != WorkerRegistry::Start::kRefused;
}

void TransferManager::startSession(bool autoResume) {
    const std::string uid = m_service.account().uid;
    m_gate.run([&](LocalStore& store) {
        const bool inTransaction = store.begin();
        TaskTable tasks(store);
        tasks.resetUnfinished();
        if (autoResume) {
            tasks.releaseEarlierTasks(uid);
        } else {
            tasks.holdEarlierTasks(uid);
        }
        if (inTransaction && !store.commit()) {
            store.reportError();
            store.rollback();
        }
    });
}

void TransferManager::startSession() {
    const std::string uid = m_service.account().uid;
    startSession(
        m_gate.run([&](LocalStore& store) { return UserLog(store).autoResumeChosen(uid); }));
}

void TransferManager::recoverInterrupted() {
    m_gate.run([](LocalStore& store) { TaskTable(store).resetUnfinished(); });
}

std::int64_t TransferManager::nextStartable(LocalStore& held, Direction direction,
                                            std::int64_t except) {
    // Enough candidates to look past the few tasks waiting out a back-off.
    constexpr int kCandidates = 64;
    const std::string uid = m_service.account().uid;
    const bool autoResume = UserLog(held).autoResumeChosen(uid);
    const int ranType = ranTypeOf(direction);
    for (const WaitingTask& task :
         TaskTable(held).waitingTasks(uid, ranType, autoResume, kCandidates)) {
        if (task.id != except && m_failing.due(task.id))
            return task.id;
    }
    return 0;
}

std::optional<StoredTask> TransferManager::takeNextTask(std::int64_t current, Direction direction) {
    // A pool made smaller (by the user or a server's refusal) loses workers as tasks end.
    if (!m_settings.startAtOnce || m_workers.stopping() || !backoff(direction).mayStart() ||
        !m_storeHold.mayStart() || m_workers.liveCount(direction) > transferLimit(direction))
        return std::nullopt;
    return m_gate.run([&](LocalStore& store) -> std::optional<StoredTask> {
        // One transaction for the look, the start and the read: with many small files this
        // hand-over is a good part of what bin.db costs per file.
        const bool inTransaction = store.beginWrite();
        std::optional<StoredTask> taken;
        const std::int64_t id = nextStartable(store, direction, current);
        // A row that cannot be made running is not run: the worker ends.
        if (id > 0 && m_workers.handOver(current, id) && markRunning(store, id, direction))
            taken = TaskTable(store).load(id);
        if (inTransaction && !store.commit()) {
            store.reportError();
            store.rollback();
            taken.reset();
        }
        return taken;
    });
}

void TransferManager::fillFreeSlots(Direction direction) {
    if (!backoff(direction).mayStart())
        return;
    m_gate.run([&](LocalStore& store) {
        while (startNext(store, direction) > 0) {
        }
    });
}

std::optional<std::int64_t> TransferManager::countFailure(std::int64_t id) {
    if (!m_failing.recordFailure(id))
        return std::nullopt;
    const auto retryAt = std::chrono::system_clock::now() + m_failing.delay(id);
    return std::chrono::duration_cast<std::chrono::seconds>(retryAt.time_since_epoch()).count();
}

void TransferManager::workerEnded(const WorkerReport& report) {
    if (report.outcome == WorkerReport::Outcome::kCompleted) {
        backoff(report.direction).recordSuccess();
        m_failing.forget(report.taskId);
    }
    if (m_events != nullptr)
        m_events->taskEnded(report);
    if (m_listener != nullptr)
        m_listener->workerEnded(report);
}

void TransferManager::signedInClear(const std::string& host) {
    if (m_listener != nullptr)
        m_listener->fileServerInClear(host);
    bool first = false;
    {
        const std::lock_guard<std::mutex> lock(m_clearMutex);
        first = m_clearHostsSaid.insert(host).second;
    }
    if (first)
        m_notifier.showMessage("", kClearText + host);
}

}  // namespace nubexa
