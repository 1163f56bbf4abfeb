#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ftp/transfer_task.h"
#include "store/task_table.h"

namespace nubexa {

class StoreGate;

// The task rows of plain FTP transfers (PlainFtpTransfer): the same transfer run again finds
// its unfinished row and continues it.
class ScratchTaskRows {
public:
    explicit ScratchTaskRows(StoreGate& gate) : m_gate(gate) {}

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

}  // namespace nubexa
