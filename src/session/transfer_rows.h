#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/direction.h"
#include "store/task_rows.h"
#include "transfer/transfer_page_row.h"

// The rows of the transfer pages ("正在上传", "正在下载") as values: what ClientSession reads
// for a page, and the texts made from them. Pure functions, any thread.
namespace nubexa {

class StoreGate;

// One task of an uploading or downloading page as a fill reads it: the row as stored and the
// numbers the page sums. Its texts are made only when a row is shown (showTransfer), so that a
// fill of thousands of tasks formats only the few rows on screen.
struct TransferRow {
    TaskListRow task;
    std::int64_t id = 0;
    std::int64_t bytes = 0;
    std::int64_t done = 0;
    std::int64_t speedKBps = 0;  // 0 unless running
};
TransferRow makeTransferRow(TaskListRow task);

// A row as shown: the eight columns, and the small line under the speed (the time left, or why
// a waiting task waits).
struct ShownTransfer {
    TransferPageRow columns;
    std::string detail;
};
ShownTransfer showTransfer(const TransferRow& row, Direction page);

// The user's unfinished tasks of one direction, in one bracket (ClientSession::transferRows).
std::vector<TransferRow> loadTransferRows(StoreGate& gate, const std::string& userId,
                                          Direction page);
// Those of `ids` that are on the page (unfinished tasks of the user and direction), in one
// bracket: what a page reads when it is told those tasks changed.
std::vector<TransferRow> loadTransferRowsOf(StoreGate& gate, const std::string& userId,
                                            Direction page, const std::vector<std::int64_t>& ids);

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

}  // namespace nubexa
