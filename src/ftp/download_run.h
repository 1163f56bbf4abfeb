#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ftp/transfer_run.h"

namespace nubexa {

class LocalFile;
class LocalFolder;
class RangePlan;

// One run of FTPClient::Download.
class DownloadRun : private TransferRun {
public:
    DownloadRun(FTPClient& client, TransferTask& task)
        : TransferRun(client, task, Direction::kDownload) {}
    int run();

private:
    // How a queued download's data ended.
    enum class DataEnd { Closed, Stopped, Unfinished, WriteFailed, DiskFull, Overrun };

    // Where a queued download's bytes go.
    struct Placement {
        std::string entry;    // the partial name, or the target of an older version's task
        bool partial = true;  // renamed to the target's name when complete
        std::int64_t offset = 0;
        bool existing = false;  // the entry is there already
    };
    // Empty when the task must not run (the user was told why).
    std::optional<Placement> place(const LocalFolder& folder);
    // What bounds the bytes taken: the listed size, else SIZE, else the limit.
    void chooseBound();
    int refusedForSize(SizeProblem::Kind kind, std::int64_t received);
    bool openFolder(LocalFolder& folder);
    bool setUp(std::int64_t offset);
    int runQueued();
    int runOneStream(const LocalFolder& folder, const Placement& placement);
    // The ranges of a download over several connections: the saved ones when they can go on,
    // else new ones for a big file when more than one connection is allowed. Null: one
    // stream. Bytes the file may keep (below the first unconfirmed one) in `keep`; an offset
    // the saved ranges make meaningless is set to 0.
    std::unique_ptr<RangePlan> rangePlan(const LocalFolder& folder, Placement& placement,
                                         std::int64_t& keep);
    int runRanges(const LocalFolder& folder, const Placement& placement, RangePlan& plan,
                  std::int64_t keep);
    int receiveQueued(LocalFile& file, const LocalFolder& folder, const Placement& placement);
    int finishQueued(const LocalFolder& folder, const Placement& placement,
                     ProgressReporter& reporter, std::int64_t done);

    struct Bound {
        std::int64_t bytes = 0;
        SizeProblem::Bound source = SizeProblem::Bound::kListed;
    };
    Bound m_bound;
    // Ranges an earlier run saved that this one cannot go on with: the first write drops them.
    bool m_dropSavedRanges = false;
    DataEnd receiveInto(LocalFile& file, ProgressReporter& reporter, std::int64_t& done,
                        std::int64_t& total);
};

}  // namespace nubexa
