#include "session/transfer_rows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/listed_size.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "transfer/transfer_page_text.h"

namespace nubexa {

namespace {

std::int64_t number(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 10);
}

}  // namespace

TransferRow makeTransferRow(TaskListRow task) {
    TransferRow row;
    row.id = number(task.id);
    row.bytes = std::max<std::int64_t>(0, number(task.fileSize));
    row.done = std::clamp<std::int64_t>(number(task.transferSize), 0, row.bytes);
    row.speedKBps = task.status == "1" ? std::max<std::int64_t>(0, number(task.speed)) : 0;
    row.task = std::move(task);
    return row;
}

ShownTransfer showTransfer(const TransferRow& row, Direction page) {
    ShownTransfer shown;
    shown.columns = makePageRow(row.task, page);
    shown.detail = row.task.status == "1" ? timeLeftText(row.bytes - row.done, row.speedKBps)
                   : !shown.columns.reason.empty() ? shown.columns.reason
                                                   : waitReason(row.task.status, row.task.holdMark);
    return shown;
}

namespace {

std::vector<TransferRow> transferRows(std::vector<TaskListRow> tasks) {
    std::vector<TransferRow> rows;
    rows.reserve(tasks.size());
    for (auto& task : tasks)
        rows.push_back(makeTransferRow(std::move(task)));
    return rows;
}

}  // namespace

std::vector<TransferRow> loadTransferRows(StoreGate& gate, const std::string& userId,
                                          Direction page) {
    return transferRows(loadTaskRows(gate, userId, page));
}

std::vector<TransferRow> loadTransferRowsOf(StoreGate& gate, const std::string& userId,
                                            Direction page, const std::vector<std::int64_t>& ids) {
    std::vector<TaskListRow> tasks = gate.run([&](LocalStore& store) {
        TaskTable table(store);
        std::vector<TaskListRow> found;
        for (const std::int64_t id : ids) {
            if (auto task = table.listPageTask(ranTypeOf(page), userId, id))
                found.push_back(std::move(*task));
        }
        return found;
    });
    return transferRows(std::move(tasks));
}

std::string timeLeftText(std::int64_t bytesLeft, std::int64_t speedKBps) {
    if (speedKBps <= 0 || bytesLeft <= 0)
        return {};
    const std::int64_t perSecond = speedKBps * 1024;
    const std::int64_t seconds = (bytesLeft + perSecond - 1) / perSecond;
    char text[48];
    if (seconds >= 3600) {
        std::snprintf(
            text, sizeof text, "剩余 %lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
            static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    } else {
        std::snprintf(text, sizeof text, "剩余 %02lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    }
    return text;
}

std::string waitReason(const std::string& status, int holdMark) {
    if (status != "2")
        return {};
    switch (holdMark) {
        case hold_mark::kUserPause:
            return "已暂停";
        case hold_mark::kEarlierSession:
            return "待续传";
        case hold_mark::kFailing:
            return "待重试";
        default:
            return "排队中";
    }
}

std::string waitExplanation(const std::string& status, int holdMark) {
    if (status != "2")
        return {};
    switch (holdMark) {
        case hold_mark::kUserPause:
            return "你暂停了这个任务，点“续传”继续";
        case hold_mark::kEarlierSession:
            return "上次运行时没有传完，点“续传”继续";
        case hold_mark::kFailing:
            return "多次传输失败，稍后自动重试；点“续传”立即重试";
        default:
            return "等待空闲的传输位置，会自动开始";
    }
}

TransferTotals sumRows(const std::vector<TransferRow>& rows) {
    TransferTotals totals;
    totals.files = rows.size();
    for (const TransferRow& row : rows) {
        totals.bytesLeft = addSaturated(totals.bytesLeft, row.bytes - row.done);
        totals.speedKBps = addSaturated(totals.speedKBps, row.speedKBps);
    }
    return totals;
}

}  // namespace nubexa
