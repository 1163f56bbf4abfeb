#include "ftp/download_run.h"

#include <cerrno>
#include <filesystem>
#include <vector>

#include "ftp/ftp_log.h"
#include "ftp/local_file.h"
#include "ftp/local_folder.h"
#include "ftp/partial_name.h"
#include "ftp/range_plan.h"
#include "ftp/segmented_download.h"
#include "platform/notifier.h"

namespace nubexa {

namespace {

constexpr const char* kLocalFileExists = "本地路径已经存在该文件，不能下载。失败文件名为:";
constexpr const char* kLinkInTheWay = "下载位置中有链接或文件挡住了文件夹，不能下载：";

}  // namespace

int FTPClient::Download(TransferTask& task) {
    m_lastRunEnd = RunEnd::kFailed;
    m_lastRefusal.clear();
    m_lastSizeProblem = {};
    const int result = DownloadRun(*this, task).run();
    dropPrepared();
    return result;
}

std::string sizeProblemText(const SizeProblem& problem) {
    using Bound = SizeProblem::Bound;
    const std::string expected = std::to_string(problem.expected);
    if (problem.kind == SizeProblem::Kind::kShorter)
        return "服务器在 " + std::to_string(problem.received) + " 字节处结束了文件，列出的大小为 " +
               expected + " 字节";
    if (problem.bound == Bound::kLimit)
        return "大小未知的文件超过了上限（" + expected + " 字节），服务器仍在发送";
    return std::string(problem.bound == Bound::kSizeAnswer ? "服务器发送的数据超过其 SIZE 回答（"
                                                           : "服务器发送的数据超过列出的大小（") +
           expected + " 字节）";
}

void DownloadRun::chooseBound() {
    if (m_task.fileSize > 0) {
        m_bound = {m_task.fileSize, SizeProblem::Bound::kListed};
        return;
    }
    // SIZE depends on the transfer type (RFC 3659): asked in the binary type of the data.
    m_client.binaryType();
    if (const auto size = m_client.RemoteSize(m_task.ftpFileName)) {
        m_task.fileSize = *size;
        m_bound = {*size, SizeProblem::Bound::kSizeAnswer};
        m_client.trace("size unknown: bound by the SIZE answer, " + std::to_string(*size) +
                       " bytes\n");
        return;
    }
    m_bound = {options().unknownSizeLimit, SizeProblem::Bound::kLimit};
    m_client.trace("size unknown and SIZE not answered: bound by the limit, " +
                   std::to_string(m_bound.bytes) + " bytes\n");
}

int DownloadRun::refusedForSize(SizeProblem::Kind kind, std::int64_t received) {
    SizeProblem& problem = m_client.m_lastSizeProblem;
    problem.kind = kind;
    problem.bound = m_bound.source;
    problem.expected = m_bound.bytes;
    problem.received = received;
    return refused(sizeProblemText(problem));
}

std::optional<DownloadRun::Placement> DownloadRun::place(const LocalFolder& folder) {
    const std::string& name = m_task.localFileName;
    const std::string partial = partialNameOf(name);
    const auto target = folder.entry(name);
    const auto held = folder.entry(partial);
    const std::int64_t recorded = std::max<std::int64_t>(m_task.transferSize, 0);
    Placement placement;
    if (target != LocalFolder::Entry::kAbsent) {
        // Tasks of earlier versions wrote under the real name: such a task with recorded bytes
        // and no partial file continues that file.
        if (recorded == 0 || held != LocalFolder::Entry::kAbsent ||
            target != LocalFolder::Entry::kFile) {
            // A file that is not this task's own is not ours to overwrite.
            m_client.m_notifier.showMessage("", kLocalFileExists + name);
            return std::nullopt;
        }
        placement.entry = name;
        placement.partial = false;
        placement.existing = true;
    } else if (held == LocalFolder::Entry::kOther) {
        m_client.m_notifier.showMessage("", kLocalFileExists + partial);
        return std::nullopt;
    } else {
        // The partial file is ours whatever it holds; without recorded bytes it starts again.
        placement.entry = partial;
        placement.existing = held == LocalFolder::Entry::kFile;
    }
    if (placement.existing) {
        // Never past what the file really holds.
        const std::int64_t offset = std::min(recorded, folder.sizeOf(placement.entry).value_or(0));
        placement.offset = offset > m_task.fileSize ? 0 : offset;
    }
    return placement;
}

bool DownloadRun::setUp(std::int64_t offset) {
    // A server's default type is ASCII, which rewrites line ends in the bytes it sends.
    m_client.binaryType();
    const auto passive = askPassive();
    if (passive && !isPassiveCode(*passive)) {
        quit();
        return false;
    }
    std::optional<std::string> retrieve;
    // A new transfer starts at 0 anyway: REST 0 would cost a round trip for a known answer.
    if (offset == 0) {
        const Started started =
            connectAndStart(passive.value_or(std::string()), "RETR", m_task.ftpFileName);
        if (started.passive != Passive::Connected)
            return false;
        retrieve = started.reply;
    } else {
        if (connectData(passive.value_or(std::string())) != Passive::Connected)
            return false;
        const auto rest = exchange("REST", std::to_string(offset));
        if (rest && rest->compare(0, 4, "350 ") != 0) {
            quit();
            return false;
        }
        retrieve = exchange("RETR", m_task.ftpFileName);
    }
    if (retrieve) {
        if (!isTransferStart(*retrieve)) {
            quit();
            return false;
        }
        owesCompletion();
    }
    return true;
}

int DownloadRun::run() {
    if (!isPlainFileName(m_task.localFileName)) {
        errno = EINVAL;
        ftp_log::openFailed(__LINE__, m_task.localFileName);
        quit();
        return 0;
    }
    return runQueued();
}

bool DownloadRun::openFolder(LocalFolder& folder) {
    const std::string directory =
        m_task.localPath.empty() ? m_client.m_localDirectory : m_task.localPath;
    std::string root = m_task.localRoot;
    if (!root.empty() && root.back() != '/')
        root.push_back('/');
    // The folders a folder download made below the chosen one are reached without links.
    if (!root.empty() && directory.size() > root.size() &&
        directory.compare(0, root.size(), root) == 0)
        return folder.open(root, directory.substr(root.size()));
    return folder.open(directory, {});
}

int DownloadRun::runQueued() {
    LocalFolder folder;
    if (!openFolder(folder)) {
        const int why = errno;
        ftp_log::openFailed(__LINE__, m_task.localPath);
        quit();
        // A link (or a file) where a folder of the download should be stays until the user
        // removes it; a missing folder may come back (a disk mounted again).
        if (why == ELOOP || why == EXDEV || why == ENOTDIR)
            return refused(kLinkInTheWay + m_task.localPath);
        return 0;
    }
    chooseBound();
    auto placement = place(folder);
    if (!placement) {
        quit();
        return 0;
    }
    std::int64_t keep = 0;
    if (const auto plan = rangePlan(folder, *placement, keep)) {
        if (m_freshSplit && options().ranges.probe.count() > 0)
            return probeThenRanges(folder, *placement);
        return runRanges(folder, *placement, *plan, keep);
    }
    return runOneStream(folder, *placement);
}

int DownloadRun::probeThenRanges(const LocalFolder& folder, const Placement& placement) {
    LocalFile file;
    if (!openStream(folder, placement, file))
        return 0;
    m_probeStart = std::chrono::steady_clock::now();
    m_probeOffset = placement.offset;
    m_decideAt = m_probeStart + options().ranges.probe;
    std::optional<std::int64_t> handedOverAt;
    const int result = receiveQueued(file, folder, placement, &handedOverAt);
    if (!handedOverAt) {
        m_client.dropPrepared();
        return result;
    }
    m_client.trace("one stream to byte " + std::to_string(*handedOverAt) +
                   ", the rest in ranges\n");
    Placement rest = placement;
    rest.offset = *handedOverAt;
    rest.existing = true;
    std::int64_t keep = 0;
    if (const auto plan = rangePlan(folder, rest, keep))
        return runRanges(folder, rest, *plan, keep);
    return runOneStream(folder, rest);
}

bool DownloadRun::worthRanges(std::int64_t done) {
    m_decideAt.reset();
    const auto elapsed = std::chrono::steady_clock::now() - m_probeStart;
    const std::int64_t moved = done - m_probeOffset;
    const std::int64_t left = m_bound.bytes - done;
    // Bytes per millisecond so far against what is left: longer than `worth` alone.
    const auto elapsedMs = std::max<std::int64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 1);
    if (left > 0 && (moved <= 0 || left * elapsedMs > moved * options().ranges.worth.count())) {
        // They sign in while this stream ends.
        m_client.prepareBeside(m_client.m_downloadConnections - 1, m_client.m_remoteFolder);
        return true;
    }
    m_client.dropPrepared();
    return false;
}

