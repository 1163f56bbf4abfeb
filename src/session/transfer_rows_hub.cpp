#include "session/transfer_rows_hub.h"

#include <algorithm>

namespace nubexa {

void TransferRowsHub::add(TransferRowsListener& listener) {
    const std::lock_guard lock(m_mutex);
    m_listeners.push_back(&listener);
}

void TransferRowsHub::remove(const TransferRowsListener& listener) {
    const std::lock_guard lock(m_mutex);
    std::erase(m_listeners, &listener);
}

template <typename Call>
void TransferRowsHub::each(Call&& call) {
    const std::lock_guard lock(m_mutex);
    for (TransferRowsListener* listener : m_listeners)
        call(*listener);
}

void TransferRowsHub::tell(const TransferRowChange& change) {
    each([&](TransferRowsListener& listener) { listener.rowChanged(change); });
}

void TransferRowsHub::tasksAdded(Direction direction, std::int64_t id) {
    tell({TransferRowChange::Kind::kAdded, id, direction, {}, false});
}

void TransferRowsHub::taskStarted(Direction direction, std::int64_t id) {
    tell({TransferRowChange::Kind::kStarted, id, direction, {}, false});
}

void TransferRowsHub::taskProgressed(Direction direction, const TaskProgress& progress) {
    const TransferRowProgress row{progress.id,       direction,          progress.done,
                                  progress.fileSize, progress.speedKBps, progress.percent};
    each([&](TransferRowsListener& listener) { listener.rowProgressed(row); });
}

void TransferRowsHub::taskEnded(const WorkerReport& report) {
    using Outcome = WorkerReport::Outcome;
    using Kind = TransferRowChange::Kind;
    if (report.taskId <= 0)
        return;
    TransferRowChange change{Kind::kStopped, report.taskId, report.direction, report.reason, false};
    switch (report.outcome) {
        case Outcome::kCompleted:
            change.kind = Kind::kFinished;
            break;
        case Outcome::kFailed:
        case Outcome::kHeldAfterFailures:
        case Outcome::kSignInFailed:
            change.kind = Kind::kFailed;
            change.retried = true;
            break;
        case Outcome::kRefused:
            change.kind = Kind::kFailed;
            break;
        case Outcome::kStopped:
            break;
        case Outcome::kNotRun:  // given back, or no longer running when its worker came
            change.direction.reset();
            break;
    }
    tell(change);
}

}  // namespace nubexa
