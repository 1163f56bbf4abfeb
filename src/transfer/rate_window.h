#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

namespace nubexa {

// The current rate of one transfer: bytes over the last few seconds, not the average since the
// run began (which a sign-in, a stall or a change of the speed limit would skew for minutes).
// Fed with explicit times so that it can be checked without waiting. One thread only.
class RateWindow {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kSpan{5000};
    // A rate over a shorter time is a burst of buffers, not a speed: until this much has been
    // seen, the bytes count as spread over this much.
    static constexpr std::chrono::milliseconds kShortest{1000};

    // `bytes` done at `start` (an offset a resumed run begins from).
    RateWindow(Clock::time_point start, std::int64_t bytes);

    // `bytes` done by `at`: a running count, never per call.
    void add(Clock::time_point at, std::int64_t bytes);
    // KiB per second over the window ending at the last `add`.
    std::int64_t kibPerSecond() const;

private:
    struct Sample {
        Clock::time_point at;
        std::int64_t bytes;
    };
    std::deque<Sample> m_samples;  // oldest first; the first lies at or before the window
};

}  // namespace nubexa