int DownloadRun::runOneStream(const LocalFolder& folder, const Placement& placement) {
    // Connections prepared for ranges would hold their places for the whole stream.
    m_client.dropPrepared();
    LocalFile file;
    if (!openStream(folder, placement, file))
        return 0;
    return receiveQueued(file, folder, placement);
}

bool DownloadRun::openStream(const LocalFolder& folder, const Placement& placement,
                             LocalFile& file) {
    if (!setUp(placement.offset))
        return false;
    using Creation = LocalFile::Creation;
    if (!file.openForWriting(folder, placement.entry,
                             placement.existing ? Creation::kExisting : Creation::kNew)) {
        ftp_log::openFailed(__LINE__, m_task.localFileName);
        return false;
    }
    // Bytes past the recorded offset were never confirmed: they are received again.
    if (!file.truncateAt(placement.offset)) {
        ftp_log::systemError(__LINE__, "ftruncate");
        return false;
    }
    return true;
}

std::unique_ptr<RangePlan> DownloadRun::rangePlan(const LocalFolder& folder, Placement& placement,
                                                  std::int64_t& keep) {
    // An earlier version's file under the real name, or a file of unknown size, takes one
    // stream as before.
    if (!placement.partial || m_bound.source == SizeProblem::Bound::kLimit)
        return nullptr;
    const std::int64_t size = m_task.fileSize;
    const std::int64_t held =
        placement.existing ? folder.sizeOf(placement.entry).value_or(0) : std::int64_t{0};
    const auto saved = m_client.m_progress.savedRanges(m_task.id);
    if (!saved.empty()) {
        if (placement.existing && RangePlan::resumable(saved, size, m_task.transferSize, held)) {
            keep = std::min(held, size);
            return std::make_unique<RangePlan>(saved);
        }
        // The recorded bytes are a sum over ranges that no longer fit: not a prefix.
        placement.offset = 0;
        m_dropSavedRanges = true;
    }
    const FtpRangeOptions& ranges = options().ranges;
    if (m_client.m_downloadConnections < 2 || size < ranges.threshold)
        return nullptr;
    auto split = RangePlan::split(size, m_client.m_downloadConnections, ranges.smallest);
    if (split.size() < 2)
        return nullptr;
    RangePlan::markPrefix(split, placement.offset);
    keep = placement.offset;
    m_freshSplit = true;
    return std::make_unique<RangePlan>(std::move(split));
}

