#pragma once

#include <chrono>
#include <cstdint>

namespace nubexa {

// Keeps a run's average at or below a byte rate (0: no limit) by telling how long to hold back.
class RateLimit {
public:
    using Clock = std::chrono::steady_clock;

    explicit RateLimit(std::int64_t bytesPerSecond)
        : m_bytesPerSecond(bytesPerSecond), m_start(Clock::now()) {}

    // How long to wait before moving more, after `moved` bytes of this run.
    std::chrono::milliseconds holdBack(std::int64_t moved) const {
        if (m_bytesPerSecond <= 0 || moved <= 0)
            return std::chrono::milliseconds(0);
        const auto due = std::chrono::milliseconds(moved * 1000 / m_bytesPerSecond);
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_start);
        return due > elapsed ? due - elapsed : std::chrono::milliseconds(0);
    }

private:
    std::int64_t m_bytesPerSecond;
    Clock::time_point m_start;
};

}  // namespace nubexa
