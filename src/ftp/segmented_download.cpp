#include "ftp/segmented_download.h"

#include <algorithm>
#include <condition_variable>
#include <thread>

#include "ftp/ftp_client.h"
#include "ftp/range_plan.h"

namespace nubexa {

void SegmentedDownload::ended(RangeRun::End end) {
    using End = RangeRun::End;
    if (end == End::kComplete)
        return;
    const std::lock_guard<std::mutex> lock(m_mutex);
    // The first word that a retry cannot change wins over a lost connection.
    if (m_end == End::kComplete || m_end == End::kFailed || m_end == End::kStopped)
        m_end = end;
    if (end != End::kFailed)
        m_stop.store(true, std::memory_order_release);
}

void SegmentedDownload::work(FTPClient* own, std::int64_t bytesPerSecond) {
    std::unique_ptr<FTPClient> beside;
    FTPClient* client = own;
    if (client == nullptr) {
        // A server that takes no more connections leaves the ranges to the others.
        beside = m_client.signedInBeside(&m_stop);
        if (!beside)
            return;
        client = beside.get();
    }
    while (!m_stop.load(std::memory_order_acquire)) {
        const auto index = m_plan.take();
        if (!index)
            break;
        const auto end =
            RangeRun(*client, m_task, m_file, m_plan, *index, bytesPerSecond, m_stop).run();
        m_plan.release(*index);
        ended(end);
        if (end != RangeRun::End::kComplete || !client->reusable())
            break;
    }
    if (beside) {
        beside->Quit();
        // Its counts belong to the download.
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_beside.push_back(std::move(beside));
    }
}

RangeRun::End SegmentedDownload::run(int connections, ProgressReporter& reporter) {
    const int count = std::clamp<int>(
        connections, 1, static_cast<int>(std::max<std::size_t>(m_plan.unfinished(), 1)));
    // A limit of the task is shared by its connections.
    const std::int64_t perRun = m_client.m_options.maxBytesPerSecond;
    const std::int64_t share = perRun > 0 ? std::max<std::int64_t>(perRun / count, 1) : 0;
    std::atomic<int> running{count};
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        threads.emplace_back([&, i] {
            work(i == 0 ? &m_client : nullptr, share);
            {
                const std::lock_guard<std::mutex> lock(doneMutex);
                --running;
            }
            doneSignal.notify_all();
        });
    }
    const std::int64_t total = m_plan.size();
    bool stoppedByRow = false;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(doneMutex);
            doneSignal.wait_for(lock, m_client.m_options.dataTick, [&] { return running == 0; });
        }
        if (running == 0)
            break;
        // The row's bytes are the sum of the very ranges written with them: a resume checks it.
        auto ranges = m_plan.snapshot();
        const std::int64_t done = RangePlan::doneOf(ranges);
        reporter.keepRanges(std::move(ranges));
        if (!stoppedByRow && !reporter.update(done, total)) {
            stoppedByRow = true;
            m_stop.store(true, std::memory_order_release);
        }
    }
    for (std::thread& thread : threads)
        thread.join();
    reporter.keepRanges(m_plan.snapshot());
    for (const auto& beside : m_beside) {
        TransferStats& stats = m_client.m_stats;
        const TransferStats& theirs = beside->stats();
        stats.bytesMoved += theirs.bytesMoved;
        if (theirs.firstDataByte &&
            (!stats.firstDataByte || *theirs.firstDataByte < *stats.firstDataByte))
            stats.firstDataByte = theirs.firstDataByte;
    }
    if (stoppedByRow)
        return RangeRun::End::kStopped;
    if (m_plan.complete())
        return RangeRun::End::kComplete;
    return m_end == RangeRun::End::kComplete ? RangeRun::End::kFailed : m_end;
}

}  // namespace nubexa
