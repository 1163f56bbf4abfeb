#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "store/direction.h"
#include "store/task_table.h"

namespace nubexa {

// Called on the transfer thread after each progress report, with what was reported.
using ProgressListener = std::function<void(const TaskProgress&)>;

// What the progress reports of one run cost.
struct ProgressStats {
    int writes = 0;
    std::chrono::nanoseconds time{0};
};

// Where a run reports its progress, and learns whether its task is still wanted: the transfer
// layer keeps it in the task's row. Used by the one transfer thread that runs the task.
class ProgressSink {
public:
    struct Setup {
        Direction direction = Direction::kDownload;
        std::int64_t taskId = 0;
        std::int64_t startOffset = 0;  // bytes done before this run
        std::chrono::milliseconds interval{200};
        const std::atomic<bool>* stopRequest = nullptr;  // see FtpOptions::stopRequest
    };

    virtual ~ProgressSink() = default;

    // Reports when the interval has passed since the last report; a download reports its first
    // bytes at once, an upload waits an interval from its start (a short upload reports only
    // its end). Returns false once the
    // task is no longer running (paused, deleted, given back), or at once, without reporting,
    // when a stop of every transfer was requested.
    virtual bool update(std::int64_t done, std::int64_t total) = 0;
    // Reports at once. Below 100 % unless `complete`: a task at 100 is never listed or started
    // again, so only a transfer whose end is confirmed may reach it.
    virtual bool write(std::int64_t done, std::int64_t total, bool complete) = 0;
    // The download's data ended before the file was complete.
    virtual void writeEndedEarly(std::int64_t done, std::int64_t total) = 0;
    // The upload is complete: 100 percent, then done.
    virtual void finishUpload(std::int64_t total) = 0;
    // A download over several connections: the ranges go with each later write of the row
    // (empty: the task has none any more). A sink that keeps no ranges ignores them.
    virtual void keepRanges(std::vector<TaskRange> ranges) { (void)ranges; }
};

// Opens the sink of each run of an FTPClient. Shared by the clients of many threads.
class ProgressSinks {
public:
    virtual ~ProgressSinks() = default;
    virtual std::unique_ptr<ProgressSink> open(const ProgressSink::Setup& setup,
                                               const ProgressListener* listener,
                                               ProgressStats& stats) = 0;
    // The ranges the task's last write kept; none when it has none or they are not kept.
    virtual std::vector<TaskRange> savedRanges(std::int64_t taskId) {
        (void)taskId;
        return {};
    }
};

// A run's hold on its sink.
class ProgressReporter {
public:
    explicit ProgressReporter(std::unique_ptr<ProgressSink> sink) : m_sink(std::move(sink)) {}

    bool update(std::int64_t done, std::int64_t total) { return m_sink->update(done, total); }
    bool write(std::int64_t done, std::int64_t total, bool complete = false) {
        return m_sink->write(done, total, complete);
    }
    void writeEndedEarly(std::int64_t done, std::int64_t total) {
        m_sink->writeEndedEarly(done, total);
    }
    void finishUpload(std::int64_t total) { m_sink->finishUpload(total); }
    void keepRanges(std::vector<TaskRange> ranges) { m_sink->keepRanges(std::move(ranges)); }

private:
    std::unique_ptr<ProgressSink> m_sink;
};

// KiB per second over the elapsed milliseconds (at least one).
std::int64_t speedKBps(std::int64_t bytes, std::int64_t elapsedMs);

}  // namespace nubexa
