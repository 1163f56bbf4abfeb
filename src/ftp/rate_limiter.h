#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace nubexa {

// A byte rate shared by every transfer that books its bytes here: two runs under one limiter
// move the rate together, not each. The rate may change at any moment, and the change holds
// from the next block of every run. Any thread.
class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    explicit RateLimiter(std::int64_t bytesPerSecond = 0) : m_bytesPerSecond(bytesPerSecond) {}
    RateLimiter(const RateLimiter&) = delete;
    RateLimiter& operator=(const RateLimiter&) = delete;

    // 0 or less: no limit. A wait booked under the old rate is forgiven.
    void setRate(std::int64_t bytesPerSecond);
    std::int64_t rate() const;

    // Books bytes that have moved.
    void moved(std::int64_t bytes);
    // How long every run is to wait before it moves more; 0 when it may go on.
    Clock::duration wait();
    // The most a run should move in one go, so that the bytes leave evenly rather than in one
    // large block followed by a long silence.
    std::size_t slice(std::size_t block) const;
    // True while the limit is set and has held a run back within `window`.
    bool holding(Clock::duration window) const;

private:
    mutable std::mutex m_mutex;
    std::int64_t m_bytesPerSecond;
    Clock::time_point m_free{};  // when the bytes booked so far have had their time
    Clock::time_point m_lastHeld{};
    bool m_everHeld = false;
};

}  // namespace nubexa
