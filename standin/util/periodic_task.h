#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace nubexa::standin {

// Runs a job every `interval` on a thread of its own until it is destroyed; destruction wakes
// the thread and joins it without waiting for the next round.
class PeriodicTask {
public:
    PeriodicTask(std::chrono::milliseconds interval, std::function<void()> job)
        : m_interval(interval), m_job(std::move(job)), m_thread([this] { run(); }) {}
    ~PeriodicTask() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    PeriodicTask(const PeriodicTask&) = delete;
    PeriodicTask& operator=(const PeriodicTask&) = delete;

private:
    void run() {
        std::unique_lock lock(m_mutex);
        while (!m_wake.wait_for(lock, m_interval, [this] { return m_stopping; })) {
            lock.unlock();
            m_job();
            lock.lock();
        }
    }

    std::chrono::milliseconds m_interval;
    std::function<void()> m_job;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;  // last: starts once the members above exist
};

}  // namespace nubexa::standin
