#include "ftp/download_run.h"

#include <cerrno>
#include <filesystem>
#include <vector>

#include "ftp/ftp_log.h"
#include "ftp/local_file.h"
#include "platform/notifier.h"

namespace nubexa {

namespace {

constexpr const char* kLocalFileExists = "本地路径已经存在该文件，不能下载。失败文件名为:";

// A file's data may end this many bytes short of its recorded size when the server says the
// transfer is complete (the recorded size can be behind the file).
constexpr std::int64_t kShortfallTolerance = 1024;

// No account picture is larger; a server sending more is not sending a picture.
constexpr std::int64_t kAvatarLimit = 1024 * 1024;

}  // namespace

int FTPClient::Download(TransferTask& task) {
    m_lastRunEnd = RunEnd::kFailed;
    m_lastRefusal.clear();
    return DownloadRun(*this, task).run();
}

namespace {

// Anything at the path counts, a link (even one to nowhere) included.
bool isPresent(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

}  // namespace

std::optional<std::int64_t> DownloadRun::startOffset(const std::string& path) {
    std::error_code error;
    const bool exists = isPresent(path);
    if (m_task.taskKind != task_kind::kQueuedTransfer)
        return 0;  // the avatar is written over
    const std::int64_t recorded = std::max<std::int64_t>(m_task.transferSize, 0);
    if (exists && recorded == 0) {
        // A file that was there before this task moved any byte is not ours to overwrite.
        m_client.m_notifier.showMessage("", kLocalFileExists + m_task.localFileName);
        return std::nullopt;
    }
    if (!exists)
        return 0;  // the partial file is gone: start again
    // Continue the task's own partial file; never past what it really holds.
    const auto held = std::filesystem::file_size(path, error);
    const std::int64_t offset =
        error ? 0 : std::min<std::int64_t>(recorded, static_cast<std::int64_t>(held));
    return offset > m_task.fileSize ? 0 : offset;
}

bool DownloadRun::setUp(std::int64_t offset) {
    // A server's default type is ASCII, which rewrites line ends in the bytes it sends.
    m_client.binaryType();
    const auto passive = askPassive();
    if (passive && !isPassiveCode(*passive)) {
        quit();
        return false;
    }
    if (connectData(passive.value_or(std::string())) != Passive::Connected)
        return false;
    const auto rest = exchange("REST", std::to_string(offset));
    if (rest && rest->compare(0, 4, "350 ") != 0) {
        quit();
        return false;
    }
    const auto retrieve = exchange("RETR", m_task.ftpFileName);
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
    const std::string path = m_client.localPathOf(m_task);
    const auto offset = startOffset(path);
    if (!offset) {
        quit();
        return 0;
    }
    using Creation = LocalFile::Creation;
    const Creation creation = m_task.taskKind != task_kind::kQueuedTransfer ? Creation::kEither
                              : isPresent(path)                             ? Creation::kExisting
                                                                            : Creation::kNew;
    if (!setUp(*offset))
        return 0;

    LocalFile file;
    if (!file.openForWriting(path, creation)) {
        ftp_log::openFailed(__LINE__, m_task.localFileName);
        return 0;
    }
    // Bytes past the recorded offset were never confirmed: they are received again.
    if (!file.truncateAt(*offset)) {
        ftp_log::systemError(__LINE__, "ftruncate");
        return 0;
    }
    if (m_task.taskKind == task_kind::kQueuedTransfer)
        return receiveQueued(file, *offset);
    return receiveAvatar(file, path);
}

int DownloadRun::receiveAvatar(LocalFile& file, const std::string& path) {
    std::vector<char> buffer(options().blockSize);
    std::int64_t received = 0;
    bool closed = false;
    auto lastMoved = std::chrono::steady_clock::now();
    while (received <= kAvatarLimit) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(
            static_cast<std::int64_t>(buffer.size()), kAvatarLimit + 1 - received));
        const auto result = m_data.receive(buffer.data(), want, options().dataTick);
        if (result.outcome == DataChannel::Outcome::Moved) {
            noteDataMoved(result.bytes);
            if (file.write(buffer.data(), result.bytes) < result.bytes)
                break;
            received += static_cast<std::int64_t>(result.bytes);
            lastMoved = std::chrono::steady_clock::now();
        } else if (result.outcome == DataChannel::Outcome::Closed) {
            closed = true;
            break;
        } else if (result.outcome == DataChannel::Outcome::Failed || idleTooLong(lastMoved)) {
            break;
        }
        if (stopRequested())
            break;
    }
    m_data.close();
    file.close();
    const bool confirmed = isTransferDone(readCompletion());
    quit();
    if (received > kAvatarLimit) {
        ftp_log::info(__LINE__, "the picture is larger than any account picture: not kept");
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        return 0;
    }
    return received > 0 && closed && confirmed ? completed() : 0;
}

DownloadRun::DataEnd DownloadRun::receiveInto(LocalFile& file, ProgressReporter& reporter,
                                              std::int64_t& done, std::int64_t& total) {
    std::vector<char> buffer(options().blockSize);
    // A listed size bounds what is written: a server cannot fill the disk past it. An unknown
    // size (0: a plain FTP server without SIZE) reads to the server's end.
    const std::int64_t listed = total;
    auto lastMoved = std::chrono::steady_clock::now();
    // Read to the end of the data, not just to the listed size: only the server's end of the
    // data tells a complete file from a cut one, or from one larger than listed.
    for (;;) {
        if (!heldBack()) {
            const bool atListed = listed > 0 && done >= listed;
            // At the listed size one byte is enough to tell the end from more data.
            std::size_t want = paced(buffer.size());
            if (atListed)
                want = 1;
            else if (listed > 0 && listed - done < static_cast<std::int64_t>(want))
                want = static_cast<std::size_t>(listed - done);
            const auto result = m_data.receive(buffer.data(), want, options().dataTick);
            if (result.outcome == DataChannel::Outcome::Moved) {
                noteDataMoved(result.bytes);
                if (atListed) {
                    ftp_log::info(__LINE__, "the server sends more than the listed size");
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

int DownloadRun::receiveQueued(LocalFile& file, std::int64_t offset) {
    const std::int64_t listed = std::max<std::int64_t>(m_task.fileSize, 0);
    std::int64_t total = listed;
    std::int64_t done = offset;
    m_task.transferSize = done;
    ProgressReporter reporter = makeReporter(Direction::kDownload, offset);
    const DataEnd end = receiveInto(file, reporter, done, total);
    m_data.close();
    file.close();
    if (end == DataEnd::Stopped) {
        quit();
        return stopped();
    }
    const bool confirmed = isTransferDone(readCompletion());
    // Without a listed size only the server's word tells the end from a connection cut.
    const bool wholeFile = end == DataEnd::Closed && done >= total && done <= listed;
    const bool writeFailed = end == DataEnd::WriteFailed || end == DataEnd::DiskFull;
    const bool confirmedShort =
        !writeFailed && end != DataEnd::Overrun && confirmed && done + kShortfallTolerance >= total;
    if (wholeFile || confirmedShort) {
        // The server's end of the file is its size.
        m_task.fileSize = done;
        reporter.write(done, done, true);
        m_client.trace("Recv " + m_task.ftpFileName + "(" + std::to_string(done) + ") OK!\n\n");
        quit();
        return completed();
    }
    reporter.writeEndedEarly(done, total);
    quit();
    // Trying again before the user frees space would only fill the disk again; the bytes
    // written so far stay, and a resume continues after them.
    if (end == DataEnd::DiskFull)
        return refused("磁盘空间不足：" + m_task.localPath);
    return 0;
}

}  // namespace nubexa
