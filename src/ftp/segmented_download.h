#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "ftp/ftp_client.h"
#include "ftp/range_run.h"

namespace nubexa {

class LocalFile;
class ProgressReporter;
class RangePlan;
struct TransferTask;

// The ranges of one download fetched over up to `connections` connections at once: the
// client's own and others signed in beside it, each on its own thread taking the next range
// nobody holds. A connection beside the client's is opened only when a range waits for one and
// FtpOptions::extraConnections grants it, at the start or later, when one is given back; those
// the client prepared while it signed in come first. The
// calling thread reports the sum of the ranges, with the ranges, to the task's row at the usual
// pace, and stops every connection when the row is no longer running.
class SegmentedDownload {
public:
    SegmentedDownload(FTPClient& client, const TransferTask& task, LocalFile& file, RangePlan& plan)
        : m_client(client), m_task(task), m_file(file), m_plan(plan) {}

    // kComplete once every range is; otherwise how the first range that could not go on ended
    // (kFailed when only connections were missing).
    RangeRun::End run(int connections, ProgressReporter& reporter);

private:
    // Opens connections beside the client's while ranges wait for them, up to `most` in all.
    void addConnections(int most, std::int64_t bytesPerSecond);
    // A connection's thread: the client's own, or one beside it (signed in by the thread, or
    // `prepared` by FTPClient::prepareBeside).
    void start(bool beside, std::optional<FTPClient::Prepared> prepared,
               std::int64_t bytesPerSecond);
    void work(bool beside, std::optional<FTPClient::Prepared> prepared,
              std::int64_t bytesPerSecond);
    void ended(RangeRun::End end);
    void addStats(const TransferStats& theirs);

    FTPClient& m_client;
    const TransferTask& m_task;
    LocalFile& m_file;
    RangePlan& m_plan;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    RangeRun::End m_end = RangeRun::End::kComplete;                     // guarded by m_mutex
    std::int64_t m_besideBytes = 0;                                     // guarded by m_mutex
    std::optional<TransferStats::Clock::time_point> m_besideFirstByte;  // guarded by m_mutex
    // Connections started that have not taken their first range yet, and those not ended.
    std::atomic<int> m_seeking{0};
    int m_running = 0;  // guarded by m_mutex
    std::condition_variable m_ended;
    // A connection beside the client's could not sign in: no further one is tried.
    std::atomic<bool> m_refused{false};
    std::vector<std::thread> m_threads;  // the calling thread's
};

}  // namespace nubexa