int DownloadRun::runRanges(const LocalFolder& folder, const Placement& placement, RangePlan& plan,
                           std::int64_t keep) {
    const std::int64_t size = plan.size();
    LocalFile file;
    using Creation = LocalFile::Creation;
    if (!file.openForWriting(folder, placement.entry,
                             placement.existing ? Creation::kExisting : Creation::kNew)) {
        ftp_log::openFailed(__LINE__, m_task.localFileName);
        quit();
        return 0;
    }
    if (!file.truncateAt(keep)) {
        ftp_log::systemError(__LINE__, "ftruncate");
        quit();
        return 0;
    }
    m_task.transferSize = plan.done();
    ProgressReporter reporter = makeReporter(Direction::kDownload, plan.done());
    const RangeRun::End end = SegmentedDownload(m_client, m_task, file, plan)
                                  .run(m_client.m_downloadConnections, reporter);
    file.close();
    m_task.transferSize = plan.done();
    using End = RangeRun::End;
    if (end == End::kComplete) {
        reporter.keepRanges({});
        quit();
        return finishQueued(folder, placement, reporter, plan.size());
    }
    if (end == End::kStopped) {
        quit();
        return stopped();
    }
    if (end == End::kRestRefused) {
        // Only one stream from the start works with such a server. The row says 0 and drops the
        // ranges in one write before the file is cut: a kill in between resumes nothing stale.
        m_client.trace("REST refused: one stream from the start\n");
        reporter.keepRanges({});
        reporter.write(0, size);
        m_task.transferSize = 0;
        m_dropSavedRanges = true;
        Placement whole = placement;
        whole.offset = 0;
        whole.existing = true;
        return runOneStream(folder, whole);
    }
    reporter.writeEndedEarly(plan.done(), size);
    const bool shorter = end == End::kShorter && fileEndsShort();
    quit();
    if (end == End::kDiskFull)
        return refused("磁盘空间不足：" + m_task.localPath);
    if (end == End::kLonger)
        return refusedForSize(SizeProblem::Kind::kLonger, size);
    if (shorter)
        return refusedForSize(SizeProblem::Kind::kShorter, plan.done());
    return 0;
}

