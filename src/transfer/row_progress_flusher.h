#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "store/direction.h"
#include "store/task_rows.h"

namespace nubexa {

class StoreGate;

// The running transfers' progress writes, off their threads: each run posts its latest progress
// and goes on moving bytes; a thread of its own writes the latest of every task in one bracket,
// reading back each task's status there for the run's next look. A long bracket elsewhere (a
// folder of 100,000 files queued, another program's write) then holds up that thread, not the
// transfers. Only a task's status 1 row is written, so a late write never undoes a pause, an end
// or a deletion.
class RowProgressFlusher {
public:
    struct Entry {
        Direction direction = Direction::kDownload;
        TaskProgress progress;
        std::optional<std::vector<TaskRange>> ranges;  // a download over several connections
    };

    explicit RowProgressFlusher(StoreGate& gate);
    // Writes what is still posted, then ends the thread.
    ~RowProgressFlusher();
    RowProgressFlusher(const RowProgressFlusher&) = delete;
    RowProgressFlusher& operator=(const RowProgressFlusher&) = delete;

    // Replaces the task's posted progress, if any, with `entry`. Does not block on bin.db.
    void post(Entry entry);
    // The task's status as the last write of its progress read it; none before one.
    std::optional<int> status(std::int64_t id) const;
    // After this, no posted progress of the task is written by the thread: what is posted is
    // dropped (a write of the caller's own follows) or, with `writeHere`, written in the
    // caller's bracket. A write already under way is waited for.
    void settle(std::int64_t id, bool writeHere);

private:
    void run();
    // Writes `entries` in one bracket, and notes the statuses read there when asked.
    void write(const std::vector<Entry>& entries, bool noteStatuses);

    StoreGate& m_gate;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::int64_t, Entry> m_posted;  // by task id
    std::set<std::int64_t> m_writing;        // taken by the thread, not yet written
    std::map<std::int64_t, int> m_statuses;
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace nubexa
