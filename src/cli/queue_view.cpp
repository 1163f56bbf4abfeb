#include "cli/queue_view.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "cli/message_notifier.h"
#include "cli/messages.h"
#include "cli/rate_text.h"
#include "platform/paths.h"

namespace nubexa::cli {

namespace {

std::string stateOf(const TaskListRow& row, bool transferring) {
    if (!row.failReason.empty())
        return say("failed: {} (resume tries again)", "失败：{}（resume 重试）",
                   {coreMessageText(row.failReason)});
    if (row.status == "1") {
        if (!transferring)
            return say("interrupted (the next run continues it)", "已中断（下次 run 继续）");
        return row.speed == "0" ? say("starting", "正在开始") : say("running", "传输中");
    }
    switch (row.holdMark) {
        case hold_mark::kUserPause:
            return say("paused", "已暂停");
        case hold_mark::kEarlierSession:
            return say("held until resume", "等待续传（resume）");
        case hold_mark::kFailing:
            // The wait lives in the process that runs the queue; a new run tries at once.
            if (!transferring || row.retryAt <= 0)
                return say("failed repeatedly; the next run tries again",
                           "多次失败；下次 run 重试");
            return say("retrying at {} (resume retries now)", "将于 {} 重试（resume 立即重试）",
                       {clockText(row.retryAt)});
        default:
            return say("waiting", "等待");
    }
}

}  // namespace

std::string clockText(std::int64_t epochSeconds) {
    const std::time_t when = static_cast<std::time_t>(epochSeconds);
    std::tm local{};
    localtime_r(&when, &local);
    char text[8];
    std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

std::string diskPathText(const std::string& storedFolder, const std::string& name) {
    std::string path = storedFolder;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || path.front() != '/')
        path.insert(path.begin(), '/');
    if (path.back() != '/')
        path += '/';
    return path + name;
}

QueueLine makeQueueLine(const TaskListRow& row, Direction direction, bool transferring) {
    QueueLine line;
    line.id = row.id;
    line.direction = direction;
    line.local = joinPath(row.localPath, row.localFileName);
    // Both directions keep the file's shown name in local_file_name (a download's ftp name is
    // the service's id of the file).
    line.remote =
        diskPathText(row.remotePath.empty() ? row.ftpPath : row.remotePath, row.localFileName);
    line.size =
        byteText(static_cast<double>(std::max<long long>(0, std::atoll(row.fileSize.c_str()))));
    line.progress = row.scheduleValue;
    const bool moving = transferring && row.status == "1";
    line.speed = (moving ? row.speed : std::string("0")) + " KB/s";
    line.state = stateOf(row, transferring);
    return line;
}

std::vector<QueueLine> makeQueueLines(const std::vector<TransferRow>& uploads,
                                      const std::vector<TransferRow>& downloads,
                                      bool transferring) {
    std::vector<QueueLine> lines;
    lines.reserve(uploads.size() + downloads.size());
    for (const auto& row : uploads)
        lines.push_back(makeQueueLine(row.task, Direction::kUpload, transferring));
    for (const auto& row : downloads)
        lines.push_back(makeQueueLine(row.task, Direction::kDownload, transferring));
    std::stable_sort(lines.begin(), lines.end(), [](const QueueLine& a, const QueueLine& b) {
        return std::stoll(a.id) < std::stoll(b.id);
    });
    return lines;
}

}  // namespace nubexa::cli
