#pragma once

#include <cstdint>
#include <string>

// The task rows of bin.db as values: what the statements of TaskTable take and return.
namespace nubexa {

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

}  // namespace nubexa
