#pragma once

#include <cstdint>

#include "store/direction.h"
#include "store/task_table.h"
#include "transfer/transfer_view.h"

namespace nubexa {

// What the engine does to the tasks, as it does it: for whoever shows them without reading
// them back from bin.db. Called on the thread of the change (a worker, the scheduler, the
// queueing caller), possibly inside a bracket of the store: implementations must be
// thread-safe and quick, and must not use the store.
class TaskEvents {
public:
    virtual ~TaskEvents() = default;
    // Tasks of `direction` were queued: `id`, or 0 when several were.
    virtual void tasksAdded(Direction direction, std::int64_t id) = 0;
    // The scheduler made the waiting task `id` running.
    virtual void taskStarted(Direction direction, std::int64_t id) = 0;
    // A running task's progress as its worker just reported it.
    virtual void taskProgressed(Direction direction, const TaskProgress& progress) = 0;
    // A worker's run of a task ended.
    virtual void taskEnded(const WorkerReport& report) = 0;
};

}  // namespace nubexa
