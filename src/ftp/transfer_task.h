#pragma once

#include <cstdint>
#include <string>

namespace nubexa {

struct StoredTask;

// One row of t_process_list as a transfer thread holds it. Owned by that thread; Download and
// Upload update file_size and transfer_size as the bytes move.
struct TransferTask {
    std::string localPath;
    // Above localPath: the folders between the two are opened without following links.
    std::string localRoot;
    std::string localFileName;
    std::string ftpPath;
    std::string ftpFileName;
    std::string ranType;  // "1" upload, "2" download
    int transferSchedule = 0;
    std::int64_t fileSize = 0;
    std::int64_t transferSize = 0;
    int status = 0;
    std::string transferSizeText = "0";
    std::int64_t id = -1;
    std::string parentId;          // the disk folder that receives an upload (dirid)
    std::string dataChannelReply;  // the accepted PASV reply of an upload
};

// The record of a loaded row, for a queued transfer.
TransferTask makeTransferTask(const StoredTask& row);

}  // namespace nubexa
