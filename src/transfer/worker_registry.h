#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "store/direction.h"

namespace nubexa {

// Owns every transfer thread of the process: at most one worker per task at any time, a count
// of the live workers of each direction, waiting for all of them and stopping all of them.
//
// Any thread may call start(); waitAll() and stopAll() must not be called from a worker nor
// while holding the StoreGate (workers need it to finish). The destructor stops and joins all.
class WorkerRegistry {
public:
    using Work = std::function<void()>;

    enum class Start {
        kStarted,
        // The task's previous worker still runs: its thread runs `work` once it has ended, so
        // a resume while the old worker winds down still gets the task going.
        kAfterLiveWorker,
        kRefused,  // stopping, or no thread could be made
    };

    using EndHook = std::function<void()>;

    WorkerRegistry() = default;
    ~WorkerRegistry();
    WorkerRegistry(const WorkerRegistry&) = delete;
    WorkerRegistry& operator=(const WorkerRegistry&) = delete;

    // direction: counted in liveCount(direction); empty for the avatar download.
    Start start(std::int64_t key, std::optional<Direction> direction, Work work);

    // Called by a worker thread whose work for `from` has ended: it carries on with task `to`
    // and is counted under it from now on. False (the thread keeps `from` and ends) when
    // stopping, when a resume of `from` waits for this thread, or when `to` has a live worker.
    bool handOver(std::int64_t from, std::int64_t to);

    // Workers started and not ended yet (signing in, loading, transferring).
    int liveCount(Direction direction) const;
    int liveCount() const;
    bool isLive(std::int64_t key) const;
    // Called on a worker's thread once it has stopped counting as live, under the registry's
    // lock (so it runs before waitAll() returns): it must not call into the registry. Set
    // before the first start().
    void setEndHook(EndHook hook) { m_endHook = std::move(hook); }

    // Blocks until no worker is live, then joins every thread.
    void waitAll();
    // Asks every running transfer to stop (the rows stay resumable), refuses new workers and
    // waits for all. Running transfers notice within a data tick.
    void stopAll();
    bool stopping() const { return m_stop.load(); }

    // What transfers look at (FtpOptions::stopRequest).
    const std::atomic<bool>* stopRequest() const { return &m_stop; }

private:
    struct Worker {
        std::thread thread;
        std::optional<Direction> direction;
        Work next;  // run by the same thread after the current work
        bool ended = false;
    };

    void runWorker(std::int64_t key, Worker* worker, Work work);
    bool isLiveLocked(std::int64_t key) const;
    // Joins the threads whose work has ended. Holds m_mutex; such threads no longer need it.
    void reapEnded();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::multimap<std::int64_t, std::unique_ptr<Worker>> m_workers;
    std::atomic<bool> m_stop{false};
    EndHook m_endHook;
};

}  // namespace nubexa
