#include "store/task_table.h"

#include "store/local_store.h"
#include "store/statements.h"

namespace nubexa {

namespace st = statements;

bool TaskTable::insert(const char* sql, const NewTaskRow& row, int ranType) {
    StoreCommand command(m_store, sql);
    command.bindText(1, row.userId);
    command.bindText(2, row.localPath);
    command.bindText(3, row.localFileName);
    command.bindText(4, row.ftpFileName);
    command.bindInt64(5, row.fileSize);
    command.bindInt(6, row.status);
    command.bindInt(7, ranType);
    if (sql == st::kInsertFileUpload) {
        command.bindText(8, row.parentId);
        command.bindText(9, row.ftpPath);
    } else if (sql == st::kInsertFileDownload) {
        command.bindText(8, row.ftpPath);
    } else if (sql == st::kInsertFolderUpload) {
        command.bindText(8, row.ftpPath);
        command.bindText(9, row.parentId);
    } else {
        command.bindText(8, row.parentId);
        command.bindText(9, row.remotePath);
        command.bindText(10, row.localRoot);
    }
    return command.execute();
}

bool TaskTable::insertFileUpload(const NewTaskRow& row) {
    return insert(st::kInsertFileUpload, row, ran_type::kUpload);
}

bool TaskTable::insertFileDownload(const NewTaskRow& row) {
    return insert(st::kInsertFileDownload, row, ran_type::kDownload);
}

bool TaskTable::insertFolderUpload(const NewTaskRow& row) {
    return insert(st::kInsertFolderUpload, row, ran_type::kUpload);
}

bool TaskTable::insertFolderDownload(const NewTaskRow& row) {
    return insert(st::kInsertFolderDownload, row, ran_type::kDownload);
}

std::int64_t TaskTable::lastInsertedId() {
    StoreQuery query = m_store.prepareQuery(st::kLastInsertId);
    std::int64_t id = 0;
    while (query.next())
        id = query.int64At(0);
    return id;
}

std::optional<StoredTask> TaskTable::load(std::int64_t id) {
    StoreQuery query = m_store.prepareQuery(st::kLoadTask);
    query.bindInt64(1, id);
    if (!query.next())
        return std::nullopt;
    StoredTask task;
    task.id = query.int64At(0);
    task.userId = query.textAt(1);
    task.localPath = query.textAt(2);
    task.localFileName = query.textAt(3);
    task.ftpPath = query.textAt(4);
    task.ftpFileName = query.textAt(5);
    task.status = query.intAt(6);
    task.ranType = query.textAt(7);
    task.transferSize = query.int64At(8);
    task.transferSizeText = query.textAt(8);
    task.transferSchedule = query.intAt(9);
    task.fileSize = query.int64At(10);
    task.parentId = query.textAt(11);
    task.localRoot = query.textAt(12);
    return task;
}

std::int64_t TaskTable::findSameTask(const NewTaskRow& row, int ranType) {
    StoreQuery query = m_store.prepareQuery(st::kFindSameTask);
    query.bindText(1, row.userId);
    query.bindInt64(2, ranType);
    query.bindText(3, row.localPath);
    query.bindText(4, row.localFileName);
    query.bindText(5, row.ftpFileName);
    query.bindText(6, row.ftpPath);
    return query.next() ? query.int64At(0) : 0;
}

bool TaskTable::runWithId(const char* sql, std::int64_t id) {
    StoreCommand command(m_store, sql);
    command.bindInt64(1, id);
    return command.execute();
}

bool TaskTable::giveBack(std::int64_t id) {
    return runWithId(st::kGiveBackTask, id);
}
bool TaskTable::pause(std::int64_t id) {
    return runWithId(st::kPauseTask, id);
}
bool TaskTable::resume(std::int64_t id) {
    return runWithId(st::kResumeTask, id);
}

bool TaskTable::clearUserPause(std::int64_t id) {
    return runWithId(st::kClearUserPause, id);
}
bool TaskTable::fail(std::int64_t id, const std::string& reason) {
    StoreCommand command(m_store, st::kFailTask);
    command.bindText(1, reason);
    command.bindInt64(2, id);
    return command.execute();
}
bool TaskTable::startWaiting(std::int64_t id) {
    return runWithId(st::kStartWaitingTask, id);
}
bool TaskTable::remove(std::int64_t id) {
    return runWithId(st::kDeleteTask, id);
}

namespace {

std::vector<TaskListRow> readTaskRows(StoreQuery& query) {
    std::vector<TaskListRow> rows;
    while (query.next()) {
        TaskListRow row;
        row.id = query.textAt(0);
        row.localPath = query.textAt(1);
        row.localFileName = query.textAt(2);
        row.ftpPath = query.textAt(3);
        row.ftpFileName = query.textAt(4);
        row.ranType = query.textAt(5);
        row.fileSize = query.textAt(6);
        row.transferSize = query.textAt(7);
        row.speed = query.textAt(8);
        row.schedule = query.textAt(9);
        row.scheduleValue = query.intAt(9);
        row.status = query.textAt(10);
        row.holdMark = query.intAt(11);
        row.failReason = query.textAt(12);
        row.retryAt = query.int64At(13);
        row.remotePath = query.textAt(14);
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

std::vector<TaskListRow> TaskTable::list(const char* sql, const std::string& userId) {
    StoreQuery query = m_store.prepareQuery(sql);
    query.bindText(1, userId);
    return readTaskRows(query);
}

std::vector<TaskListRow> TaskTable::listUploads(const std::string& userId) {
    return list(st::kListUploads, userId);
}

std::vector<TaskListRow> TaskTable::listDownloads(const std::string& userId) {
    return list(st::kListDownloads, userId);
}

std::optional<TaskListRow> TaskTable::listPageTask(int ranType, const std::string& userId,
                                                   std::int64_t id) {
    StoreQuery query = m_store.prepareQuery(st::kListPageTask);
    query.bindText(1, userId);
    query.bindInt64(2, ranType);
    query.bindInt64(3, id);
    std::vector<TaskListRow> rows = readTaskRows(query);
    if (rows.empty())
        return std::nullopt;
    return std::move(rows.front());
}

std::int64_t TaskTable::firstId(const char* sql, const std::string& userId) {
    StoreQuery query = m_store.prepareQuery(sql);
    query.bindText(1, userId);
    return query.next() ? query.int64At(0) : 0;
}

std::int64_t TaskTable::nextWaitingUpload(const std::string& userId) {
    return firstId(st::kNextWaitingUpload, userId);
}

std::int64_t TaskTable::nextWaitingDownload(const std::string& userId) {
    return firstId(st::kNextWaitingDownload, userId);
}

std::pair<QueueTotals, QueueTotals> TaskTable::queueTotals(const std::string& userId) {
    StoreQuery query = m_store.prepareQuery(st::kQueueTotals);
    query.bindText(1, userId);
    std::pair<QueueTotals, QueueTotals> totals;
    while (query.next()) {
        const int ranType = query.intAt(0);
        if (ranType != ran_type::kUpload && ranType != ran_type::kDownload)
            continue;
        QueueTotals& sums = ranType == ran_type::kUpload ? totals.first : totals.second;
        sums.tasks = query.int64At(1);
        sums.bytes = query.int64At(2);
        sums.done = query.int64At(3);
        sums.running = query.int64At(4);
        sums.speedKBps = query.int64At(5);
    }
    return totals;
}

SummedSpeeds TaskTable::sumSpeeds(const std::string& userId) {
    StoreQuery query = m_store.prepareQuery(st::kSumSpeeds);
    query.bindText(1, userId);
    query.bindText(2, userId);
    SummedSpeeds speeds;
    while (query.next()) {
        speeds.upload = query.textAt(0);
        speeds.download = query.textAt(1);
    }
    return speeds;
}

bool TaskTable::resetUnfinished() {
    StoreCommand command(m_store, st::kResetUnfinishedTasks);
    return command.execute();
}

bool TaskTable::runProgress(const char* sql, const TaskProgress& progress) {
    StoreCommand command(m_store, sql);
    command.bindInt64(1, progress.fileSize);
    command.bindInt64(2, progress.done);
    command.bindInt(3, progress.percent);
    command.bindInt64(4, progress.done);
    command.bindInt64(5, progress.speedKBps);
    command.bindInt64(6, progress.id);
    return command.execute();
}

bool TaskTable::writeProgress(const TaskProgress& progress) {
    return runProgress(st::kWriteProgress, progress);
}

bool TaskTable::writeProgressEndedEarly(const TaskProgress& progress) {
    return runProgress(st::kWriteProgressEndedEarly, progress);
}

template <typename Steps>
bool TaskTable::inTransaction(Steps steps) {
    if (!m_store.begin()) {
        m_store.reportError();
        return false;
    }
    if (steps()) {
        if (m_store.commit())
            return true;
        m_store.reportError();
    }
    m_store.rollback();
    return false;
}

bool TaskTable::runRangedProgress(const char* sql, const TaskProgress& progress,
                                  const std::vector<TaskRange>& ranges) {
    return inTransaction([&] {
        // A paused or deleted task keeps the ranges of its last running write, which match its
        // recorded bytes.
        if (readStatus(progress.id) == task_status::kRunning) {
            if (!runWithId(st::kDeleteTaskRanges, progress.id))
                return false;
            for (const TaskRange& range : ranges) {
                StoreCommand command(m_store, st::kInsertTaskRange);
                command.bindInt64(1, progress.id);
                command.bindInt64(2, range.start);
                command.bindInt64(3, range.end);
                command.bindInt64(4, range.done);
                if (!command.execute())
                    return false;
            }
        }
        return runProgress(sql, progress);
    });
}

bool TaskTable::writeProgress(const TaskProgress& progress, const std::vector<TaskRange>& ranges) {
    return runRangedProgress(st::kWriteProgress, progress, ranges);
}

bool TaskTable::writeProgressEndedEarly(const TaskProgress& progress,
                                        const std::vector<TaskRange>& ranges) {
    return runRangedProgress(st::kWriteProgressEndedEarly, progress, ranges);
}

std::vector<TaskRange> TaskTable::loadRanges(std::int64_t id) {
    StoreQuery query = m_store.prepareQuery(st::kLoadTaskRanges);
    query.bindInt64(1, id);
    std::vector<TaskRange> ranges;
    while (query.next())
        ranges.push_back({query.int64At(0), query.int64At(1), query.int64At(2)});
    return ranges;
}

bool TaskTable::writeProgressInTransaction(const TaskProgress& progress) {
    return inTransaction([&] { return writeProgress(progress); });
}

bool TaskTable::writeProgressOfMany(const std::vector<TaskProgress>& many) {
    if (many.size() == 1)
        return writeProgress(many.front());
    return inTransaction([&] {
        for (const TaskProgress& progress : many) {
            if (!writeProgress(progress))
                return false;
        }
        return true;
    });
}

bool TaskTable::finishUpload(const TaskProgress& progress) {
    return inTransaction(
        [&] { return writeProgress(progress) && runWithId(st::kFinishUpload, progress.id); });
}

std::optional<int> TaskTable::readStatus(std::int64_t id) {
    StoreQuery query = m_store.prepareQuery(st::kReadTaskStatus);
    query.bindInt64(1, id);
    std::optional<int> status;
    while (query.next())
        status = query.intAt(2);
    return status;
}

std::vector<WaitingTask> TaskTable::waitingTasks(const std::string& userId, int ranType,
                                                 bool withEarlierSession, int limit) {
    StoreQuery query = m_store.prepareQuery(st::kWaitingTasks);
    query.bindInt64(1, ranType);
    query.bindInt64(2, withEarlierSession ? -1 : hold_mark::kEarlierSession);
    query.bindText(3, userId);
    query.bindInt64(4, limit);
    std::vector<WaitingTask> tasks;
    while (query.next())
        tasks.push_back({query.int64At(0), static_cast<int>(query.int64At(1))});
    return tasks;
}

bool TaskTable::holdEarlierTasks(const std::string& userId) {
    StoreCommand command(m_store, st::kHoldEarlierTasks);
    command.bindText(1, userId);
    return command.execute();
}

bool TaskTable::releaseEarlierTasks(const std::string& userId) {
    StoreCommand command(m_store, st::kReleaseEarlierTasks);
    command.bindText(1, userId);
    return command.execute();
}

bool TaskTable::holdFailingTask(std::int64_t id, std::int64_t retryAtEpochSeconds) {
    StoreCommand command(m_store, st::kHoldFailingTask);
    command.bindInt64(1, retryAtEpochSeconds);
    command.bindInt64(2, id);
    return command.execute();
}

}  // namespace nubexa