bool DownloadRun::fileEndsShort() {
    const auto answer = exchange("SIZE", m_task.ftpFileName);
    // No answer: the control connection went with the data, so the line is to blame.
    if (!answer || answer->empty())
        return false;
    const auto size = FTPClient::sizeIn(*answer);
    // A server that does not tell: its word that the transfer was complete stands.
    return !size || *size < m_bound.bytes;
}

DownloadRun::DataEnd DownloadRun::receiveInto(LocalFile& file, ProgressReporter& reporter,
                                              std::int64_t& done, std::int64_t& total) {
    std::vector<char> buffer(options().blockSize);
    // The bound (listed size, SIZE answer or limit) caps what is written: a server cannot fill
    // the disk past it.
    const std::int64_t bound = m_bound.bytes;
    auto lastMoved = std::chrono::steady_clock::now();
    // Read to the end of the data, not just to the bound: only the server's end of the data
    // tells a complete file from a cut one, or from one larger than its bound.
    for (;;) {
        if (!heldBack()) {
            const bool atListed = done >= bound;
            // At the bound one byte is enough to tell the end from more data.
            std::size_t want = paced(buffer.size());
            if (atListed)
                want = 1;
            else if (bound - done < static_cast<std::int64_t>(want))
                want = static_cast<std::size_t>(bound - done);
            const auto result = m_data.receive(buffer.data(), want, options().dataTick);
            if (result.outcome == DataChannel::Outcome::Moved) {
                noteDataMoved(result.bytes);
                if (atListed) {
                    ftp_log::info(__LINE__, "the server sends more than the file's bound");
                    return DataEnd::Overrun;
                }
                const std::size_t written = file.write(buffer.data(), result.bytes);
                done += static_cast<std::int64_t>(written);
                total = std::max(total, done);
                m_task.transferSize = done;
                m_task.fileSize = total;
                if (written < result.bytes) {
                    const int why = errno;
                    ftp_log::systemError(__LINE__, "write");
                    return why == ENOSPC || why == EDQUOT ? DataEnd::DiskFull
                                                          : DataEnd::WriteFailed;
                }
                lastMoved = std::chrono::steady_clock::now();
                if (m_decideAt && lastMoved >= *m_decideAt && worthRanges(done))
                    return DataEnd::HandOver;
            } else if (result.outcome == DataChannel::Outcome::Closed) {
                return DataEnd::Closed;
            } else if (result.outcome == DataChannel::Outcome::Failed || idleTooLong(lastMoved)) {
                return DataEnd::Unfinished;
            }
        }
        if (!reporter.update(done, total))
            return DataEnd::Stopped;
    }
}

