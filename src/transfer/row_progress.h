#pragma once

#include <memory>

#include "ftp/progress_reporter.h"

namespace nubexa {

class RowProgressFlusher;
class StoreGate;
class TaskEvents;

// The FTP engine's progress kept in the task's row, throttled by time, with the row's status
// read back: a pause or deletion is seen at the next write. Every write is one bracket of the
// StoreGate, never held across network input or output. With `writeBehind`, a run's writes
// between its first and its last go through a RowProgressFlusher, so that a transfer never waits
// for bin.db between them; the status is then the one the flusher's last write read.
class RowProgress : public ProgressSinks {
public:
    explicit RowProgress(StoreGate& gate, bool writeBehind = false);
    ~RowProgress() override;

    std::unique_ptr<ProgressSink> open(const ProgressSink::Setup& setup,
                                       const ProgressListener* listener,
                                       ProgressStats& stats) override;
    std::vector<TaskRange> savedRanges(std::int64_t taskId) override;
    // Who hears each write's progress besides the run's own listener (null: nobody). Set before
    // any run opens a sink.
    void setEvents(TaskEvents* events) { m_events = events; }

private:
    StoreGate& m_gate;
    TaskEvents* m_events = nullptr;
    std::unique_ptr<RowProgressFlusher> m_flusher;  // null: every write in the run's thread
};

}  // namespace nubexa
