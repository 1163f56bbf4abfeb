#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>

namespace nubexa {

// What the user hears when the scheduler cannot write bin.db, followed by the database's words.
inline constexpr const char* kStoreWriteFailed = "无法写入 bin.db，传输暂停：";

// Holds the scheduling back after a write to bin.db failed (a full disk, a damaged or
// read-only file): a task whose row cannot be made running must not be started, and trying
// again at once would only fail again. The next start is tried after `pause`; the user hears
// of a streak once, at its first failure. Thread-safe.
class StoreWriteHold {
public:
    using Clock = std::chrono::steady_clock;

    explicit StoreWriteHold(std::chrono::milliseconds pause = std::chrono::seconds(30))
        : m_pause(pause) {}

    // A scheduling write failed with `reason` (the database's words). True for the first
    // failure of a streak.
    bool recordFailure(const std::string& reason, Clock::time_point now = Clock::now());
    // A scheduling write went through: the streak ends.
    void recordSuccess();
    bool mayStart(Clock::time_point now = Clock::now()) const;
    // Why the last write failed while the streak lasts; empty without one.
    std::optional<std::string> failure() const;

private:
    const std::chrono::milliseconds m_pause;
    mutable std::mutex m_mutex;
    std::optional<std::string> m_failure;
    Clock::time_point m_retryAt;
};

}  // namespace nubexa
