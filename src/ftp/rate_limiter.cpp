#include "ftp/rate_limiter.h"

#include <algorithm>

namespace nubexa {

namespace {

// An idle line earns at most this much credit: a run that wakes late does not lose its turn,
// and a pause is not paid back as a burst.
constexpr auto kCredit = std::chrono::milliseconds(20);
// A slice is this much time's worth of bytes, and never less than this many bytes.
constexpr auto kSliceTime = std::chrono::milliseconds(50);
constexpr std::size_t kSmallestSlice = 4096;

}  // namespace

void RateLimiter::setRate(std::int64_t bytesPerSecond) {
    const std::lock_guard lock(m_mutex);
    m_bytesPerSecond = std::max<std::int64_t>(bytesPerSecond, 0);
    m_free = std::min(m_free, Clock::now());
}

std::int64_t RateLimiter::rate() const {
    const std::lock_guard lock(m_mutex);
    return m_bytesPerSecond;
}

void RateLimiter::moved(std::int64_t bytes) {
    const std::lock_guard lock(m_mutex);
    if (m_bytesPerSecond <= 0 || bytes <= 0)
        return;
    m_free = std::max(m_free, Clock::now() - kCredit);
    m_free += std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(bytes) / m_bytesPerSecond));
}

RateLimiter::Clock::duration RateLimiter::wait() {
    const std::lock_guard lock(m_mutex);
    if (m_bytesPerSecond <= 0)
        return Clock::duration::zero();
    const auto now = Clock::now();
    if (m_free <= now)
        return Clock::duration::zero();
    m_lastHeld = now;
    m_everHeld = true;
    return m_free - now;
}

std::size_t RateLimiter::slice(std::size_t block) const {
    const std::lock_guard lock(m_mutex);
    if (m_bytesPerSecond <= 0)
        return block;
    const auto share = static_cast<std::size_t>(m_bytesPerSecond * kSliceTime.count() / 1000);
    return std::min(block, std::max(share, kSmallestSlice));
}

bool RateLimiter::holding(Clock::duration window) const {
    const std::lock_guard lock(m_mutex);
    return m_bytesPerSecond > 0 && m_everHeld && Clock::now() - m_lastHeld < window;
}

}  // namespace nubexa
