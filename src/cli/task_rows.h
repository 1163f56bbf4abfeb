#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ftp/transfer_task.h"
#include "store/task_table.h"

namespace nubexa {
class StoreGate;
}

namespace nubexa::cli {

// The scratch task rows of the command-line transfers: the same command run again finds its
// unfinished row and continues it.
class TaskRows {
public:
    explicit TaskRows(StoreGate& gate) : m_gate(gate) {}

    // The unfinished row of this transfer set running again, or a new running row.
    TransferTask startDownload(const NewTaskRow& row);
    TransferTask startUpload(const NewTaskRow& row);
    // An unfinished row of this transfer, if there is one.
    std::optional<std::int64_t> findUnfinished(const NewTaskRow& row, int ranType);

    // The run ended unfinished: the row waits for the next run.
    void giveBack(std::int64_t id);
    StoredTask load(std::int64_t id);

private:
    TransferTask start(const NewTaskRow& row, int ranType);

    StoreGate& m_gate;
};

}  // namespace nubexa::cli
