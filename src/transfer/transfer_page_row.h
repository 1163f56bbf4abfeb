#pragma once

#include <string>

namespace nubexa {

// Column "大小": "1023 B", "1.00 KB", "1.00 MB", "1.00 GB" (two decimals from 1 KB on).
std::string sizeText(const std::string& fileSize);

// Column "速度": the speed followed by " KB/S".
std::string speedText(const std::string& speed);

// One row of a transfer page with every column as it is shown.
struct TransferPageRow {
    std::string localInfo;   // "本地文件信息": the local file
    std::string remoteInfo;  // "网盘文件信息": remote folder and file name
    std::string size;        // "大小"
    int progress = 0;        // "进度", percent
    std::string speed;       // "速度"
    std::string id;          // hidden: the task id
    std::string status;      // hidden: the status code
    std::string state;       // "状态"
    std::string reason;      // why the task failed for good (second line, tooltip); else empty
};

}  // namespace nubexa
