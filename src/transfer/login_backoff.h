#pragma once

#include <chrono>
#include <mutex>
#include <optional>

namespace nubexa {

// How long the monitor holds starts back after sign-in failures to the file server.
struct BackoffLimits {
    std::chrono::milliseconds first{3000};
    std::chrono::milliseconds longest{std::chrono::minutes(5)};
};

// When the monitor may start tasks again after workers failed to sign in to the file server:
// the first failure of a streak holds starts back for `first`, each further round twice as long
// as the one before, never longer than `longest`; a successful transfer ends the streak.
// Workers that fail in the same round (their sign-in began before the round's failure was
// counted) count once, so the pauses are the documented ones whatever the number of workers.
// The user hears of a streak once, at its first failure. Thread-safe.
class LoginBackoff {
public:
    using Clock = std::chrono::steady_clock;

    using Limits = BackoffLimits;

    explicit LoginBackoff(Limits limits = {}) : m_limits(limits) {}

    // A worker gave up signing in; its sign-in began at `signInBegan` (none: a round of its
    // own). True for the first failure of a streak.
    bool recordFailure(Clock::time_point now = Clock::now(),
                       std::optional<Clock::time_point> signInBegan = std::nullopt);
    void recordSuccess();

    bool mayStart(Clock::time_point now = Clock::now()) const;

    // Rounds failed in the current streak (0: none).
    int failures() const;
    // The pause the last round imposed; zero without a streak.
    std::chrono::milliseconds currentDelay() const;
    // When the streak's first failure was counted, and when the next round may begin; empty
    // without a streak.
    std::optional<Clock::time_point> streakBegan() const;
    std::optional<Clock::time_point> retryAt() const;

private:
    const Limits m_limits;
    mutable std::mutex m_mutex;
    int m_failures = 0;
    std::chrono::milliseconds m_delay{0};
    std::optional<Clock::time_point> m_retryAt;
    Clock::time_point m_streakBegan;
    Clock::time_point m_lastCounted;
};

}  // namespace nubexa
