#include "standin/util/guess_throttle.h"

#include <arpa/inet.h>

#include <algorithm>
#include <vector>

#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

// Above this many entries the idle ones are dropped, so guessing with random names or from
// many addresses cannot grow the tables without bound.
constexpr std::size_t kPruneAbove = 4096;
constexpr std::size_t kMostStreaks = 1 << 18;
// Addresses stay known to a secret this long after its last right guess.
constexpr auto kKnownFor = std::chrono::hours(24 * 30);
constexpr std::size_t kMostKnown = 16384;

// IPv6 hosts are handed whole /64 networks: one of them counts as one address.
std::string addressKey(const std::string& address) {
    in6_addr parsed{};
    if (address.find(':') == std::string::npos ||
        ::inet_pton(AF_INET6, address.c_str(), &parsed) != 1 || IN6_IS_ADDR_V4MAPPED(&parsed))
        return "address:" + address;
    std::fill(parsed.s6_addr + 8, parsed.s6_addr + 16, 0);
    char text[INET6_ADDRSTRLEN] = "";
    ::inet_ntop(AF_INET6, &parsed, text, sizeof text);
    return std::string("address:") + text + "/64";
}

std::string secretKey(const std::string& secret) {
    return "secret:" + foldCase(secret);
}

std::string pairKey(const std::string& secret, const std::string& address) {
    return "pair:" + foldCase(secret) + "\n" + addressKey(address);
}

std::chrono::seconds wholeSeconds(GuessThrottle::Clock::duration left) {
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(left);
    return seconds.count() > 0 ? seconds : std::chrono::seconds(0);
}

}  // namespace

int waitMinutes(std::chrono::seconds wait) {
    return static_cast<int>(std::max<std::int64_t>(1, (wait.count() + 59) / 60));
}

std::chrono::seconds GuessThrottle::lockedFor(const std::string& secret, const std::string& address,
                                              Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    Clock::duration left =
        std::max(lockLeft(pairKey(secret, address), now), lockLeft(addressKey(address), now));
    const auto known = m_known.find(pairKey(secret, address));
    if (known == m_known.end() || now - known->second > kKnownFor)
        left = std::max(left, lockLeft(secretKey(secret), now));
    return wholeSeconds(left);
}

void GuessThrottle::failed(const std::string& secret, const std::string& address,
                           Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    pruneIfLarge(now);
    count(pairKey(secret, address), m_limits.perAddressAndSecret, now);
    count(addressKey(address), m_limits.perAddress, now);
    count(secretKey(secret), m_limits.perSecret, now);
}

void GuessThrottle::succeeded(const std::string& secret, const std::string& address,
                              Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    const std::string pair = pairKey(secret, address);
    m_streaks.erase(pair);
    m_known[pair] = now;
    if (m_known.size() > kMostKnown) {
        // Make room by the oldest; only right guesses add here, so this is rare.
        auto oldest = m_known.begin();
        for (auto it = m_known.begin(); it != m_known.end(); ++it) {
            if (it->second < oldest->second)
                oldest = it;
        }
        m_known.erase(oldest);
    }
}

std::chrono::seconds GuessThrottle::addressLockedFor(const std::string& address,
                                                     Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    return wholeSeconds(lockLeft(addressKey(address), now));
}

void GuessThrottle::addressFailed(const std::string& address, Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    pruneIfLarge(now);
    count(addressKey(address), m_limits.perAddress, now);
}

void GuessThrottle::count(const std::string& key, int limit, Clock::time_point now) {
    Streak& streak = m_streaks[key];
    if (streak.failures == 0 || now - streak.first > m_limits.window) {
        streak.failures = 0;
        streak.first = now;
    }
    if (++streak.failures < limit)
        return;
    // Locking again soon after the last lock ended: the guessing goes on, so does the wait.
    const bool again =
        streak.lockouts > 0 && now - streak.lockedUntil <= Clock::duration(m_limits.window);
    streak.lockouts = again ? std::min(streak.lockouts + 1, 30) : 1;
    Clock::duration lockout = m_limits.lockout;
    for (int i = 1; i < streak.lockouts && lockout < m_limits.longestLockout; ++i)
        lockout *= 2;
    streak.lockedUntil = now + std::min<Clock::duration>(lockout, m_limits.longestLockout);
    streak.failures = 0;
}

GuessThrottle::Clock::duration GuessThrottle::lockLeft(const std::string& key,
                                                       Clock::time_point now) const {
    const auto it = m_streaks.find(key);
    if (it == m_streaks.end() || now >= it->second.lockedUntil)
        return Clock::duration::zero();
    return it->second.lockedUntil - now;
}

void GuessThrottle::pruneIfLarge(Clock::time_point now) {
    // Looked through only when the table has doubled since the last time: each guess costs
    // little however large it is.
    if (m_streaks.size() <= std::max(kPruneAbove, m_pruneAbove))
        return;
    for (auto it = m_streaks.begin(); it != m_streaks.end();) {
        const Streak& streak = it->second;
        const bool idle = now - streak.first > m_limits.window &&
                          now - streak.lockedUntil > Clock::duration(m_limits.window);
        it = idle ? m_streaks.erase(it) : std::next(it);
    }
    // Still this many within one window (guesses from very many addresses): counts that lock
    // nothing now are forgotten, so memory stays bounded at the price of a few more guesses.
    if (m_streaks.size() > kMostStreaks) {
        for (auto it = m_streaks.begin(); it != m_streaks.end();)
            it = now >= it->second.lockedUntil ? m_streaks.erase(it) : std::next(it);
    }
    m_pruneAbove = 2 * m_streaks.size();
    for (auto it = m_known.begin(); it != m_known.end();)
        it = now - it->second > kKnownFor ? m_known.erase(it) : std::next(it);
}

}  // namespace nubexa::standin
