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

// One folder upload: walks the chosen folder breadth first, makes a disk folder for every
// local folder (FolderAdd), collects one upload row per file and queues them all in one
// transaction, starting FolderThreads while fewer than five uploads are live. Runs once, on
// the user-interface thread.
class FolderUploadWalk {
public:
    FolderUploadWalk(TransferManager& manager, RemoteFolder target);

    FolderUploadResult run(const std::optional<std::string>& root);

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
    void queueRows();

    TransferManager& m_manager;
    const RemoteFolder m_target;
    const AccountInfo m_account;
    std::deque<Level> m_levels;
    std::vector<NewTaskRow> m_rows;
    FolderUploadResult m_result;
};

}  // namespace nubexa
