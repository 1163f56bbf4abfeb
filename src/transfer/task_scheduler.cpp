#include "transfer/task_scheduler.h"

#include <chrono>

#include "platform/notifier.h"
#include "service/service_client.h"
#include "store/store_gate.h"
#include "store/user_log.h"
#include "transfer/task_events.h"
#include "transfer/transfer_manager.h"

namespace nubexa {

TaskScheduler::TaskScheduler(TransferManager& manager, FailureBackoff::Limits failing,
                             std::chrono::milliseconds storeRetry, bool startAtOnce)
    : m_manager(manager), m_startAtOnce(startAtOnce), m_failing(failing), m_storeHold(storeRetry) {}

int TaskScheduler::connectionsOpen(Direction direction) const {
    return m_manager.workers().liveCount(direction) +
           (direction == Direction::kDownload ? m_besideDownloads.count() : 0);
}

bool TaskScheduler::hasSlot(Direction direction) const {
    return m_startAtOnce && m_storeHold.mayStart() &&
           connectionsOpen(direction) < m_manager.transferLimit(direction);
}

bool TaskScheduler::BesideDownloads::tryAcquire() {
    const std::lock_guard<std::mutex> lock(m_scheduler.m_slotMutex);
    if (m_scheduler.connectionsOpen(Direction::kDownload) >=
        m_scheduler.m_manager.transferLimit(Direction::kDownload))
        return false;
    ++m_count;
    return true;
}

void TaskScheduler::BesideDownloads::release() {
    --m_count;
    // A task that waited for the place gets it now.
    m_scheduler.fillFreeSlots(Direction::kDownload);
}

std::int64_t TaskScheduler::startNext(LocalStore& held, Direction direction) {
    const std::lock_guard<std::mutex> lock(m_slotMutex);
    if (!hasSlot(direction) || m_manager.workers().stopping())
        return 0;
    const std::int64_t id = nextStartable(held, direction);
    if (id <= 0)
        return 0;
    // Running before its worker loads it: the worker runs only running rows, and the next
    // start cannot pick the task again.
    if (!markRunning(held, id, direction))
        return 0;
    return m_manager.StartTransferWorker(held, id, direction) == WorkerRegistry::Start::kRefused
               ? 0
               : id;
}

bool TaskScheduler::markRunning(LocalStore& held, std::int64_t id, Direction direction) {
    if (TaskTable(held).startWaiting(id)) {
        m_storeHold.recordSuccess();
        if (TaskEvents* events = m_manager.events())
            events->taskStarted(direction, id);
        return true;
    }
    const std::string reason = held.lastError();
    if (m_storeHold.recordFailure(reason))
        m_manager.notifier().showMessage("", kStoreWriteFailed + reason);
    return false;
}

std::int64_t TaskScheduler::nextStartable(LocalStore& held, Direction direction,
                                          std::int64_t except) {
    // Enough candidates to look past the few tasks waiting out a back-off.
    constexpr int kCandidates = 64;
    const std::string uid = m_manager.service().account().uid;
    const bool autoResume = UserLog(held).autoResumeChosen(uid);
    const int ranType = ranTypeOf(direction);
    for (const WaitingTask& task :
         TaskTable(held).waitingTasks(uid, ranType, autoResume, kCandidates)) {
        if (task.id != except && m_failing.due(task.id))
            return task.id;
    }
    return 0;
}

std::optional<StoredTask> TaskScheduler::takeNextTask(std::int64_t current, Direction direction) {
    WorkerRegistry& workers = m_manager.workers();
    // A pool made smaller (by the user or a server's refusal) loses workers as tasks end.
    if (!m_startAtOnce || workers.stopping() || !m_manager.backoff(direction).mayStart() ||
        !m_storeHold.mayStart() ||
        workers.liveCount(direction) > m_manager.transferLimit(direction))
        return std::nullopt;
    return m_manager.gate().run([&](LocalStore& store) -> std::optional<StoredTask> {
        // One transaction for the look, the start and the read: with many small files this
        // hand-over is a good part of what bin.db costs per file.
        const bool inTransaction = store.beginWrite();
        std::optional<StoredTask> taken;
        const std::int64_t id = nextStartable(store, direction, current);
        // A row that cannot be made running is not run: the worker ends.
        if (id > 0 && workers.handOver(current, id) && markRunning(store, id, direction))
            taken = TaskTable(store).load(id);
        if (inTransaction && !store.commit()) {
            store.reportError();
            store.rollback();
            taken.reset();
        }
        return taken;
    });
}

void TaskScheduler::fillFreeSlots(Direction direction) {
    if (!m_manager.backoff(direction).mayStart())
        return;
    m_manager.gate().run([&](LocalStore& store) {
        while (startNext(store, direction) > 0) {
        }
    });
}

std::optional<std::int64_t> TaskScheduler::countFailure(std::int64_t id) {
    if (!m_failing.recordFailure(id))
        return std::nullopt;
    const auto retryAt = std::chrono::system_clock::now() + m_failing.delay(id);
    return std::chrono::duration_cast<std::chrono::seconds>(retryAt.time_since_epoch()).count();
}

}  // namespace nubexa
