#pragma once

#include <mutex>
#include <vector>

#include "session/transfer_rows_listener.h"
#include "transfer/task_events.h"

namespace nubexa {

// The session's fan-out of task changes: the engine's events and the session's own commands,
// worded as row changes, to every TransferRowsListener. Any thread.
class TransferRowsHub : public TaskEvents {
public:
    void add(TransferRowsListener& listener);
    // `listener` is not called again once this returns (a call in flight is waited for).
    // Not from inside a call to a listener.
    void remove(const TransferRowsListener& listener);

    void tell(const TransferRowChange& change);

    // TaskEvents.
    void tasksAdded(Direction direction, std::int64_t id) override;
    void taskStarted(Direction direction, std::int64_t id) override;
    void taskProgressed(Direction direction, const TaskProgress& progress) override;
    void taskEnded(const WorkerReport& report) override;

private:
    template <typename Call>
    void each(Call&& call);

    std::recursive_mutex m_mutex;  // the engine may tell while a listener's call is out
    std::vector<TransferRowsListener*> m_listeners;
};

}  // namespace nubexa
