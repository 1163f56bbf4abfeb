#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace nubexa {

class LocalStore;

// Status codes of a task row.
namespace task_status {
inline constexpr int kRunning = 1;
inline constexpr int kWaiting = 2;
inline constexpr int kComplete = 100;
inline constexpr int kDeleted = -100;
}  // namespace task_status

// Direction of a task row (ran_type).
namespace ran_type {
inline constexpr int kUpload = 1;
inline constexpr int kDownload = 2;
}  // namespace ran_type

// The values of a new task row.
struct NewTaskRow {
    std::string userId;
    std::string localPath;
    std::string localFileName;
    std::string ftpFileName;
    std::int64_t fileSize = 0;
    int status = task_status::kWaiting;
    std::string ftpPath;
    std::string parentId;  // not used by file downloads, whose parent is a backslash
    // A folder download's file: the remote folder it comes from, for showing only (its ftp_path
    // stays a backslash).
    std::string remotePath{};
    // A folder download's file: the folder the user chose, above the folders the download
    // makes (its links are the user's; no link below it is followed). Empty for other tasks.
    std::string localRoot{};
};

// A task row as a worker loads it.
struct StoredTask {
    std::int64_t id = 0;
    std::string userId;
    std::string localPath;
    std::string localFileName;
    std::string ftpPath;
    std::string ftpFileName;
    int status = 0;
    std::string ranType;
    std::int64_t transferSize = 0;
    std::string transferSizeText;
    int transferSchedule = 0;
    std::int64_t fileSize = 0;
    std::string parentId;
    std::string localRoot;  // NewTaskRow::localRoot
};

// A row of the uploading or downloading page; every column as the database returns it as text.
struct TaskListRow {
    std::string id;
    std::string localPath;
    std::string localFileName;
    std::string ftpPath;
    std::string ftpFileName;
    std::string ranType;
    std::string fileSize;
    std::string transferSize;
    std::string speed;
    std::string schedule;
    int scheduleValue = 0;
    std::string status;
    int holdMark = 0;          // is_user_pasue: hold_mark below
    std::string failReason;    // why the task failed for good (the service's words); else empty
    std::int64_t retryAt = 0;  // a held failing task's next try, seconds since the epoch
    std::string remotePath;    // NewTaskRow::remotePath; empty for other tasks
};

// One progress write of a running transfer.
struct TaskProgress {
    std::int64_t id = 0;
    std::int64_t fileSize = 0;
    std::int64_t done = 0;
    int percent = 0;
    std::int64_t speedKBps = 0;
};

// One byte range of a download over several connections: [start, end), `done` bytes of it
// written from `start` on.
struct TaskRange {
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int64_t done = 0;
    bool operator==(const TaskRange&) const = default;
};

// Marks of is_user_pasue besides the user's pause (1).
namespace hold_mark {
inline constexpr int kNone = 0;
inline constexpr int kUserPause = 1;
inline constexpr int kEarlierSession = 2;  // waits for a resume or automatic resume on
inline constexpr int kFailing = 3;         // waits out a back-off after repeated failures
}  // namespace hold_mark

struct WaitingTask {
    std::int64_t id = 0;
    int mark = hold_mark::kNone;
};

// The unfinished tasks (running or waiting) of one direction, summed.
struct QueueTotals {
    std::int64_t tasks = 0;
    std::int64_t running = 0;
    std::int64_t bytes = 0;
    std::int64_t done = 0;
    std::int64_t speedKBps = 0;
};

struct SummedSpeeds {
    std::string upload = "0";
    std::string download = "0";
};

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
