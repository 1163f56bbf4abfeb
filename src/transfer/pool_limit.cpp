#include "transfer/pool_limit.h"

#include <algorithm>

namespace nubexa {

int PoolLimit::clamp(int transfers) {
    return std::clamp(transfers, kFewest, kMost);
}

void PoolLimit::choose(int transfers) {
    const std::lock_guard lock(m_mutex);
    m_chosen = clamp(transfers);
}

int PoolLimit::chosen() const {
    const std::lock_guard lock(m_mutex);
    return m_chosen;
}

int PoolLimit::limit(Clock::time_point now) const {
    const std::lock_guard lock(m_mutex);
    return limitLocked(now);
}

int PoolLimit::limitLocked(Clock::time_point now) const {
    if (m_lowered == 0)
        return m_chosen;
    const auto regained = m_hold.count() > 0 ? (now - m_loweredAt) / m_hold : m_chosen;
    return static_cast<int>(std::min<Clock::rep>(m_chosen, m_lowered + regained));
}

void PoolLimit::refused(int live, Clock::time_point now) {
    const std::lock_guard lock(m_mutex);
    const int allowed = std::max(kFewest, live - 1);
    // Workers that were signing in when the bound came down are refused too: never a raise.
    m_lowered = std::min(allowed, limitLocked(now));
    m_loweredAt = now;
}

}  // namespace nubexa
