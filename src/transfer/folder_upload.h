#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "service/account_info.h"
#include "store/task_table.h"
#include "transfer/transfer_queue.h"

namespace nubexa {

class TransferManager;

// One folder upload, in two steps. prepare() walks the chosen folder breadth first, makes a disk
// folder for every local folder (FolderAdd) and collects one upload row per file: it blocks for
// the web requests and may run on any thread. queueFolderUpload() then queues every row in one
// transaction, starting FolderThreads while fewer than five uploads are live: one bracket, short
// enough for the user-interface thread. A walk runs once.
class FolderUploadWalk {
public:
    FolderUploadWalk(TransferManager& manager, RemoteFolder target);

    FolderUploadPlan prepare(const std::optional<std::string>& root);

private:
    // A local folder of the walk and its disk folder.
    struct Level {
        std::filesystem::path local;
        std::string remoteId;
        std::string remotePath;  // ftp_path of its files, ending with '\'
    };

    // The id of the new disk folder; empty when the service did not make it.
    std::string addRemoteFolder(const std::string& parentId, const std::string& name,
                                bool judgeIdAlone = false);
    void list(const Level& level);
    void skipFolder(const std::filesystem::path& folder, const std::string& name);
    void skipEntry(const std::filesystem::path& entry, const std::string& why);

    TransferManager& m_manager;
    const RemoteFolder m_target;
    const AccountInfo m_account;
    std::deque<Level> m_levels;
    FolderUploadPlan m_plan;
};

// The short step of a folder upload: fills plan.result.taskIds and returns the result.
FolderUploadResult queueFolderUpload(TransferManager& manager, FolderUploadPlan plan);

}  // namespace nubexa
