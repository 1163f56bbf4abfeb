#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "store/task_rows.h"

namespace nubexa {

class LocalStore;

// The statements on t_process_list. A view over the connection of the bracket the caller holds;
// every method runs one statement of the catalogue and prints the error when it fails.
class TaskTable {
public:
    explicit TaskTable(LocalStore& store) : m_store(store) {}

    bool insertFileUpload(const NewTaskRow& row);
    bool insertFileDownload(const NewTaskRow& row);
    bool insertFolderUpload(const NewTaskRow& row);
    bool insertFolderDownload(const NewTaskRow& row);

    // Id of the row just inserted on this connection; 0 when there is none.
    std::int64_t lastInsertedId();

    std::optional<StoredTask> load(std::int64_t id);

    // Id of an unfinished task of the same user and direction that moves the same file between
    // the same places as `row`; 0 when there is none.
    std::int64_t findSameTask(const NewTaskRow& row, int ranType);

    bool giveBack(std::int64_t id);
    bool pause(std::int64_t id);
    bool resume(std::int64_t id);
    // Also forgets why the task failed: a resume tries it once more.
    bool clearUserPause(std::int64_t id);
    // A refusal a retry cannot change: held for the user, with the reason to show.
    bool fail(std::int64_t id, const std::string& reason);
    bool startWaiting(std::int64_t id);
    bool remove(std::int64_t id);

    std::vector<TaskListRow> listUploads(const std::string& userId);
    std::vector<TaskListRow> listDownloads(const std::string& userId);
    // The task `id` as the uploading or downloading page (ran_type 1 or 2) lists it; none when
    // it is not on that page (another user's or direction's, finished, deleted, gone).
    std::optional<TaskListRow> listPageTask(int ranType, const std::string& userId,
                                            std::int64_t id);

    // Id of the next waiting task of that direction that the user did not pause; 0 when none.
    std::int64_t nextWaitingUpload(const std::string& userId);
    std::int64_t nextWaitingDownload(const std::string& userId);

    // Up to `limit` waiting tasks the user did not pause, oldest first; those held from an
    // earlier session only `withEarlierSession`.
    std::vector<WaitingTask> waitingTasks(const std::string& userId, int ranType,
                                          bool withEarlierSession, int limit);
    bool holdEarlierTasks(const std::string& userId);
    bool releaseEarlierTasks(const std::string& userId);
    bool holdFailingTask(std::int64_t id, std::int64_t retryAtEpochSeconds);

    SummedSpeeds sumSpeeds(const std::string& userId);
    // Uploads and downloads, in that order.
    std::pair<QueueTotals, QueueTotals> queueTotals(const std::string& userId);

    bool resetUnfinished();

    bool writeProgress(const TaskProgress& progress);
    bool writeProgressEndedEarly(const TaskProgress& progress);
    // The same with the download's byte ranges in one transaction; the ranges replace the
    // recorded ones only while the task runs (none: the task has none any more).
    bool writeProgress(const TaskProgress& progress, const std::vector<TaskRange>& ranges);
    bool writeProgressEndedEarly(const TaskProgress& progress,
                                 const std::vector<TaskRange>& ranges);
    std::vector<TaskRange> loadRanges(std::int64_t id);

    // A progress write in its own transaction, rolled back when it fails (uploads).
    bool writeProgressInTransaction(const TaskProgress& progress);
    // Several running tasks' progress in one transaction (one commit for all).
    bool writeProgressOfMany(const std::vector<TaskProgress>& many);
    // The last progress write and the status 100 of a whole upload, in one transaction.
    bool finishUpload(const TaskProgress& progress);

    // The row's status; empty when there is no such row.
    std::optional<int> readStatus(std::int64_t id);

private:
    bool insert(const char* sql, const NewTaskRow& row, int ranType);
    bool runWithId(const char* sql, std::int64_t id);
    bool runProgress(const char* sql, const TaskProgress& progress);
    bool runRangedProgress(const char* sql, const TaskProgress& progress,
                           const std::vector<TaskRange>& ranges);
    std::vector<TaskListRow> list(const char* sql, const std::string& userId);
    std::int64_t firstId(const char* sql, const std::string& userId);
    // Runs `steps` in a transaction, committed when they succeed and rolled back otherwise.
    template <typename Steps>
    bool inTransaction(Steps steps);

    LocalStore& m_store;
};

}  // namespace nubexa
