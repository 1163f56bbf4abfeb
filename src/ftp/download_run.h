#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
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
    enum class DataEnd { Closed, Stopped, Unfinished, WriteFailed, DiskFull, Overrun, HandOver };

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
    // The data connection asked for from the placement's offset, and the file opened there.
    bool openStream(const LocalFolder& folder, const Placement& placement, LocalFile& file);
    // One stream that hands what is left over to ranges after the probe when it would take
    // too long alone (FtpRangeOptions::probe).
    int probeThenRanges(const LocalFolder& folder, const Placement& placement);
    // At the probe's end: whether what is left goes to ranges (true), else the prepared
    // connections are let go and the stream goes on alone.
    bool worthRanges(std::int64_t done);
    // The data ended before the bound with the server's word that the transfer was complete:
    // whether the file itself is that short, by the server's SIZE. A connection cut on the way
    // after the server had sent everything (a proxy that went away) looks the same from here.
    bool fileEndsShort();
    // The ranges of a download over several connections: the saved ones when they can go on,
    // else new ones for a big file when more than one connection is allowed. Null: one
    // stream. Bytes the file may keep (below the first unconfirmed one) in `keep`; an offset
    // the saved ranges make meaningless is set to 0.
    std::unique_ptr<RangePlan> rangePlan(const LocalFolder& folder, Placement& placement,
                                         std::int64_t& keep);
    int runRanges(const LocalFolder& folder, const Placement& placement, RangePlan& plan,
                  std::int64_t keep);
    // `handedOverAt`, when given, learns where a probing stream stopped for ranges.
    int receiveQueued(LocalFile& file, const LocalFolder& folder, const Placement& placement,
                      std::optional<std::int64_t>* handedOverAt = nullptr);
    int finishQueued(const LocalFolder& folder, const Placement& placement,
                     ProgressReporter& reporter, std::int64_t done);

    struct Bound {
        std::int64_t bytes = 0;
        SizeProblem::Bound source = SizeProblem::Bound::kListed;
    };
    Bound m_bound;
    // Ranges an earlier run saved that this one cannot go on with: the first write drops them.
    bool m_dropSavedRanges = false;
    // rangePlan() split the file anew (no saved ranges went on).
    bool m_freshSplit = false;
    // While a probing stream runs: when it decides, and where it started.
    std::optional<std::chrono::steady_clock::time_point> m_decideAt;
    std::chrono::steady_clock::time_point m_probeStart;
    std::int64_t m_probeOffset = 0;
    DataEnd receiveInto(LocalFile& file, ProgressReporter& reporter, std::int64_t& done,
                        std::int64_t& total);
};

}  // namespace nubexa
