#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "ftp/range_run.h"

namespace nubexa {

class FTPClient;
class LocalFile;
class ProgressReporter;
class RangePlan;
struct TransferTask;

// The ranges of one download fetched over up to `connections` connections at once: the
// client's own and others signed in beside it, each on its own thread taking the next range
// nobody holds. The calling thread reports the sum of the ranges, with the ranges, to the
// task's row at the usual pace, and stops every connection when the row is no longer running.
class SegmentedDownload {
public:
    SegmentedDownload(FTPClient& client, const TransferTask& task, LocalFile& file, RangePlan& plan)
        : m_client(client), m_task(task), m_file(file), m_plan(plan) {}

    // kComplete once every range is; otherwise how the first range that could not go on ended
    // (kFailed when only connections were missing).
    RangeRun::End run(int connections, ProgressReporter& reporter);

private:
    void work(FTPClient* own, std::int64_t bytesPerSecond);
    void ended(RangeRun::End end);

    FTPClient& m_client;
    const TransferTask& m_task;
    LocalFile& m_file;
    RangePlan& m_plan;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    RangeRun::End m_end = RangeRun::End::kComplete;
    std::vector<std::unique_ptr<FTPClient>> m_beside;
};

}  // namespace nubexa
