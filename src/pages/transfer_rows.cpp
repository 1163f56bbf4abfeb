#include "pages/transfer_rows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "store/task_table.h"

namespace nubexa::pages {

namespace {

std::int64_t number(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 10);
}

}  // namespace

TransferRow makeTransferRow(const TaskListRow& row, Direction page) {
    TransferRow shown;
    shown.shown = makePageRow(row, page);
    shown.id = number(row.id);
    shown.holdMark = row.holdMark;
    shown.bytes = std::max<std::int64_t>(0, number(row.fileSize));
    shown.done = std::clamp<std::int64_t>(number(row.transferSize), 0, shown.bytes);
    shown.speedKBps = row.status == "1" ? std::max<std::int64_t>(0, number(row.speed)) : 0;
    shown.localFolder = row.localPath;
    shown.detail = row.status == "1" ? timeLeftText(shown.bytes - shown.done, shown.speedKBps)
                                     : waitReason(row.status, row.holdMark);
    return shown;
}

std::vector<TransferRow> loadTransferRows(StoreGate& gate, const std::string& userId,
                                          Direction page) {
    const auto rows = loadTaskRows(gate, userId, page);
    std::vector<TransferRow> shown;
    shown.reserve(rows.size());
    for (const auto& row : rows)
        shown.push_back(makeTransferRow(row, page));
    return shown;
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
        totals.bytesLeft += row.bytes - row.done;
        totals.speedKBps += row.speedKBps;
    }
    return totals;
}

std::string totalsText(const TransferTotals& totals, Direction page) {
    if (totals.files == 0)
        return page == Direction::kUpload ? "没有正在上传的文件" : "没有正在下载的文件";
    return "共 " + std::to_string(totals.files) + " 个文件，剩余 " +
           nubexa::sizeText(std::to_string(totals.bytesLeft)) + "，" +
           speedText(std::to_string(totals.speedKBps));
}

std::vector<MenuEntry> transferMenu(const TransferRow& row, Direction page) {
    std::vector<MenuEntry> entries;
    if (row.shown.status == "1")
        entries.push_back({kCommandPause, "暂停"});
    if (row.shown.status == "2")
        entries.push_back({kCommandResume, "续传"});
    entries.push_back({kCommandDelete, "删除"});
    if (page == Direction::kDownload)
        entries.push_back({kCommandOpenFolder, "打开所在文件夹"});
    return entries;
}

}  // namespace nubexa::pages
