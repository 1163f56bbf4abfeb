#include "transfer/row_progress.h"

#include <algorithm>

#include "ftp/transfer_task.h"
#include "platform/listed_size.h"
#include "store/store_gate.h"
#include "transfer/rate_window.h"
#include "transfer/row_progress_flusher.h"
#include "transfer/task_events.h"

namespace nubexa {

namespace {

using Clock = std::chrono::steady_clock;

class Timed {
public:
    explicit Timed(ProgressStats& stats) : m_stats(stats), m_start(Clock::now()) {}
    ~Timed() {
        m_stats.time += Clock::now() - m_start;
        ++m_stats.writes;
    }
    Timed(const Timed&) = delete;
    Timed& operator=(const Timed&) = delete;

private:
    ProgressStats& m_stats;
    Clock::time_point m_start;
};

// One run's writer of its row.
class RowProgressWriter : public ProgressSink {
public:
    RowProgressWriter(StoreGate& gate, RowProgressFlusher* flusher, const Setup& setup,
                      const ProgressListener* listener, TaskEvents* events, ProgressStats& stats);
    // What the flusher still holds of this run is written now: nothing of it comes later.
    ~RowProgressWriter() override;
    RowProgressWriter(const RowProgressWriter&) = delete;
    RowProgressWriter& operator=(const RowProgressWriter&) = delete;

    bool update(std::int64_t done, std::int64_t total) override;
    bool write(std::int64_t done, std::int64_t total, bool complete) override;
    void writeEndedEarly(std::int64_t done, std::int64_t total) override;
    void finishUpload(std::int64_t total) override;
    void keepRanges(std::vector<TaskRange> ranges) override { m_ranges = std::move(ranges); }

private:
    bool running() const { return m_lastStatus == task_status::kRunning; }
    bool stopRequested() const {
        return m_setup.stopRequest != nullptr &&
               m_setup.stopRequest->load(std::memory_order_acquire);
    }
    TaskProgress progressOf(std::int64_t done, std::int64_t total, bool complete);
    void notify(const TaskProgress& progress);
    // Before a write of the run's own: what it posted and did not see written is dropped.
    void settle() {
        if (m_flusher != nullptr)
            m_flusher->settle(m_setup.taskId, false);
    }

    StoreGate& m_gate;
    RowProgressFlusher* m_flusher;
    Setup m_setup;
    const ProgressListener* m_listener;
    TaskEvents* m_events;
    ProgressStats& m_stats;
    RateWindow m_rate;
    int m_lastStatus = task_status::kRunning;
    bool m_written = false;
    std::optional<std::vector<TaskRange>> m_ranges;  // a download over several connections
    // An upload's start counts as a write: a file sent within one interval costs no progress
    // write, only its last one.
    std::chrono::steady_clock::time_point m_lastWrite = Clock::now();
};

RowProgressWriter::RowProgressWriter(StoreGate& gate, RowProgressFlusher* flusher,
                                     const Setup& setup, const ProgressListener* listener,
                                     TaskEvents* events, ProgressStats& stats)
    : m_gate(gate),
      m_flusher(flusher),
      m_setup(setup),
      m_listener(listener),
      m_events(events),
      m_stats(stats),
      m_rate(Clock::now(), setup.startOffset) {}

RowProgressWriter::~RowProgressWriter() {
    if (m_flusher != nullptr)
        m_flusher->settle(m_setup.taskId, true);
}

TaskProgress RowProgressWriter::progressOf(std::int64_t done, std::int64_t total, bool complete) {
    TaskProgress progress;
    progress.id = m_setup.taskId;
    progress.fileSize = total;
    progress.done = done;
    int percent = total <= 0 ? 100 : percentOf(done, total);
    // A row at 100 is never listed or started again: an upload reaches it only once the
    // service has it, a download only once the server confirmed the end of the data (the
    // listed size may be below the real one).
    if (!complete)
        percent = std::min(percent, 99);
    progress.percent = percent;
    m_rate.add(Clock::now(), done);
    progress.speedKBps = m_rate.kibPerSecond();
    return progress;
}

bool RowProgressWriter::update(std::int64_t done, std::int64_t total) {
    if (stopRequested())
        return false;
    // A download records its first bytes at once, so that a run cut short soon after resumes
    // after them. An upload's bytes lie on the server, where a retry from the start simply
    // writes over them.
    const bool firstOfDownload = !m_written && m_setup.direction == Direction::kDownload;
    if (!firstOfDownload && Clock::now() - m_lastWrite < m_setup.interval)
        return running();
    if (firstOfDownload || m_flusher == nullptr)
        return write(done, total, false);
    const TaskProgress progress = progressOf(done, total, false);
    m_flusher->post({m_setup.direction, progress, m_ranges});
    if (const auto status = m_flusher->status(m_setup.taskId))
        m_lastStatus = *status;
    m_written = true;
    m_lastWrite = Clock::now();
    notify(progress);
    return running();
}

bool RowProgressWriter::write(std::int64_t done, std::int64_t total, bool complete) {
    const TaskProgress progress = progressOf(done, total, complete);
    settle();
    {
        Timed timed(m_stats);
        m_gate.run([&](LocalStore& store) {
            TaskTable tasks(store);
            std::optional<int> status;
            if (m_ranges) {
                tasks.writeProgress(progress, *m_ranges);
                status = tasks.readStatus(progress.id);
            } else if (m_setup.direction == Direction::kDownload) {
                tasks.writeProgress(progress);
                status = tasks.readStatus(progress.id);
            } else {
                status = tasks.readStatus(progress.id);
                tasks.writeProgressInTransaction(progress);
            }
            // A row that is gone leaves the last status as it was.
            if (status)
                m_lastStatus = *status;
        });
    }
    m_written = true;
    m_lastWrite = Clock::now();
    notify(progress);
    return running();
}

void RowProgressWriter::writeEndedEarly(std::int64_t done, std::int64_t total) {
    const TaskProgress progress = progressOf(done, total, false);
    settle();
    {
        Timed timed(m_stats);
        m_gate.run([&](LocalStore& store) {
            if (m_ranges)
                TaskTable(store).writeProgressEndedEarly(progress, *m_ranges);
            else
                TaskTable(store).writeProgressEndedEarly(progress);
        });
    }
    notify(progress);
}

void RowProgressWriter::finishUpload(std::int64_t total) {
    const TaskProgress progress = progressOf(total, total, true);
    settle();
    {
        Timed timed(m_stats);
        m_gate.run([&](LocalStore& store) { TaskTable(store).finishUpload(progress); });
    }
    notify(progress);
}

void RowProgressWriter::notify(const TaskProgress& progress) {
    if (m_listener != nullptr && *m_listener)
        (*m_listener)(progress);
    if (m_events != nullptr)
        m_events->taskProgressed(m_setup.direction, progress);
}

}  // namespace

RowProgress::RowProgress(StoreGate& gate, bool writeBehind) : m_gate(gate) {
    if (writeBehind)
        m_flusher = std::make_unique<RowProgressFlusher>(gate);
}

RowProgress::~RowProgress() = default;

std::vector<TaskRange> RowProgress::savedRanges(std::int64_t taskId) {
    return m_gate.run([&](LocalStore& store) { return TaskTable(store).loadRanges(taskId); });
}

std::unique_ptr<ProgressSink> RowProgress::open(const ProgressSink::Setup& setup,
                                                const ProgressListener* listener,
                                                ProgressStats& stats) {
    return std::make_unique<RowProgressWriter>(m_gate, m_flusher.get(), setup, listener, m_events,
                                               stats);
}

}  // namespace nubexa
