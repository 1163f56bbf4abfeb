#include "ftp/segmented_download.h"

#include <algorithm>
#include <system_error>

#include "ftp/extra_connections.h"
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

void SegmentedDownload::addStats(const TransferStats& theirs) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_besideBytes += theirs.bytesMoved;
    if (theirs.firstDataByte && (!m_besideFirstByte || *theirs.firstDataByte < *m_besideFirstByte))
        m_besideFirstByte = theirs.firstDataByte;
}

void SegmentedDownload::work(bool beside, std::optional<FTPClient::Prepared> prepared,
                             std::int64_t bytesPerSecond) {
    std::unique_ptr<FTPClient> own;
    FTPClient* client = &m_client;
    if (beside) {
        try {
            own = prepared ? prepared->get() : m_client.signedInBeside(&m_stop);
        } catch (const std::exception&) {
            own.reset();
        }
        if (!own) {
            // A server that takes no more connections leaves the ranges to the others.
            m_refused.store(true, std::memory_order_release);
            --m_seeking;
            return;
        }
        client = own.get();
    }
    bool seeking = true;
    while (!m_stop.load(std::memory_order_acquire)) {
        const auto index = m_plan.take();
        if (seeking) {
            seeking = false;
            --m_seeking;
        }
        if (!index)
            break;
        RangeRun range(*client, m_task, m_file, m_plan, *index, bytesPerSecond, m_stop);
        if (beside)
            range.closingWhenIdle();
        const auto end = range.run();
        m_plan.release(*index);
        ended(end);
        if (end != RangeRun::End::kComplete || !client->reusable())
            break;
    }
    if (seeking)
        --m_seeking;
    if (own) {
        // Nothing more is asked of it: its last replies are not waited for.
        own->SendCommand("QUIT\r\n");
        addStats(own->stats());
    }
}

void SegmentedDownload::start(bool beside, std::optional<FTPClient::Prepared> prepared,
                              std::int64_t bytesPerSecond) {
    ++m_seeking;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        ++m_running;
    }
    ExtraConnections* extra = beside ? m_client.m_options.extraConnections : nullptr;
    const auto end = [this, extra] {
        // Closed by now: the place goes back to whoever counts the connections.
        if (extra != nullptr)
            extra->release();
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            --m_running;
        }
        m_ended.notify_all();
    };
    try {
        m_threads.emplace_back(
            [this, beside, bytesPerSecond, end, prepared = std::move(prepared)]() mutable {
                work(beside, std::move(prepared), bytesPerSecond);
                end();
            });
    } catch (const std::system_error&) {
        // No thread: the ranges are left to the connections there are.
        m_refused.store(true, std::memory_order_release);
        --m_seeking;
        end();
    }
}

void SegmentedDownload::addConnections(int most, std::int64_t bytesPerSecond) {
    ExtraConnections* extra = m_client.m_options.extraConnections;
    while (static_cast<int>(m_threads.size()) < most && !m_stop.load(std::memory_order_acquire) &&
           !m_refused.load(std::memory_order_acquire) &&
           m_plan.untaken() > static_cast<std::size_t>(std::max(m_seeking.load(), 0))) {
        // A prepared one holds its place already.
        if (auto prepared = m_client.takePrepared()) {
            start(true, std::move(prepared), bytesPerSecond);
            continue;
        }
        if (extra != nullptr && !extra->tryAcquire())
            return;
        start(true, std::nullopt, bytesPerSecond);
    }
}

RangeRun::End SegmentedDownload::run(int connections, ProgressReporter& reporter) {
    const int most = std::clamp<int>(
        connections, 1, static_cast<int>(std::max<std::size_t>(m_plan.unfinished(), 1)));
    // A limit of the task is shared by its connections.
    const std::int64_t perRun = m_client.m_options.maxBytesPerSecond;
    const std::int64_t share = perRun > 0 ? std::max<std::int64_t>(perRun / most, 1) : 0;
    m_threads.reserve(static_cast<std::size_t>(most));
    start(false, std::nullopt, share);
    const std::int64_t total = m_plan.size();
    bool stoppedByRow = false;
    for (;;) {
        // Places given back by other downloads are taken up here, at the reporting pace.
        addConnections(most, share);
        // Every range has its connection: prepared ones left over would only hold places.
        if (m_plan.untaken() == 0)
            m_client.dropPrepared();
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_ended.wait_for(lock, m_client.m_options.dataTick, [&] { return m_running == 0; });
            if (m_running == 0)
                break;
        }
        // The row's bytes are the sum of the very ranges written with them: a resume checks it.
        auto ranges = m_plan.snapshot();
        const std::int64_t done = RangePlan::doneOf(ranges);
        reporter.keepRanges(std::move(ranges));
        if (!stoppedByRow && !reporter.update(done, total)) {
            stoppedByRow = true;
            m_stop.store(true, std::memory_order_release);
        }
    }
    for (std::thread& thread : m_threads)
        thread.join();
    reporter.keepRanges(m_plan.snapshot());
    TransferStats& stats = m_client.m_stats;
    stats.bytesMoved += m_besideBytes;
    if (m_besideFirstByte && (!stats.firstDataByte || *m_besideFirstByte < *stats.firstDataByte))
        stats.firstDataByte = m_besideFirstByte;
    if (stoppedByRow)
        return RangeRun::End::kStopped;
    if (m_plan.complete())
        return RangeRun::End::kComplete;
    return m_end == RangeRun::End::kComplete ? RangeRun::End::kFailed : m_end;
}

}  // namespace nubexa
