#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>

namespace nubexa::standin {

struct SignInLimits {
    int failures = 5;
    std::chrono::seconds window{std::chrono::minutes(15)};
    std::chrono::seconds lockout{std::chrono::minutes(1)};
};

// Holds back guessing of passwords on the site's sign-in forms: after `failures` wrong
// passwords for one account within `window`, or `failures * kAddressFactor` from one address,
// that account or address is refused for `lockout`. A right password clears its account's
// count. Thread-safe.
class SignInThrottle {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int kAddressFactor = 4;

    explicit SignInThrottle(SignInLimits limits = {}) : m_limits(limits) {}

    // Whether a sign-in of `account` from `address` may be tried now.
    bool mayTry(const std::string& account, const std::string& address,
                Clock::time_point now = Clock::now());
    void failed(const std::string& account, const std::string& address,
                Clock::time_point now = Clock::now());
    void succeeded(const std::string& account);

    // The address alone, for sign-ins whose account names are not secret enough to lock
    // (the file server's): `failures * kAddressFactor` wrong passwords lock the address out.
    bool addressMayTry(const std::string& address, Clock::time_point now = Clock::now());
    void addressFailed(const std::string& address, Clock::time_point now = Clock::now());

private:
    struct Streak {
        int failures = 0;
        Clock::time_point first;
        Clock::time_point lockedUntil;
    };

    void count(const std::string& key, int limit, Clock::time_point now);
    bool locked(const std::string& key, Clock::time_point now) const;
    void forgetIdle(Clock::time_point now);

    SignInLimits m_limits;
    mutable std::mutex m_mutex;
    std::map<std::string, Streak> m_streaks;
};

}  // namespace nubexa::standin
