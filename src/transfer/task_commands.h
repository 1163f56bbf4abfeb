#pragma once

#include <cstdint>
#include <vector>

#include "store/direction.h"
#include "transfer/task_command_result.h"

namespace nubexa {

class TransferManager;

// The commands of the transfer pages' context menu on one task: "暂停", "续传", "删除". They
// change the task's row only; a running worker notices at its next progress write. Called on
// the user-interface thread (or by the command-line companion).
class TaskCommands {
public:
    using Result = TaskCommandResult;

    explicit TaskCommands(TransferManager& manager) : m_manager(manager) {}

    // Status 2, speed 0, marked paused by the user.
    Result pause(std::int64_t id);
    // Running again and no longer marked paused, with a worker at once (or after the old one
    // has ended). When the manager does not start tasks at once, the task waits for a monitor.
    Result resume(std::int64_t id);
    // Status -100 for good. An unfinished download's partial file goes with it; the finished
    // local files and the remote ones are not touched.
    Result remove(std::int64_t id);

    // "全部暂停": pause() for every listed task that is running or waiting, in one bracket.
    // Returns how many were paused.
    int pauseAll(const std::vector<std::int64_t>& ids);
    // "全部开始": every listed waiting task of `direction` is no longer held (paused, held from
    // an earlier session or after failures) and is left to the scheduler, which starts as many
    // as the limits allow now and the rest as slots free up. Returns how many were released.
    int startAll(const std::vector<std::int64_t>& ids, Direction direction);

private:
    // Runs change(store, tasks, row) in one bracket when `id` is a running or waiting task of
    // the signed-in user.
    template <typename Change>
    Result changeUnfinished(std::int64_t id, Change&& change);

    TransferManager& m_manager;
};

}  // namespace nubexa
