#include "session/session_calls.h"

namespace nubexa {

SessionCalls::SessionCalls(Executor executor, int threads)
    : m_executor(std::move(executor)), m_threadLimit(threads > 0 ? threads : 1) {}

SessionCalls::~SessionCalls() {
    waitForAll();
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_woken.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void SessionCalls::start(std::function<void()> job) {
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
        // Threads are made as calls come, up to the limit: an idle client holds none.
        if (m_jobs.size() > m_waiting && m_threads.size() < m_threadLimit)
            m_threads.emplace_back([this] { serve(); });
    }
    m_woken.notify_one();
}

void SessionCalls::serve() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_waiting;
        m_woken.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        --m_waiting;
        if (m_jobs.empty())
            return;  // stopping, and nothing left to run
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        ++m_busy;
        lock.unlock();
        job();
        lock.lock();
        --m_busy;
        if (m_jobs.empty() && m_busy == 0)
            m_idle.notify_all();
    }
}

void SessionCalls::waitForAll() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && m_busy == 0; });
}

}  // namespace nubexa
