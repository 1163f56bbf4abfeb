#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace nubexa {

// Where a call's result is applied: the caller's own thread, later, in the order given (the
// desktop client posts to its event loop).
using Executor = std::function<void(std::function<void()> apply)>;

// Runs the session's blocking calls (web requests, bin.db, the secret store) on a few threads of
// its own and hands each result to the caller's executor, so that no front end waits for one.
// Calls start in the order given, at most `threads` at once. Any thread.
class SessionCalls {
public:
    explicit SessionCalls(Executor executor, int threads = 3);
    // Waits for every call given so far (their results may still be on their way).
    ~SessionCalls();
    SessionCalls(const SessionCalls&) = delete;
    SessionCalls& operator=(const SessionCalls&) = delete;

    // `work` runs on a call thread; `apply(result)` afterwards through the executor.
    template <typename Result>
    void run(std::function<Result()> work, std::function<void(Result)> apply) {
        start([this, work = std::move(work), apply = std::move(apply)] {
            auto result = std::make_shared<Result>(work());
            m_executor([apply, result] { apply(std::move(*result)); });
        });
    }

    // Returns once every call given so far has run its work.
    void waitForAll();

private:
    void start(std::function<void()> job);
    void serve();

    const Executor m_executor;
    const std::size_t m_threadLimit;
    std::mutex m_mutex;
    std::condition_variable m_woken;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_jobs;
    std::size_t m_busy = 0;
    std::size_t m_waiting = 0;  // threads waiting for a job
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

}  // namespace nubexa
