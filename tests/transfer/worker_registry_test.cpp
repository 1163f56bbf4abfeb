// The thread owner, the running counts and the sign-in back-off, on their own.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "store/store_gate.h"
#include "support/temp_dir.h"
#include "transfer/login_backoff.h"
#include "transfer/running_counts.h"
#include "transfer/worker_registry.h"

namespace nubexa {
namespace {

using namespace std::chrono_literals;

// A gate the test opens when it wants.
class Latch {
public:
    void open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    void wait() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

TEST(WorkerRegistry, OneWorkerPerTaskAndALaterStartRunsAfterTheLiveOne) {
    WorkerRegistry registry;
    Latch release;
    std::mutex mutex;
    std::vector<std::string> events;
    std::atomic<int> concurrent{0};
    std::atomic<int> mostConcurrent{0};
    const auto work = [&](const std::string& name, bool block) {
        return [&, name, block] {
            const int now = ++concurrent;
            mostConcurrent = std::max(mostConcurrent.load(), now);
            if (block)
                release.wait();
            {
                std::lock_guard lock(mutex);
                events.push_back(name);
            }
            --concurrent;
        };
    };
    EXPECT_EQ(registry.start(5, Direction::kUpload, work("first", true)),
              WorkerRegistry::Start::kStarted);
    EXPECT_EQ(registry.start(5, Direction::kUpload, work("second", false)),
              WorkerRegistry::Start::kAfterLiveWorker);
    EXPECT_EQ(registry.start(5, Direction::kUpload, work("third", false)),
              WorkerRegistry::Start::kAfterLiveWorker);
    EXPECT_TRUE(registry.isLive(5));
    EXPECT_EQ(registry.liveCount(Direction::kUpload), 1);
    EXPECT_EQ(registry.liveCount(Direction::kDownload), 0);

    release.open();
    registry.waitAll();
    EXPECT_EQ(mostConcurrent.load(), 1);
    // The last request replaced the one before it: one run after the live worker, not two.
    EXPECT_EQ(events, (std::vector<std::string>{"first", "third"}));
    EXPECT_FALSE(registry.isLive(5));
    EXPECT_EQ(registry.liveCount(), 0);

    // The task's next worker is a new thread again.
    EXPECT_EQ(registry.start(5, Direction::kUpload, work("fourth", false)),
              WorkerRegistry::Start::kStarted);
    registry.waitAll();
    EXPECT_EQ(events.back(), "fourth");
}

TEST(WorkerRegistry, StopAllSignalsRunningWorkersAndRefusesNewOnes) {
    WorkerRegistry registry;
    std::atomic<int> started{0};
    std::atomic<bool> laterRan{false};
    const std::atomic<bool>* stop = registry.stopRequest();
    for (std::int64_t id = 1; id <= 3; ++id) {
        registry.start(id, Direction::kDownload, [&started, stop] {
            ++started;
            while (!stop->load())
                std::this_thread::sleep_for(1ms);
        });
    }
    registry.start(1, Direction::kDownload, [&laterRan] { laterRan = true; });
    ASSERT_TRUE(test::waitUntil([&] { return started.load() == 3; }));
    EXPECT_EQ(registry.liveCount(Direction::kDownload), 3);

    registry.stopAll();
    EXPECT_EQ(registry.liveCount(), 0);
    EXPECT_FALSE(laterRan.load()) << "a stop ends the task's pending run too";
    EXPECT_EQ(registry.start(9, Direction::kUpload, [] {}), WorkerRegistry::Start::kRefused);
}

// The end hook tells of threads, not tasks: one handing over to the next task, one that
// throws and one of no direction end three threads, each heard of before waitAll() returns.
TEST(WorkerRegistry, AWorkerThatThrowsStillEndsAndEveryThreadsEndIsHeard) {
    WorkerRegistry registry;
    std::atomic<int> ends{0};
    registry.setEndHook([&] { ++ends; });
    registry.start(1, Direction::kUpload, [&] { EXPECT_TRUE(registry.handOver(1, 2)); });
    registry.start(3, Direction::kUpload, [] { throw std::runtime_error("broken"); });
    registry.start(5, std::nullopt, [] {});
    registry.waitAll();
    EXPECT_EQ(registry.liveCount(), 0);
    EXPECT_EQ(ends.load(), 3);
}

TEST(RunningCounts, ChangedUnderTheGateAndNeverBelowZero) {
    test::TempDir dir;
    StoreGate gate(dir.file("bin.db"));
    RunningCounts counts;
    {
        const auto bracket = gate.acquire();
        counts.remove(Direction::kUpload, bracket);
        EXPECT_EQ(counts.uploads(), 0);
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&gate, &counts, t] {
            const Direction direction = t % 2 == 0 ? Direction::kUpload : Direction::kDownload;
            for (int i = 0; i < 200; ++i) {
                {
                    const auto bracket = gate.acquire();
                    counts.add(direction, bracket);
                }
                const auto bracket = gate.acquire();
                counts.remove(direction, bracket);
                counts.remove(direction, bracket);  // one too many: stays at 0 at worst
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counts.uploads(), 0);
    EXPECT_EQ(counts.downloads(), 0);
}

TEST(LoginBackoff, DoublesFromTheFirstPauseUpToTheLongestAndResetsOnSuccess) {
    LoginBackoff backoff;  // 3 s doubling to 5 minutes
    const auto t0 = LoginBackoff::Clock::now();
    EXPECT_TRUE(backoff.mayStart(t0));
    EXPECT_TRUE(backoff.recordFailure(t0)) << "the first failure of a streak is told";
    EXPECT_EQ(backoff.currentDelay(), 3s);
    EXPECT_FALSE(backoff.mayStart(t0 + 2999ms));
    EXPECT_TRUE(backoff.mayStart(t0 + 3s));

    std::vector<std::chrono::milliseconds> delays;
    for (int i = 0; i < 9; ++i) {
        EXPECT_FALSE(backoff.recordFailure(t0)) << "later failures of the streak are not told";
        delays.push_back(backoff.currentDelay());
    }
    EXPECT_EQ(delays, (std::vector<std::chrono::milliseconds>{6s, 12s, 24s, 48s, 96s, 192s, 300s,
                                                              300s, 300s}));
    EXPECT_EQ(backoff.failures(), 10);
    EXPECT_FALSE(backoff.mayStart(t0 + 299s));

    backoff.recordSuccess();
    EXPECT_TRUE(backoff.mayStart(t0));
    EXPECT_EQ(backoff.failures(), 0);
    EXPECT_TRUE(backoff.recordFailure(t0)) << "a new streak is told again";
    EXPECT_EQ(backoff.currentDelay(), 3s);
}

}  // namespace
}  // namespace nubexa
