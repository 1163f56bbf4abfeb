#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "store/direction.h"

namespace nubexa {

// A running task's progress as its worker just reported it (from memory, not bin.db).
struct TransferRowProgress {
    std::int64_t taskId = 0;
    Direction direction = Direction::kUpload;
    std::int64_t done = 0;
    std::int64_t bytes = 0;
    std::int64_t speedKBps = 0;
    int percent = 0;  // as the row's transfer_schedule
};

// A change of a task's row other than progress.
struct TransferRowChange {
    enum class Kind {
        kAdded,    // queued (taskId 0: several of `direction`)
        kStarted,  // waiting, now running
        kPaused,   // by the user ("暂停"; taskId 0: "全部暂停" on `direction`)
        kResumed,  // by the user ("续传"; taskId 0: "全部开始"): running or waiting for a slot
        kRemoved,   // deleted by the user
        kFinished,  // complete: on no unfinished page any more
        kStopped,   // its run ended by a pause, a deletion or a stop of every transfer
        kFailed,    // its run failed: `reason` says why; the task waits (see `retried`)
    };
    Kind kind = Kind::kAdded;
    std::int64_t taskId = 0;
    // None where the command named only the task.
    std::optional<Direction> direction;
    std::string reason;
    // kFailed: the task is tried again by itself (a passing failure), or waits for the user.
    bool retried = false;
};

// Hears the signed-in user's task changes as the session makes them or the engine reports
// them (ClientSession::addTransferRowsListener), so that nobody has to read bin.db to see
// them. Called on the thread of the change (a worker, a request, the scheduler), possibly
// while the store is held: implementations must be thread-safe and quick, never call back
// into the session, and take anything slow to a thread of their own.
class TransferRowsListener {
public:
    virtual ~TransferRowsListener() = default;
    virtual void rowProgressed(const TransferRowProgress& progress) = 0;
    virtual void rowChanged(const TransferRowChange& change) = 0;
};

}  // namespace nubexa
