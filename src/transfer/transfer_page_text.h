#pragma once

#include <string>
#include <vector>

#include "store/direction.h"
#include "store/task_rows.h"
#include "transfer/transfer_page_row.h"

namespace nubexa {

class LocalStore;
class StoreGate;

// The texts of the transfer pages ("正在上传", "正在下载"), shared by the GUI's lists and the
// command-line companion's "queue". Pure functions, safe on any thread.

// Column "状态" from the row's status and speed texts: "等待" (running at speed 0), "上传" or
// "下载" (running), "暂停" (waiting, paused or not), "完成", else "未知". A task that failed
// for good reads "失败" (makePageRow).
std::string stateWord(const std::string& status, const std::string& speed, Direction page);

TransferPageRow makePageRow(const TaskListRow& row, Direction page);

// The user's unfinished tasks of one direction, as stored: in the caller's bracket, or in one of
// its own.
std::vector<TaskListRow> taskRows(LocalStore& held, const std::string& userId, Direction page);
std::vector<TaskListRow> loadTaskRows(StoreGate& gate, const std::string& userId, Direction page);

// The user's unfinished tasks of one direction as the page lists them (one bracket).
std::vector<TransferPageRow> loadTransferPage(StoreGate& gate, const std::string& userId,
                                              Direction page);

// The status-bar text of the monitor: "上传：" + upload + " KB/S 下载：" + download + " KB/S",
// with "(限速)" after the speed of a direction whose limit is holding it back.
std::string speedStatusText(const std::string& upload, const std::string& download,
                            bool uploadLimited = false, bool downloadLimited = false);

}  // namespace nubexa
