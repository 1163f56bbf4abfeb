#include "transfer/login_backoff.h"

#include <algorithm>

namespace nubexa {

bool LoginBackoff::recordFailure(Clock::time_point now,
                                 std::optional<Clock::time_point> signInBegan) {
    std::lock_guard lock(m_mutex);
    if (m_failures > 0 && signInBegan && *signInBegan < m_lastCounted)
        return false;  // the round counted already
    ++m_failures;
    if (m_failures == 1)
        m_streakBegan = now;
    m_lastCounted = now;
    m_delay = m_failures == 1 ? m_limits.first : std::min(m_delay * 2, m_limits.longest);
    m_retryAt = now + m_delay;
    return m_failures == 1;
}

void LoginBackoff::recordSuccess() {
    std::lock_guard lock(m_mutex);
    m_failures = 0;
    m_delay = std::chrono::milliseconds(0);
    m_retryAt.reset();
}

bool LoginBackoff::mayStart(Clock::time_point now) const {
    std::lock_guard lock(m_mutex);
    return !m_retryAt || now >= *m_retryAt;
}

int LoginBackoff::failures() const {
    std::lock_guard lock(m_mutex);
    return m_failures;
}

std::optional<LoginBackoff::Clock::time_point> LoginBackoff::streakBegan() const {
    std::lock_guard lock(m_mutex);
    if (m_failures == 0)
        return std::nullopt;
    return m_streakBegan;
}

std::optional<LoginBackoff::Clock::time_point> LoginBackoff::retryAt() const {
    std::lock_guard lock(m_mutex);
    return m_retryAt;
}

std::chrono::milliseconds LoginBackoff::currentDelay() const {
    std::lock_guard lock(m_mutex);
    return m_delay;
}

}  // namespace nubexa
