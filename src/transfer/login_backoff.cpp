#include "transfer/login_backoff.h"

#include <algorithm>

namespace nubexa {

bool LoginBackoff::recordFailure(Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    ++m_failures;
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

std::chrono::milliseconds LoginBackoff::currentDelay() const {
    std::lock_guard lock(m_mutex);
    return m_delay;
}

}  // namespace nubexa
