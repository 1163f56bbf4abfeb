#include "transfer/transfer_manager.h"

#include <cstdlib>

#include "service/service_client.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "store/user_log.h"
#include "transfer/running_counts.h"
#include "transfer/transfer_worker.h"

namespace nubexa {

TransferManager::TransferManager(StoreGate& gate, ServiceClient& service, Notifier& notifier,
                                 TransferSettings settings)
    : m_gate(gate),
      m_service(service),
      m_notifier(notifier),
      m_settings(std::move(settings)),
      m_counts(std::make_unique<RunningCounts>()),
      m_backoff(m_settings.backoff) {
    m_settings.ftp.stopRequest = m_workers.stopRequest();
}

TransferManager::~TransferManager() {
    stopWorkers();
}

bool TransferManager::hasSlot(Direction direction, int limit) const {
    return m_settings.startAtOnce && m_workers.liveCount(direction) < limit;
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
        if (!autoResume) {
            auto rows = tasks.listUploads(uid);
            const auto downloads = tasks.listDownloads(uid);
            rows.insert(rows.end(), downloads.begin(), downloads.end());
            for (const auto& row : rows) {
                if (row.status == "2")
                    tasks.pause(std::strtoll(row.id.c_str(), nullptr, 10));
            }
        }
        if (inTransaction && !store.commit()) {
            store.reportError();
            store.rollback();
        }
    });
}

void TransferManager::startSession() {
    const std::string uid = m_service.account().uid;
    const auto choices =
        m_gate.run([&](LocalStore& store) { return UserLog(store).readChoices(uid); });
    startSession(choices && choices->autoResume == 1);
}

void TransferManager::recoverInterrupted() {
    m_gate.run([](LocalStore& store) { TaskTable(store).resetUnfinished(); });
}

bool TransferManager::countFailure(std::int64_t id) {
    std::lock_guard lock(m_failuresMutex);
    if (++m_failures[id] < m_settings.failuresBeforePause)
        return false;
    m_failures.erase(id);
    return true;
}

void TransferManager::workerEnded(const WorkerReport& report) {
    if (report.outcome == WorkerReport::Outcome::kCompleted) {
        m_backoff.recordSuccess();
        std::lock_guard lock(m_failuresMutex);
        m_failures.erase(report.taskId);
    }
    if (m_listener != nullptr)
        m_listener->workerEnded(report);
}

}  // namespace nubexa
