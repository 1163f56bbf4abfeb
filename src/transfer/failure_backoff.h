#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>

namespace nubexa {

struct FailureBackoffLimits {
    int failuresBeforeHold = 3;
    std::chrono::milliseconds first{std::chrono::minutes(1)};
    std::chrono::milliseconds longest{std::chrono::hours(1)};
};

// Per task: after `failuresBeforeHold` failed runs in a row the task waits `first` before it
// is started again, and each further failure doubles the wait up to `longest`. A success or the
// user's resume forgets the task. Kept in memory: a new process retries held tasks at once.
// Thread-safe.
class FailureBackoff {
public:
    using Clock = std::chrono::steady_clock;
    using Limits = FailureBackoffLimits;

    explicit FailureBackoff(Limits limits = {}) : m_limits(limits) {}

    // A failed run; true when the task is now held.
    bool recordFailure(std::int64_t id, Clock::time_point now = Clock::now());
    // How long a held task waits from its last failure; zero when it is not held.
    std::chrono::milliseconds delay(std::int64_t id) const;
    void forget(std::int64_t id);
    // Whether the task may be started now.
    bool due(std::int64_t id, Clock::time_point now = Clock::now()) const;

private:
    struct Streak {
        int failures = 0;
        std::chrono::milliseconds delay{0};
        Clock::time_point retryAt;
    };

    const Limits m_limits;
    mutable std::mutex m_mutex;
    std::map<std::int64_t, Streak> m_streaks;
};

}  // namespace nubexa
