#include "transfer/worker_registry.h"

#include <cstdio>
#include <system_error>
#include <vector>

namespace nubexa {

WorkerRegistry::~WorkerRegistry() {
    stopAll();
}

WorkerRegistry::Start WorkerRegistry::start(std::int64_t key, std::optional<Direction> direction,
                                            Work work) {
    std::lock_guard lock(m_mutex);
    if (m_stop.load())
        return Start::kRefused;
    reapEnded();
    for (auto [at, end] = m_workers.equal_range(key); at != end; ++at) {
        Worker& live = *at->second;
        if (!live.ended) {
            // One worker per task: the last request wins and runs after the live one.
            live.next = std::move(work);
            return Start::kAfterLiveWorker;
        }
    }
    auto worker = std::make_unique<Worker>();
    worker->direction = direction;
    Worker* raw = worker.get();
    try {
        raw->thread = std::thread(&WorkerRegistry::runWorker, this, key, raw, std::move(work));
    } catch (const std::system_error& error) {
        std::fprintf(stderr, "cannot start a transfer thread: %s\n", error.what());
        return Start::kRefused;
    }
    m_workers.emplace(key, std::move(worker));
    return Start::kStarted;
}

void WorkerRegistry::runWorker(std::int64_t key, Worker* worker, Work work) {
    // The thread may run before start() has filed it: it only touches *worker under the lock,
    // which start() holds until then.
    for (;;) {
        try {
            work();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "transfer worker %lld ended by: %s\n", static_cast<long long>(key),
                         error.what());
        } catch (...) {
            std::fprintf(stderr, "transfer worker %lld ended by an exception\n",
                         static_cast<long long>(key));
        }
        std::lock_guard lock(m_mutex);
        if (worker->next && !m_stop.load()) {
            work = std::move(worker->next);
            worker->next = nullptr;
            continue;
        }
        worker->next = nullptr;
        worker->ended = true;
        if (m_endHook)
            m_endHook();
        m_changed.notify_all();
        return;
    }
}

bool WorkerRegistry::handOver(std::int64_t from, std::int64_t to) {
    std::lock_guard lock(m_mutex);
    if (m_stop.load() || isLiveLocked(to))
        return false;
    for (auto [at, end] = m_workers.equal_range(from); at != end; ++at) {
        Worker& worker = *at->second;
        if (worker.ended || worker.thread.get_id() != std::this_thread::get_id())
            continue;
        if (worker.next)
            return false;
        auto owned = std::move(at->second);
        m_workers.erase(at);
        m_workers.emplace(to, std::move(owned));
        return true;
    }
    return false;
}

void WorkerRegistry::reapEnded() {
    for (auto at = m_workers.begin(); at != m_workers.end();) {
        if (at->second->ended) {
            // It has left the lock for good; the join only waits for the thread's last return.
            at->second->thread.join();
            at = m_workers.erase(at);
        } else {
            ++at;
        }
    }
}

int WorkerRegistry::liveCount(Direction direction) const {
    std::lock_guard lock(m_mutex);
    int count = 0;
    for (const auto& [key, worker] : m_workers)
        count += !worker->ended && worker->direction == direction ? 1 : 0;
    return count;
}

int WorkerRegistry::liveCount() const {
    std::lock_guard lock(m_mutex);
    int count = 0;
    for (const auto& [key, worker] : m_workers)
        count += worker->ended ? 0 : 1;
    return count;
}

bool WorkerRegistry::isLive(std::int64_t key) const {
    std::lock_guard lock(m_mutex);
    return isLiveLocked(key);
}

bool WorkerRegistry::isLiveLocked(std::int64_t key) const {
    for (auto [at, end] = m_workers.equal_range(key); at != end; ++at) {
        if (!at->second->ended)
            return true;
    }
    return false;
}

void WorkerRegistry::waitAll() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] {
        for (const auto& [key, worker] : m_workers) {
            if (!worker->ended)
                return false;
        }
        return true;
    });
    reapEnded();
}

void WorkerRegistry::stopAll() {
    m_stop.store(true);
    waitAll();
}

}  // namespace nubexa
