#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>

namespace nubexa::standin {

struct GuessLimits {
    int perAddressAndSecret = 5;  // wrong guesses at one secret from one address
    int perAddress = 20;          // wrong guesses from one address, at whatever secret
    int perSecret = 50;           // wrong guesses at one secret from everywhere
    std::chrono::seconds window{std::chrono::minutes(15)};
    // A lock-out lasts `lockout`, twice as long each time the same count locks again within
    // `window` of the last one ending, up to `longestLockout`.
    std::chrono::seconds lockout{std::chrono::minutes(1)};
    std::chrono::seconds longestLockout{std::chrono::minutes(15)};
};

// Holds back guessing of secrets: an account's password, a share's extraction code and the
// passwords of what it shares. Wrong guesses are counted within `window` per (secret, address),
// per address and per secret; past a limit that count locks for a while, and the lock is
// looked at before a guess is checked, so a locked guess costs nothing and a right one is
// refused too.
//
// The owner of a secret is not locked out by someone guessing it from another address: the
// count per (secret, address) locks only the guesser, and the count per secret (which holds
// back guessing spread over many addresses) does not lock addresses that gave that secret
// right before. Addresses are counted as given, IPv6 ones by their /64 network. Thread-safe.
class GuessThrottle {
public:
    using Clock = std::chrono::steady_clock;

    explicit GuessThrottle(GuessLimits limits = {}) : m_limits(limits) {}

    // How long `address` must still wait before guessing `secret` (names compared without
    // regard to case); zero: it may guess now.
    std::chrono::seconds lockedFor(const std::string& secret, const std::string& address,
                                   Clock::time_point now = Clock::now());
    bool mayTry(const std::string& secret, const std::string& address,
                Clock::time_point now = Clock::now()) {
        return lockedFor(secret, address, now).count() == 0;
    }
    void failed(const std::string& secret, const std::string& address,
                Clock::time_point now = Clock::now());
    // Clears the (secret, address) count; the address is known to the secret from now on.
    void succeeded(const std::string& secret, const std::string& address,
                   Clock::time_point now = Clock::now());

    // The address alone, for sign-ins whose names are not secret enough to lock (the file
    // server's): `perAddress` wrong guesses lock the address.
    std::chrono::seconds addressLockedFor(const std::string& address,
                                          Clock::time_point now = Clock::now());
    void addressFailed(const std::string& address, Clock::time_point now = Clock::now());

private:
    struct Streak {
        int failures = 0;
        Clock::time_point first;
        Clock::time_point lockedUntil;
        int lockouts = 0;  // in a row, each within `window` of the one before ending
    };

    void count(const std::string& key, int limit, Clock::time_point now);
    Clock::duration lockLeft(const std::string& key, Clock::time_point now) const;
    void pruneIfLarge(Clock::time_point now);

    GuessLimits m_limits;
    mutable std::mutex m_mutex;
    std::map<std::string, Streak> m_streaks;
    std::size_t m_pruneAbove = 0;
    std::map<std::string, Clock::time_point> m_known;  // (secret, address) → last right guess
};

// A wait in whole minutes, rounded up, at least 1: what a refusal tells the user.
int waitMinutes(std::chrono::seconds wait);

}  // namespace nubexa::standin
