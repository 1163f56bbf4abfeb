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
                                 TransferSettings settings, SignInRenewal* renewal)
    : m_gate(gate),
      m_service(service),
      m_notifier(notifier),
      m_settings(std::move(settings)),
      m_counts(std::make_unique<RunningCounts>()),
      m_uploadBackoff(m_settings.backoff),
      m_downloadBackoff(m_settings.backoff),
      m_limits(sharedLimiter(m_settings.ftp.uploadLimit),
               sharedLimiter(m_settings.ftp.downloadLimit), m_settings.poolHold),
      m_scheduler(*this, m_settings.failing, m_settings.storeRetry, m_settings.startAtOnce),
      m_renewal(service),
      m_sharedRenewal(renewal) {
    m_settings.ftp.stopRequest = m_workers.stopRequest();
    m_settings.ftp.extraConnections = &m_scheduler.besideDownloads();
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

bool TransferManager::tooManyConnections(Direction direction) {
    const int live = m_workers.liveCount(direction);
    if (live <= 1)
        return false;
    m_limits.pool(direction).refused(live);
    return true;
}

WorkerRegistry::Start TransferManager::startWorker(LocalStore& held, std::int64_t id,
                                                   Direction direction, bool folderThread) {
    const auto variant = folderThread ? TransferWorker::Variant::kFolderThread
                                      : TransferWorker::Variant::kTransferWorker;
    const auto started = m_workers.start(id, direction, [this, id, variant] {
        TransferWorker(*this, StartRequest{id}, variant).run();
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

void TransferManager::workerEnded(const WorkerReport& report) {
    if (report.outcome == WorkerReport::Outcome::kCompleted) {
        backoff(report.direction).recordSuccess();
        m_scheduler.forgetFailures(report.taskId);
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
