#include "ftp/upload_run.h"

#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "ftp/ftp_log.h"
#include "ftp/local_file.h"
#include "ftp/passive_address.h"
#include "ftp/upload_registrar.h"
#include "platform/md5_digest.h"
#include "platform/notifier.h"

namespace nubexa {

namespace {

constexpr const char* kLocalFileMissing = "本地文件未找到或位置发现变化，上传失败。失败文件名为:";
constexpr const char* kLocalFileUnreadable = "没有读取本地文件的权限：";

// What tells one version of a local file from the next.
struct FileVersion {
    std::int64_t size = -1;
    std::filesystem::file_time_type modified{};
    bool operator!=(const FileVersion& other) const {
        return size != other.size || modified != other.modified;
    }
};

FileVersion versionOf(const std::string& path) {
    std::error_code error;
    FileVersion version;
    version.size = static_cast<std::int64_t>(std::filesystem::file_size(path, error));
    if (error)
        return {};
    version.modified = std::filesystem::last_write_time(path, error);
    return version;
}

}  // namespace

int FTPClient::Upload(TransferTask& task, UploadRegistrar* registrar) {
    m_lastRunEnd = RunEnd::kFailed;
    m_lastRefusal.clear();
    return UploadRun(*this, task, registrar).run();
}

int UploadRun::run() {
    std::error_code error;
    const std::string path = m_client.localPathOf(m_task);
    if (!isPlainFileName(m_task.localFileName) || !std::filesystem::is_regular_file(path, error)) {
        m_client.m_notifier.showMessage("", kLocalFileMissing + m_task.localFileName);
        quit();
        return refused(kLocalFileMissing + m_task.localFileName);
    }
    const FileVersion before = versionOf(path);
    m_client.binaryType();

    LocalFile file;
    if (!file.openForReading(path)) {
        const int why = errno;
        ftp_log::openFailed(__LINE__, m_task.localFileName);
        // Its rights do not change by themselves: the user has to give them.
        if (why == EACCES || why == EPERM)
            return refused(kLocalFileUnreadable + m_task.localFileName);
        return 0;
    }
    const auto size = file.size();
    if (!size) {
        ftp_log::systemError(__LINE__, "get_info");
        return 0;
    }
    m_task.fileSize = *size;
    std::int64_t offset = resumeOffset(*size);
    // Every byte is on the server already (an earlier run ended after its data): opening a
    // data connection would ask the server to append nothing to a file it may have finished.
    if (offset > 0 && offset == *size)
        return finishWithoutData(file, *size);
    if (!setUp(offset))
        return 0;

    // The service checks the bytes it received against this digest, so it covers the whole
    // file, skipped part included. Moving bytes alone needs none.
    std::optional<Md5Digest> digest;
    if (m_registrar != nullptr)
        digest.emplace();
    Md5Digest* hashing = digest ? &*digest : nullptr;
    if (!skip(file, offset, hashing)) {
        quit();
        return 0;
    }
    std::int64_t done = offset;
    m_task.transferSize = done;
    ProgressReporter reporter = makeReporter(Direction::kUpload, offset);
    switch (send(file, reporter, done, *size, hashing)) {
        case DataEnd::Stopped:
            m_data.close();
            quit();
            return stopped();
        case DataEnd::Unfinished:
            m_data.close();
            quit();
            return 0;
        case DataEnd::Sent:
            break;
    }
    // Bytes of two versions of the file would pass for one: a file written to while it was
    // read goes again, whole.
    if (versionOf(path) != before) {
        m_data.close();
        quit();
        m_task.transferSize = 0;
        reporter.write(0, *size);
        return 0;
    }
    return finish(reporter, *size, hashing);
}

bool UploadRun::connected(Passive passive) {
    if (passive == Passive::NoAddress)
        quit();
    return passive == Passive::Connected;
}

std::int64_t UploadRun::resumeOffset(std::int64_t localSize) {
    const std::int64_t recorded = std::max<std::int64_t>(m_task.transferSize, 0);
    if (recorded == 0 || recorded > localSize)
        return 0;  // nothing done, or the local file is not the one that was started
    // The recorded count is what left this side; the server may hold less (bytes lost with a
    // dropped connection) or a different file. Continue where its copy really ends.
    if (const auto held = m_client.RemoteSize(m_task.ftpFileName))
        return *held > localSize ? 0 : std::min(recorded, *held);
    // 550: the server has no such file (finished and renamed, or cleaned away); a server that
    // knows no SIZE is trusted with the recorded count.
    return replyCode(m_client.m_lastReply) == "550" ? 0 : recorded;
}

bool UploadRun::setUp(std::int64_t& offset) {
    auto passive = askPassive();
    // A late reply of an earlier command (TYPE's 200, PWD's 257) came first: the PASV reply
    // itself follows it.
    for (int late = 0; passive && late < 2 && !passivePort(*passive) &&
                       (replyCode(*passive) == "200" || replyCode(*passive) == "257");
         ++late) {
        std::string next;
        m_client.ReadReply(next);
        if (next.empty())
            break;
        passive = next;
    }
    if (passive) {
        const std::string code = replyCode(*passive);
        if (!isPassiveCode(*passive) && code != "257" && code != "200" && *passive != " " &&
            !passive->empty()) {
            quit();
            return false;
        }
        m_task.dataChannelReply = *passive;
    }
    std::optional<std::string> store;
    if (offset == 0) {
        const Started started =
            connectAndStart(m_task.dataChannelReply, "STOR", m_task.ftpFileName);
        if (!connected(started.passive))
            return false;
        store = started.reply;
    } else {
        if (!connected(connectData(m_task.dataChannelReply)))
            return false;
        // A server that does not restart would take the rest as the whole file: send it all.
        const auto rest = exchange("REST", std::to_string(offset));
        if (rest && replyCode(*rest) != "350")
            offset = 0;
        store = exchange("STOR", m_task.ftpFileName);
    }
    if (store) {
        if (!isTransferStart(*store)) {
            // 553: the server will not take this name, however often it is sent.
            if (replyCode(*store) == "553")
                refused("网盘拒绝了文件名：" + m_task.ftpFileName);
            quit();
            return false;
        }
        owesCompletion();
    }
    return true;
}

bool UploadRun::skip(LocalFile& file, std::int64_t offset, Md5Digest* digest) {
    if (digest == nullptr)
        return file.seekTo(offset);
    std::vector<char> buffer(options().blockSize);
    for (std::int64_t left = offset; left > 0;) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size())));
        const std::int64_t n = file.read(buffer.data(), want);
        if (n <= 0)
            return false;
        digest->update(buffer.data(), static_cast<std::size_t>(n));
        left -= n;
    }
    return true;
}

