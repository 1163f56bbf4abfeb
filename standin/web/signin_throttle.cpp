#include "standin/web/signin_throttle.h"

#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

// Above this many streaks the idle ones are dropped, so guessing with random names cannot
// grow the table without bound.
constexpr std::size_t kPruneAbove = 4096;

std::string accountKey(const std::string& account) {
    return "account:" + foldCase(account);
}

std::string addressKey(const std::string& address) {
    return "address:" + address;
}

}  // namespace

bool SignInThrottle::mayTry(const std::string& account, const std::string& address,
                            Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    return !locked(accountKey(account), now) && !locked(addressKey(address), now);
}

void SignInThrottle::failed(const std::string& account, const std::string& address,
                            Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    if (m_streaks.size() > kPruneAbove)
        forgetIdle(now);
    count(accountKey(account), m_limits.failures, now);
    count(addressKey(address), m_limits.failures * kAddressFactor, now);
}

bool SignInThrottle::addressMayTry(const std::string& address, Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    return !locked(addressKey(address), now);
}

void SignInThrottle::addressFailed(const std::string& address, Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    if (m_streaks.size() > kPruneAbove)
        forgetIdle(now);
    count(addressKey(address), m_limits.failures * kAddressFactor, now);
}

void SignInThrottle::succeeded(const std::string& account) {
    std::lock_guard lock(m_mutex);
    m_streaks.erase(accountKey(account));
}

void SignInThrottle::count(const std::string& key, int limit, Clock::time_point now) {
    Streak& streak = m_streaks[key];
    if (streak.failures == 0 || now - streak.first > m_limits.window) {
        streak.failures = 0;
        streak.first = now;
    }
    if (++streak.failures >= limit) {
        streak.lockedUntil = now + m_limits.lockout;
        streak.failures = 0;
    }
}

bool SignInThrottle::locked(const std::string& key, Clock::time_point now) const {
    const auto it = m_streaks.find(key);
    return it != m_streaks.end() && now < it->second.lockedUntil;
}

void SignInThrottle::forgetIdle(Clock::time_point now) {
    for (auto it = m_streaks.begin(); it != m_streaks.end();) {
        const bool idle = now >= it->second.lockedUntil && now - it->second.first > m_limits.window;
        it = idle ? m_streaks.erase(it) : std::next(it);
    }
}

}  // namespace nubexa::standin
