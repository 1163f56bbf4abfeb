// The session's calls: blocking work on threads of their own, each result handed to the
// caller's executor, a call that hangs not holding the others back, and no call left running
// once the calls are gone.
#include "session/session_calls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <vector>

namespace nubexa::test {
namespace {

// The caller's thread: results wait here until the test applies them.
class QueuedExecutor {
public:
    Executor executor() {
        return [this](std::function<void()> apply) {
            const std::lock_guard lock(m_mutex);
            m_queued.push_back(std::move(apply));
            m_woken.notify_all();
        };
    }
    // Waits (with a limit) for `count` results, then applies every one queued.
    bool applyAtLeast(std::size_t count) {
        std::vector<std::function<void()>> taken;
        {
            std::unique_lock lock(m_mutex);
            if (!m_woken.wait_for(lock, std::chrono::seconds(30),
                                  [&] { return m_queued.size() >= count; }))
                return false;
            taken.swap(m_queued);
        }
        for (auto& apply : taken)
            apply();
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_woken;
    std::vector<std::function<void()>> m_queued;
};

TEST(SessionCalls, ResultsReachTheExecutorAndAHangingCallHoldsNoOtherBack) {
    QueuedExecutor caller;
    std::vector<int> applied;  // only ever touched on the test's thread
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> running{0};
    std::atomic<int> most{0};
    {
        SessionCalls calls(caller.executor(), 3);
        // The first call hangs until the others' results have been applied.
        calls.run<int>(
            [released] {
                released.wait_for(std::chrono::seconds(30));
                return 0;
            },
            [&](int value) { applied.push_back(value); });
        for (int i = 1; i <= 6; ++i) {
            calls.run<int>(
                [&, i] {
                    const int now = ++running;
                    int seen = most.load();
                    while (now > seen && !most.compare_exchange_weak(seen, now)) {
                    }
                    --running;
                    return i;
                },
                [&](int value) { applied.push_back(value); });
        }
        ASSERT_TRUE(caller.applyAtLeast(6));
        EXPECT_EQ(applied.size(), 6U);  // nothing applied on a call thread or twice
        EXPECT_EQ(std::count(applied.begin(), applied.end(), 0), 0);
        release.set_value();
        calls.waitForAll();
    }  // gone: every call has run
    ASSERT_TRUE(caller.applyAtLeast(1));
    std::sort(applied.begin(), applied.end());
    EXPECT_EQ(applied, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_LE(most.load(), 2);  // beside the hanging one, within three threads
}

}  // namespace
}  // namespace nubexa::test