int DownloadRun::receiveQueued(LocalFile& file, const LocalFolder& folder,
                               const Placement& placement,
                               std::optional<std::int64_t>* handedOverAt) {
    const std::int64_t listed = std::max<std::int64_t>(m_task.fileSize, 0);
    std::int64_t total = listed;
    std::int64_t done = placement.offset;
    m_task.transferSize = done;
    ProgressReporter reporter = makeReporter(Direction::kDownload, placement.offset);
    if (m_dropSavedRanges)
        reporter.keepRanges({});
    const DataEnd end = receiveInto(file, reporter, done, total);
    m_decideAt.reset();
    m_data.close();
    file.close();
    if (end == DataEnd::Stopped) {
        quit();
        return stopped();
    }
    if (end == DataEnd::HandOver && handedOverAt != nullptr) {
        // The server's word on the stream cut here comes before any other command; the row
        // says where it ended before the ranges start, so a kill in between resumes there.
        readCompletion();
        if (!reporter.write(done, total)) {
            quit();
            return stopped();
        }
        *handedOverAt = done;
        return 0;
    }
    const bool confirmed = isTransferDone(readCompletion());
    // Without a listed size only the server's word tells the end from a connection cut.
    const bool wholeFile = end == DataEnd::Closed && done >= total && done <= listed;
    const bool writeFailed = end == DataEnd::WriteFailed || end == DataEnd::DiskFull;
    const bool confirmedShort =
        !writeFailed && end != DataEnd::Overrun && confirmed && done + kShortfallTolerance >= total;
    if (wholeFile || confirmedShort) {
        quit();
        return finishQueued(folder, placement, reporter, done);
    }
    reporter.writeEndedEarly(done, total);
    const bool shorter = end == DataEnd::Closed && confirmed && !writeFailed &&
                         m_bound.source != SizeProblem::Bound::kLimit && fileEndsShort();
    quit();
    // Trying again before the user frees space would only fill the disk again; the bytes
    // written so far stay, and a resume continues after them.
    if (end == DataEnd::DiskFull)
        return refused("磁盘空间不足：" + m_task.localPath);
    // The server's own word on the file disagrees with its size: a retry gets the same.
    if (end == DataEnd::Overrun)
        return refusedForSize(SizeProblem::Kind::kLonger, done);
    if (shorter)
        return refusedForSize(SizeProblem::Kind::kShorter, done);
    return 0;
}

int DownloadRun::finishQueued(const LocalFolder& folder, const Placement& placement,
                              ProgressReporter& reporter, std::int64_t done) {
    // The server's end of the file is its size.
    m_task.fileSize = done;
    // Renamed before the row says 100: a crash in between leaves a whole file under its name,
    // which the next run continues as an earlier version's task, never a lost one.
    if (placement.partial && !folder.renameNoReplace(placement.entry, m_task.localFileName)) {
        const int why = errno;
        ftp_log::systemError(__LINE__, "renameat2");
        reporter.writeEndedEarly(done, done);
        // Somebody else's file took the name meanwhile: ours waits beside it.
        if (why == EEXIST)
            return refused(kLocalFileExists + m_task.localFileName);
        return 0;
    }
    reporter.write(done, done, true);
    m_client.trace("Recv " + m_task.ftpFileName + "(" + std::to_string(done) + ") OK!\n\n");
    return completed();
}

}  // namespace nubexa
