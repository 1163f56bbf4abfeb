#include "transfer/task_commands.h"

#include "ftp/partial_name.h"
#include "service/service_client.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "transfer/transfer_manager.h"

namespace nubexa {

namespace {

bool runningOrWaiting(const StoredTask& row) {
    return row.status == task_status::kRunning || row.status == task_status::kWaiting;
}

}  // namespace

template <typename Change>
TaskCommands::Result TaskCommands::changeUnfinished(std::int64_t id, Change&& change) {
    const std::string uid = m_manager.service().account().uid;
    return m_manager.gate().run([&](LocalStore& store) {
        TaskTable tasks(store);
        const auto row = tasks.load(id);
        if (!row || row->userId != uid)
            return Result::kNoSuchTask;
        if (!runningOrWaiting(*row))
            return Result::kNotApplicable;
        return change(store, tasks, *row) ? Result::kDone : Result::kNotWritten;
    });
}

TaskCommands::Result TaskCommands::pause(std::int64_t id) {
    return changeUnfinished(
        id, [id](LocalStore&, TaskTable& tasks, const StoredTask&) { return tasks.pause(id); });
}

TaskCommands::Result TaskCommands::resume(std::int64_t id) {
    return changeUnfinished(id, [this, id](LocalStore& store, TaskTable& tasks,
                                           const StoredTask& row) {
        if (!tasks.resume(id) || !tasks.clearUserPause(id))
            return false;
        m_manager.scheduler().forgetFailures(id);
        const Direction direction = row.ranType == "1" ? Direction::kUpload : Direction::kDownload;
        if (m_manager.settings().startAtOnce) {
            // Whatever the running counts; a worker still winding down runs the task again.
            m_manager.StartTransferWorker(store, id, direction);
            return true;
        }
        return tasks.giveBack(id);
    });
}

TaskCommands::Result TaskCommands::remove(std::int64_t id) {
    const std::string uid = m_manager.service().account().uid;
    std::optional<StoredTask> removed;
    const Result result = m_manager.gate().run([&](LocalStore& store) {
        TaskTable tasks(store);
        const auto row = tasks.load(id);
        if (!row || row->userId != uid || row->status == task_status::kDeleted)
            return Result::kNoSuchTask;
        if (!tasks.remove(id))
            return Result::kNotWritten;
        removed = row;
        return Result::kDone;
    });
    // A running worker sees the deletion at its next progress write and leaves the file it
    // still writes; outside the bracket, as it is file-system work.
    if (removed && removed->ranType == "2" && removed->transferSchedule < 100)
        removePartialOf(removed->localPath, removed->localFileName);
    return result;
}

int TaskCommands::pauseAll(const std::vector<std::int64_t>& ids) {
    const std::string uid = m_manager.service().account().uid;
    return m_manager.gate().run([&](LocalStore& store) {
        TaskTable tasks(store);
        int paused = 0;
        for (const std::int64_t id : ids) {
            const auto row = tasks.load(id);
            if (row && row->userId == uid && runningOrWaiting(*row) && tasks.pause(id))
                ++paused;
        }
        return paused;
    });
}

int TaskCommands::startAll(const std::vector<std::int64_t>& ids, Direction direction) {
    const std::string uid = m_manager.service().account().uid;
    const std::string ranType = direction == Direction::kUpload ? "1" : "2";
    const int released = m_manager.gate().run([&](LocalStore& store) {
        TaskTable tasks(store);
        int count = 0;
        for (const std::int64_t id : ids) {
            const auto row = tasks.load(id);
            if (!row || row->userId != uid || row->status != task_status::kWaiting ||
                row->ranType != ranType)
                continue;
            tasks.clearUserPause(id);
            m_manager.scheduler().forgetFailures(id);
            ++count;
        }
        return count;
    });
    // Not one worker per task: the limit of two per direction holds for a whole page.
    if (released > 0 && m_manager.settings().startAtOnce)
        m_manager.scheduler().fillFreeSlots(direction);
    return released;
}

}  // namespace nubexa
