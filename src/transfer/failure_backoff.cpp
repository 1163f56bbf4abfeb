#include "transfer/failure_backoff.h"

#include <algorithm>

namespace nubexa {

bool FailureBackoff::recordFailure(std::int64_t id, Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    Streak& streak = m_streaks[id];
    if (++streak.failures < m_limits.failuresBeforeHold)
        return false;
    streak.delay =
        streak.delay.count() == 0 ? m_limits.first : std::min(streak.delay * 2, m_limits.longest);
    streak.retryAt = now + streak.delay;
    return true;
}

std::chrono::milliseconds FailureBackoff::delay(std::int64_t id) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_streaks.find(id);
    return found == m_streaks.end() ? std::chrono::milliseconds(0) : found->second.delay;
}

void FailureBackoff::forget(std::int64_t id) {
    std::lock_guard lock(m_mutex);
    m_streaks.erase(id);
}

bool FailureBackoff::due(std::int64_t id, Clock::time_point now) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_streaks.find(id);
    return found == m_streaks.end() || found->second.delay.count() == 0 ||
           now >= found->second.retryAt;
}

}  // namespace nubexa
