#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "ftp/extra_connections.h"
#include "store/direction.h"
#include "store/task_table.h"
#include "transfer/failure_backoff.h"
#include "transfer/store_write_hold.h"
#include "transfer/worker_registry.h"

namespace nubexa {

class LocalStore;
class TransferManager;

// Which waiting task starts next, and when: the free slots of each direction (the user's
// transfers at once, with the connections downloads open beside their workers), the back-off
// of tasks that keep failing, the hold after bin.db refused a scheduling write, a worker's
// hand-over to the next task and the workers started for free slots. Part of a
// TransferManager, whose workers, limits and sign-in back-off it reads. Any thread unless
// stated.
class TaskScheduler {
public:
    TaskScheduler(TransferManager& manager, FailureBackoff::Limits failing,
                  std::chrono::milliseconds storeRetry, bool startAtOnce);
    TaskScheduler(const TaskScheduler&) = delete;
    TaskScheduler& operator=(const TaskScheduler&) = delete;

    // Whether a new task of that direction may start at once: starting is on, bin.db took the
    // last scheduling write, and its live workers (signing in counts: the limit is a bound),
    // with the connections downloads opened beside theirs, are fewer than the limit.
    bool hasSlot(Direction direction) const;
    // Held from a hasSlot() check to the start of the worker that takes the slot, so that no
    // other start, nor a connection beside a download, takes it meanwhile.
    std::unique_lock<std::mutex> holdSlots() { return std::unique_lock<std::mutex>(m_slotMutex); }
    // Connections that downloads have open beside their workers' (byte ranges at once), counted
    // with the workers against the download pool's limit: N big downloads at once do not open N
    // times N.
    ExtraConnections& besideDownloads() { return m_besideDownloads; }
    int besideDownloadCount() const { return m_besideDownloads.count(); }

    // Inside the caller's bracket: makes the waiting task `id` of `direction` running and says
    // so to the events. False when its row could not be written: the task is not to be started,
    // scheduling holds back for a while and the user hears why, once per streak.
    bool markRunning(LocalStore& held, std::int64_t id, Direction direction);
    // Why scheduling holds back (bin.db's words) while writes to it fail; empty otherwise.
    std::optional<std::string> storeFailure() const { return m_storeHold.failure(); }

    // The next waiting task of `direction` that may start now: not paused, not held from an
    // earlier session (unless the user's automatic-resume choice is on), not waiting out a
    // failure back-off, not `except`. 0: none. Inside the caller's bracket.
    std::int64_t nextStartable(LocalStore& held, Direction direction, std::int64_t except = 0);
    // For a worker whose task `current` has ended: makes the next startable task of the same
    // direction running and hands the worker over to it, so that the freed slot is taken at
    // once (on the same connection when it is still sound). Its row as made running, read in
    // the same transaction; empty: nothing to take, or stopping.
    std::optional<StoredTask> takeNextTask(std::int64_t current, Direction direction);
    // Inside the caller's bracket: when a slot is free, makes the next startable task of
    // `direction` running and starts its worker. Its id; 0 when nothing was started.
    std::int64_t startNext(LocalStore& held, Direction direction);
    // Starts workers for waiting tasks of `direction` while slots are free: a task's end, or a
    // connection a download closed, fills every free slot at once, not one per monitor tick.
    void fillFreeSlots(Direction direction);

    // Inside a worker's closing bracket: counts a failed run of the task. When the task has now
    // failed too often in a row and is to wait out a back-off: the wall-clock second (since the
    // epoch) of its next try.
    std::optional<std::int64_t> countFailure(std::int64_t id);
    // The task completed, or the user resumed it: any failure back-off is forgotten.
    void forgetFailures(std::int64_t id) { m_failing.forget(id); }

private:
    class BesideDownloads : public ExtraConnections {
    public:
        explicit BesideDownloads(TaskScheduler& scheduler) : m_scheduler(scheduler) {}
        bool tryAcquire() override;
        void release() override;
        int count() const { return m_count.load(); }

    private:
        TaskScheduler& m_scheduler;
        std::atomic<int> m_count{0};
    };

    int connectionsOpen(Direction direction) const;

    TransferManager& m_manager;
    const bool m_startAtOnce;
    FailureBackoff m_failing;
    StoreWriteHold m_storeHold;
    // Held from a slot's check to the start of what takes it, so that two never take one.
    std::mutex m_slotMutex;
    BesideDownloads m_besideDownloads{*this};
};

}  // namespace nubexa
