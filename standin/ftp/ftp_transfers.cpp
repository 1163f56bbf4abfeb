// Data commands of the file server: PASV/EPSV, REST, RETR, STOR/APPE and the RNFR/RNTO pair
// that finalises an upload registered with FileAdd.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "standin/ftp/ftp_session.h"
#include "standin/store/account_store.h"
#include "standin/store/upload_registry.h"
#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

// Closes a file descriptor on every path.
struct FileHandle {
    int fd = -1;
    ~FileHandle() {
        if (fd >= 0)
            ::close(fd);
    }
};

// The digest of the first `size` bytes of a staged upload.
std::optional<Md5Stream> md5OfPrefix(int fd, std::int64_t size) {
    Md5Stream digest;
    std::vector<char> buffer(1 << 16);
    std::int64_t at = 0;
    while (at < size) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(size - at, static_cast<std::int64_t>(buffer.size())));
        const ssize_t n = ::pread(fd, buffer.data(), want, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        digest.update(buffer.data(), static_cast<std::size_t>(n));
        at += n;
    }
    return digest;
}

constexpr const char* kStagingFull = "Staging space used up: finish or drop earlier uploads first.";

}  // namespace

std::int64_t FtpSession::freeSpace() const {
    SqlTx tx(m_service.database);
    return std::max<std::int64_t>(0,
                                  m_account->diskSize - AccountStore(tx).usedSize(m_account->id));
}

bool FtpSession::openTransfer(Socket& connection, const std::string& opening) {
    if (!m_data.isOpen()) {
        reply(425, "Use PASV or EPSV first.");
        return false;
    }
    // 150 first: clients that connect only after it work as well as those that connected
    // right after PASV.
    if (!reply(150, opening)) {
        m_data.close();
        return false;
    }
    const IoResult accepted = m_data.accept(m_peer, connection, m_settings.dataTimeoutMs, m_stop);
    m_data.close();
    if (accepted != IoResult::Done) {
        reply(425, "Cannot open data connection.");
        return false;
    }
    return protectData(connection);
}

bool FtpSession::onPassive(bool extended) {
    const std::string local = m_control.localAddress();
    if (!extended && local.find(':') != std::string::npos)
        return reply(425, "PASV needs IPv4; use EPSV.");
    if (auto opened = m_data.open(local, m_ports); !opened) {
        log("passive listener: " + opened.message);
        return reply(425, "Cannot open a passive port.");
    }
    const int port = m_data.port();
    if (extended)
        return reply(229, "Entering Extended Passive Mode (|||" + std::to_string(port) + "|).");
    std::string address = local;
    for (char& c : address) {
        if (c == '.')
            c = ',';
    }
    return reply(227, "Entering Passive Mode (" + address + "," + std::to_string(port / 256) + "," +
                          std::to_string(port % 256) + ").");
}

bool FtpSession::onRest(const std::string& argument) {
    const auto offset = parseCount(argument);
    if (!offset)
        return reply(501, "REST needs a byte offset.");
    m_restOffset = *offset;
    return reply(350, "Restarting at " + std::to_string(*offset) + ". Send STOR or RETR.");
}

