#include "ftp/progress_reporter.h"

#include <algorithm>

#include "ftp/transfer_task.h"
#include "platform/listed_size.h"
#include "store/store_gate.h"

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

}  // namespace

std::int64_t speedKBps(std::int64_t bytes, std::int64_t elapsedMs) {
    if (bytes <= 0)
        return 0;
    return bytes * 1000 / std::max<std::int64_t>(elapsedMs, 1) / 1024;
}

ProgressReporter::ProgressReporter(StoreGate& gate, const Setup& setup,
                                   const ProgressListener* listener, ProgressStats& stats)
    : m_gate(gate), m_setup(setup), m_listener(listener), m_stats(stats) {
    if (m_setup.startTimeMs <= 0)
        m_setup.startTimeMs = epochMilliseconds();
}

TaskProgress ProgressReporter::progressOf(std::int64_t done, std::int64_t total,
                                          bool complete) const {
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
    progress.speedKBps =
        speedKBps(done - m_setup.startOffset, epochMilliseconds() - m_setup.startTimeMs);
    return progress;
}

bool ProgressReporter::update(std::int64_t done, std::int64_t total) {
    if (stopRequested())
        return false;
    if (m_written && Clock::now() - m_lastWrite < m_setup.interval)
        return running();
    return write(done, total);
}

bool ProgressReporter::write(std::int64_t done, std::int64_t total, bool complete) {
    const TaskProgress progress = progressOf(done, total, complete);
    {
        Timed timed(m_stats);
        m_gate.run([&](LocalStore& store) {
            TaskTable tasks(store);
            std::optional<int> status;
            if (m_setup.direction == Direction::Download) {
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

void ProgressReporter::writeEndedEarly(std::int64_t done, std::int64_t total) {
    const TaskProgress progress = progressOf(done, total, false);
    {
        Timed timed(m_stats);
        m_gate.run([&](LocalStore& store) { TaskTable(store).writeProgressEndedEarly(progress); });
    }
    notify(progress);
}

void ProgressReporter::finishUpload(std::int64_t total) {
    const TaskProgress progress = progressOf(total, total, true);
    {
        Timed timed(m_stats);
        m_gate.run([&](LocalStore& store) {
            TaskTable tasks(store);
            tasks.writeProgressInTransaction(progress);
            tasks.finishUpload(progress.id);
        });
    }
    notify(progress);
}

void ProgressReporter::notify(const TaskProgress& progress) {
    if (m_listener != nullptr && *m_listener)
        (*m_listener)(progress);
}

}  // namespace nubexa
