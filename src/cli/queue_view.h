#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "session/transfer_rows.h"
#include "store/direction.h"

namespace nubexa::cli {

// One task of "queue" as a user can act on it.
struct QueueLine {
    std::string id;
    Direction direction = Direction::kUpload;
    std::string local;   // the local file
    std::string remote;  // the disk path, written with "/"
    std::string size;
    int progress = 0;
    std::string speed;  // "0 KB/s" unless bytes move now
    std::string state;  // waiting, running, paused, held until resume, ...
};

// `transferring`: a run (nubexa-cli run or the desktop client) holds the queue now, so a row
// marked running really moves; otherwise it is what an ended run left and the next continues.
QueueLine makeQueueLine(const TaskListRow& row, Direction direction, bool transferring);

// Both directions' rows in the order they were queued (by id).
std::vector<QueueLine> makeQueueLines(const std::vector<TransferRow>& uploads,
                                      const std::vector<TransferRow>& downloads, bool transferring);

// "HH:MM" of a wall-clock second, in local time.
std::string clockText(std::int64_t epochSeconds);

// A disk path as stored (folders joined with "\") written as the command line takes it.
std::string diskPathText(const std::string& storedFolder, const std::string& name);

}  // namespace nubexa::cli
