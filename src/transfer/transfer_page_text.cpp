#include "transfer/transfer_page_text.h"

#include <cstdio>
#include <cstdlib>

#include "platform/paths.h"
#include "store/store_gate.h"
#include "transfer/transfer_view.h"

namespace nubexa {

namespace {

std::string twoDecimals(double value, const char* unit) {
    char text[64];
    std::snprintf(text, sizeof text, "%0.2f %s", value, unit);
    return text;
}

}  // namespace

std::string sizeText(const std::string& fileSize) {
    // Sizes are 64-bit here: files of 2 GiB and more are shown as what they are.
    const double n = static_cast<double>(std::strtoll(fileSize.c_str(), nullptr, 10));
    if (n < 1024)
        return fileSize + " B";
    if (n < 1048576)
        return twoDecimals(n / 1024, "KB");
    if (n < 1073741824)
        return twoDecimals(n / 1024 / 1024, "MB");
    return twoDecimals(n / 1024 / 1024 / 1024, "GB");
}

std::string stateWord(const std::string& status, const std::string& speed, Direction page) {
    if (status == "1") {
        if (speed == "0")
            return "等待";
        return page == Direction::kUpload ? "上传" : "下载";
    }
    if (status == "2")
        return "暂停";
    if (status == "100")
        return "完成";
    return "未知";
}

std::string speedText(const std::string& speed) {
    return speed + " KB/S";
}

TransferPageRow makePageRow(const TaskListRow& row, Direction page) {
    TransferPageRow shown;
    shown.localInfo = joinPath(row.localPath, row.localFileName);
    // Remote folders are written with backslashes; a folder upload's path already ends with one.
    // A folder download's file keeps its whole remote folder beside the stored backslash.
    shown.remoteInfo = row.remotePath.empty() ? row.ftpPath : row.remotePath;
    if (shown.remoteInfo.empty() || shown.remoteInfo.back() != '\\')
        shown.remoteInfo += '\\';
    // An upload's name on the disk may differ from the local one (mapped characters); a
    // download's ftp_file_name is the stored file's id name, so it shows the listed name.
    shown.remoteInfo += page == Direction::kUpload && !row.ftpFileName.empty() ? row.ftpFileName
                                                                               : row.localFileName;
    shown.size = sizeText(row.fileSize);
    shown.progress = row.scheduleValue;
    shown.speed = speedText(row.speed);
    shown.id = row.id;
    shown.status = row.status;
    shown.state = stateWord(row.status, row.speed, page);
    // Kept only while the task waits: a resume clears it.
    if (!row.failReason.empty() && row.status == "2") {
        shown.state = "失败";
        shown.reason = row.failReason;
    }
    return shown;
}

std::vector<TaskListRow> taskRows(LocalStore& held, const std::string& userId, Direction page) {
    TaskTable tasks(held);
    return page == Direction::kUpload ? tasks.listUploads(userId) : tasks.listDownloads(userId);
}

std::vector<TaskListRow> loadTaskRows(StoreGate& gate, const std::string& userId, Direction page) {
    return gate.run([&](LocalStore& store) { return taskRows(store, userId, page); });
}

std::vector<TransferPageRow> loadTransferPage(StoreGate& gate, const std::string& userId,
                                              Direction page) {
    const auto rows = loadTaskRows(gate, userId, page);
    std::vector<TransferPageRow> shown;
    shown.reserve(rows.size());
    for (const auto& row : rows)
        shown.push_back(makePageRow(row, page));
    return shown;
}

void TransferView::showSpeeds(const SpeedStatus& speeds) {
    showStatusText(speedStatusText(speeds.upload, speeds.download, speeds.uploadLimited,
                                   speeds.downloadLimited));
}

std::string speedStatusText(const std::string& upload, const std::string& download,
                            bool uploadLimited, bool downloadLimited) {
    const auto mark = [](bool limited) { return limited ? std::string("(限速)") : std::string(); };
    return "上传：" + upload + " KB/S" + mark(uploadLimited) + " 下载：" + download + " KB/S" +
           mark(downloadLimited);
}

}  // namespace nubexa