UploadRun::DataEnd UploadRun::send(LocalFile& file, ProgressReporter& reporter, std::int64_t& done,
                                   std::int64_t size, Md5Digest* digest) {
    std::vector<char> buffer(options().blockSize);
    auto lastMoved = std::chrono::steady_clock::now();
    while (done < size) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(size - done, static_cast<std::int64_t>(buffer.size())));
        const std::int64_t read = file.read(buffer.data(), want);
        if (read <= 0)
            return DataEnd::Unfinished;  // the file ended before its size
        if (digest != nullptr)
            digest->update(buffer.data(), static_cast<std::size_t>(read));
        for (std::size_t at = 0; at < static_cast<std::size_t>(read);) {
            if (!heldBack()) {
                const auto result =
                    m_data.send(buffer.data() + at, paced(static_cast<std::size_t>(read) - at),
                                options().dataTick);
                at += result.bytes;
                done += static_cast<std::int64_t>(result.bytes);
                m_task.transferSize = done;
                if (result.bytes > 0) {
                    noteDataMoved(result.bytes);
                    lastMoved = std::chrono::steady_clock::now();
                }
                if (result.outcome == DataChannel::Outcome::Failed || idleTooLong(lastMoved))
                    return DataEnd::Unfinished;
            }
            if (!reporter.update(done, size))
                return DataEnd::Stopped;
        }
    }
    return DataEnd::Sent;
}

std::string UploadRun::registerFile(std::int64_t size, const std::string& hash) {
    // Registered under the name the file was stored with: the local one mapped to what the
    // service accepts.
    const auto [name, ext] = FTPClient::SplitNameExt(m_task.ftpFileName);
    return m_registrar->registerUpload(name, ext, size, m_task.parentId, hash);
}

int UploadRun::finish(ProgressReporter& reporter, std::int64_t size, Md5Digest* digest) {
    m_data.finishSending();
    // The server's word that it holds every byte; a refusal (552 disk full) leaves the row at
    // its last write for a retry.
    auto confirm = [this] { return isTransferDone(readCompletion()); };
    std::optional<std::string> id;
    bool stored = false;
    if (m_registrar == nullptr) {
        stored = confirm();
    } else {
        // Registered before the 226 is read: the server sends it while the registration is on
        // its way, so the two waits take one round trip, not two, and no thread is needed.
        // Registering bytes the server then refuses is harmless: registering them again gives
        // back the same id.
        id = registerFile(size, digest->hexUpper());
        stored = confirm();
    }
    m_data.close();
    if (!stored) {
        quit();
        return 0;
    }
    return allBytesStored(reporter, size, digest, std::move(id));
}

int UploadRun::finishWithoutData(LocalFile& file, std::int64_t size) {
    ProgressReporter reporter = makeReporter(Direction::kUpload, size);
    std::optional<Md5Digest> digest;
    if (m_registrar != nullptr) {
        digest.emplace();
        if (!skip(file, size, &*digest)) {
            quit();
            return 0;
        }
    }
    return allBytesStored(reporter, size, digest ? &*digest : nullptr, std::nullopt);
}

int UploadRun::allBytesStored(ProgressReporter& reporter, std::int64_t size, Md5Digest* digest,
                              std::optional<std::string> id) {
    m_task.transferSize = size;
    m_task.transferSizeText = std::to_string(size);
    if (m_registrar == nullptr) {
        reporter.finishUpload(size);
        quit();
        return completed();
    }
    return renameToId(reporter, size, id ? *id : registerFile(size, digest->hexUpper()));
}

int UploadRun::renameToId(ProgressReporter& reporter, std::int64_t size, const std::string& id) {
    const std::string ext = FTPClient::SplitNameExt(m_task.ftpFileName).second;
    if (id.empty()) {
        // Every byte is on the server: recorded now, a retry only registers and renames (a run
        // that goes through writes no row between its data and its finish).
        reporter.write(size, size);
        quit();
        const std::string why = m_registrar->refusal();
        return why.empty() ? 0 : refused(why);
    }
    const std::string finalName = id + ext;
    bool done = m_client.Rename(m_task.ftpFileName, finalName);
    const bool refused = !done && replyCode(m_client.m_lastReply).rfind('5', 0) == 0;
    // A rename refused because an earlier run already finished it: the file under its id name
    // with the registered size is the proof.
    if (!done)
        done = m_client.RemoteSize(finalName) == size;
    if (done) {
        reporter.finishUpload(size);
        quit();
        return completed();
    }
    if (refused) {
        // The server keeps bytes that do not match the registration: send them all again.
        m_task.transferSize = 0;
        reporter.write(0, size);
    } else {
        reporter.write(size, size);
    }
    quit();
    return 0;
}

}  // namespace nubexa
