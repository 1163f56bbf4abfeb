#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "store/task_table.h"

namespace nubexa {

class StoreGate;

// Called on the transfer thread after each progress write, with what was written.
using ProgressListener = std::function<void(const TaskProgress&)>;

// What the progress writes of one run cost.
struct ProgressStats {
    int writes = 0;
    std::chrono::nanoseconds time{0};
};

// Writes a running transfer's progress into its row, throttled by time, and reads the row's
// status back at every write: a pause or deletion is seen at the next write. Every write is one
// bracket of the StoreGate, never held across network input or output.
// Used by the one transfer thread that runs the task.
class ProgressReporter {
public:
    enum class Direction { Download, Upload };

    struct Setup {
        Direction direction = Direction::Download;
        std::int64_t taskId = 0;
        std::int64_t startOffset = 0;  // bytes done before this run
        std::int64_t startTimeMs = 0;  // epoch ms the speed is measured from; 0: now
        std::chrono::milliseconds interval{200};
        const std::atomic<bool>* stopRequest = nullptr;  // see FtpOptions::stopRequest
    };

    ProgressReporter(StoreGate& gate, const Setup& setup, const ProgressListener* listener,
                     ProgressStats& stats);

    // Writes when nothing was written yet or the interval has passed. Returns false once the
    // row is no longer running (paused, deleted, given back), or at once, without writing,
    // when a stop of every transfer was requested.
    bool update(std::int64_t done, std::int64_t total);

    // Writes at once. Below 100 % unless `complete`: a row at 100 is never listed or started
    // again, so only a transfer whose end is confirmed may reach it.
    bool write(std::int64_t done, std::int64_t total, bool complete = false);

    // The download's data ended before the file was complete: the progress reached and status 2.
    void writeEndedEarly(std::int64_t done, std::int64_t total);

    // The upload is complete: 100 percent, then status 100.
    void finishUpload(std::int64_t total);

    bool running() const { return m_lastStatus == task_status::kRunning; }
    bool stopRequested() const {
        return m_setup.stopRequest != nullptr &&
               m_setup.stopRequest->load(std::memory_order_acquire);
    }

private:
    TaskProgress progressOf(std::int64_t done, std::int64_t total, bool complete) const;
    void notify(const TaskProgress& progress);

    StoreGate& m_gate;
    Setup m_setup;
    const ProgressListener* m_listener;
    ProgressStats& m_stats;
    int m_lastStatus = task_status::kRunning;
    bool m_written = false;
    std::chrono::steady_clock::time_point m_lastWrite;
};

// KiB per second over the elapsed milliseconds (at least one).
std::int64_t speedKBps(std::int64_t bytes, std::int64_t elapsedMs);

}  // namespace nubexa