bool FtpSession::onRetr(const std::string& argument) {
    const std::int64_t offset = m_restOffset;
    m_restOffset = 0;
    const auto target = readableTarget(argument, true);
    if (!target) {
        m_data.close();
        return reply(550, "No such file.");
    }
    FileHandle file{::open(target->path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) {
        m_data.close();
        return reply(550, "File is not available.");
    }
    if (offset > target->size) {
        m_data.close();
        return reply(554, "Restart offset " + std::to_string(offset) + " is beyond the file size " +
                              std::to_string(target->size) + ".");
    }
    Socket connection;
    if (!openTransfer(connection, "Opening BINARY mode data connection for " + target->label +
                                      " (" + std::to_string(target->size) + " bytes)."))
        return true;
    const TransferResult sent =
        sendFile(connection, file.fd, offset, m_settings.dataTimeoutMs, m_stop);
    log("sent " + std::to_string(sent.bytes) + " bytes of " + target->label);
    if (sent.status == IoResult::Stopped)
        return false;
    return sent.status == IoResult::Done ? reply(226, "Transfer complete.")
                                         : reply(426, "Connection closed; transfer aborted.");
}

bool FtpSession::onStore(const std::string& argument, bool append) {
    const std::int64_t rest = m_restOffset;
    m_restOffset = 0;
    std::int64_t folderId = 0;
    std::string name;
    const auto staged = stagedTarget(argument, folderId, name);
    if (!staged) {
        m_data.close();
        return reply(553, "File name not allowed here.");
    }
    auto claim = m_service.content.claim(staged->path);
    if (!claim) {
        m_data.close();
        return reply(450, "This file is being uploaded by another session.");
    }
    // STOR starts over unless REST named where to continue; APPE continues at the end.
    const std::int64_t present = std::max<std::int64_t>(staged->size, 0);
    const std::int64_t offset = append && rest == 0 ? present : rest;
    if (offset > present) {
        m_data.close();
        return reply(554, "Restart offset " + std::to_string(offset) + " is beyond the " +
                              std::to_string(present) + " bytes stored.");
    }
    if (m_service.content.diskNearlyFull()) {
        m_data.close();
        log("staging: the data folder's disk is nearly full");
        return reply(452, "Insufficient storage space on the server.");
    }
    // An account keeps at most its free space in staging, all its sessions together, so
    // abandoned or parallel uploads cannot fill the machine's disk. The room is taken under
    // the area's lock here and as each block arrives.
    const std::int64_t stagingRoom = freeSpace();
    bool stagingFull = false;
    const auto mayGrowTo = [&](std::int64_t size) {
        stagingFull = !m_service.content.growStaged(m_account->id, staged->path, size, stagingRoom);
        return !stagingFull;
    };
    if (!mayGrowTo(offset)) {
        m_data.close();
        return reply(552, kStagingFull);
    }
    // The digest continues from where the last transfer of this upload left it; only a
    // restart at another point reads the kept bytes again.
    std::optional<Md5Stream> digest = offset == 0
                                          ? std::make_optional<Md5Stream>()
                                          : m_service.content.digestAt(staged->path, offset);
    if (const auto dir = staged->path.substr(0, staged->path.rfind('/')); !dir.empty())
        ::mkdir(dir.c_str(), 0700);
    FileHandle file{::open(staged->path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)};
    if (file.fd < 0 || ::ftruncate(file.fd, offset) != 0 ||
        (!digest && !(digest = md5OfPrefix(file.fd, offset))) ||
        ::lseek(file.fd, offset, SEEK_SET) < 0) {
        m_data.close();
        log("staging: cannot prepare " + staged->path);
        return reply(451, "Cannot store the file now.");
    }
    Socket connection;
    if (!openTransfer(connection, "Ok to send data."))
        return true;
    const TransferResult received =
        receiveToFile(connection, file.fd, offset, m_account->uploadLimit, m_settings.dataTimeoutMs,
                      m_stop, &*digest, mayGrowTo);
    m_service.content.keepDigest(staged->path, *digest);
    log("stored " + std::to_string(received.bytes) + " bytes of " + name + " at " +
        std::to_string(offset));
    if (received.status == IoResult::Stopped)
        return false;
    if (received.overLimit)
        return reply(552,
                     stagingFull ? kStagingFull : "The file is larger than your upload limit.");
    if (received.fileError)
        return reply(451, "Cannot write the file.");
    // A client that vanished keeps its bytes: the next REST continues after them.
    // An upload joins the disk only once the web API registers it (FileAdd, then a rename).
    return received.status == IoResult::Done
               ? reply(226, "Transfer complete; the file is staged until it is registered.")
               : reply(426, "Connection closed; transfer aborted.");
}

bool FtpSession::onRnfr(const std::string& argument) {
    m_renameFrom.clear();
    std::int64_t folderId = 0;
    std::string name;
    const auto staged = stagedTarget(argument, folderId, name);
    if (!staged || staged->size < 0)
        return reply(550, "No upload of that name in this folder.");
    m_renameFrom = staged->path;
    return reply(350, "Ready for RNTO.");
}

bool FtpSession::onRnto(const std::string& argument) {
    const std::string staged = m_renameFrom;
    m_renameFrom.clear();
    if (staged.empty())
        return reply(503, "Send RNFR first.");
    const std::string target = parseFilePath(argument).name;
    std::size_t digits = 0;
    while (digits < target.size() && target[digits] >= '0' && target[digits] <= '9')
        ++digits;
    const auto fileId = parseCount(target.substr(0, digits));
    if (!fileId)
        return reply(553, "Rename an upload to its id and extension.");
    const auto claim = m_service.content.claim(staged);
    if (!claim)
        return reply(450, "This file is being uploaded by another session.");
    const Outcome finished = finalizeUpload(m_service.database, m_service.content, m_account->id,
                                            *fileId, target.substr(digits), staged);
    if (!finished) {
        log("finalise " + target + ": " + finished.message);
        return reply(550, "Not finalised: " + finished.message + ".");
    }
    return reply(250, "Upload finalised as " + target + ".");
}

}  // namespace nubexa::standin
