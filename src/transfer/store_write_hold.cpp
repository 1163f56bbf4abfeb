#include "transfer/store_write_hold.h"

namespace nubexa {

bool StoreWriteHold::recordFailure(const std::string& reason, Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    const bool first = !m_failure.has_value();
    m_failure = reason;
    m_retryAt = now + m_pause;
    return first;
}

void StoreWriteHold::recordSuccess() {
    std::lock_guard lock(m_mutex);
    m_failure.reset();
}

bool StoreWriteHold::mayStart(Clock::time_point now) const {
    std::lock_guard lock(m_mutex);
    return !m_failure || now >= m_retryAt;
}

std::optional<std::string> StoreWriteHold::failure() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

}  // namespace nubexa
