#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pages/disk_rows.h"
#include "transfer/direction.h"
#include "transfer/transfer_page_text.h"

namespace nubexa {
class StoreGate;
}

namespace nubexa::pages {

// The context-menu commands of a transfer row.
enum TransferCommand {
    kCommandPause = 222,
    kCommandResume = 223,
    kCommandDelete = 230,
    kCommandOpenFolder = 231,
};

// One row of an uploading or downloading page: the eight columns as shown, and what the page
// needs besides them (why a waiting task waits, the time left, the folder to open).
struct TransferRow {
    TransferPageRow shown;
    std::int64_t id = 0;
    int holdMark = 0;  // is_user_pasue of the row
    std::int64_t bytes = 0;
    std::int64_t done = 0;
    std::int64_t speedKBps = 0;
    std::string localFolder;
    std::string detail;  // under the speed: time left, or why the task waits
};

// The user's unfinished tasks of one direction, in one bracket.
std::vector<TransferRow> loadTransferRows(StoreGate& gate, const std::string& userId,
                                          Direction page);
TransferRow makeTransferRow(const TaskListRow& row, Direction page);

// "剩余 03:12" (or "剩余 1:02:03") at `speedKBps`; empty when nothing moves.
std::string timeLeftText(std::int64_t bytesLeft, std::int64_t speedKBps);
// Why a waiting task waits, from its hold mark, in a word ("排队中", "已暂停", "待续传", "待重试")
// and in a sentence for the tooltip; empty for running rows.
std::string waitReason(const std::string& status, int holdMark);
std::string waitExplanation(const std::string& status, int holdMark);

// The line above the list: how many files are left, how many bytes, at what speed.
struct TransferTotals {
    std::size_t files = 0;
    std::int64_t bytesLeft = 0;
    std::int64_t speedKBps = 0;
};
TransferTotals sumRows(const std::vector<TransferRow>& rows);
std::string totalsText(const TransferTotals& totals, Direction page);

// The menu of a row: "暂停" for a running task, "续传" for a waiting one, always "删除"; a
// download also offers the folder it is written to.
std::vector<MenuEntry> transferMenu(const TransferRow& row, Direction page);

}  // namespace nubexa::pages
