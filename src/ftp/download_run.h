#pragma once

#include <cstdint>
#include <string>

#include "ftp/transfer_run.h"

namespace nubexa {

class LocalFile;

// One run of FTPClient::Download.
class DownloadRun : private TransferRun {
public:
    DownloadRun(FTPClient& client, TransferTask& task)
        : TransferRun(client, task, Direction::kDownload) {}
    int run();

private:
    // How a queued download's data ended.
    enum class DataEnd { Closed, Stopped, Unfinished, WriteFailed, DiskFull, Overrun };

    // Where the bytes go: the offset to continue at, or empty when the task must not run.
    std::optional<std::int64_t> startOffset(const std::string& path);
    bool setUp(std::int64_t offset);
    int receiveAvatar(LocalFile& file, const std::string& path);
    int receiveQueued(LocalFile& file, std::int64_t offset);
    DataEnd receiveInto(LocalFile& file, ProgressReporter& reporter, std::int64_t& done,
                        std::int64_t& total);
};

}  // namespace nubexa
