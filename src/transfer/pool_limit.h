#pragma once

#include <chrono>
#include <mutex>

#include "store/user_log.h"

namespace nubexa {

// How many transfers of one direction may run at once: the user's choice (1 to kMost), lowered
// for a while when the file server refused a connection as one too many. A refusal while
// `live` connections were open allows live - 1 (at least 1); each `hold` after the last refusal
// allows one more, back up to the choice. Thread-safe.
class PoolLimit {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int kFewest = kFewestTransfers;
    static constexpr int kMost = kMostTransfers;

    explicit PoolLimit(int chosen, Clock::duration hold = std::chrono::seconds(30))
        : m_chosen(clamp(chosen)), m_hold(hold) {}

    // The user's choice; out of range is brought into it.
    void choose(int transfers);
    int chosen() const;
    // What may run now.
    int limit(Clock::time_point now = Clock::now()) const;
    // The server refused one more connection while `live` of this direction were open.
    void refused(int live, Clock::time_point now = Clock::now());

    static int clamp(int transfers);

private:
    int limitLocked(Clock::time_point now) const;

    mutable std::mutex m_mutex;
    int m_chosen;
    const Clock::duration m_hold;
    int m_lowered = 0;  // 0: not lowered
    Clock::time_point m_loweredAt;
};

}  // namespace nubexa
