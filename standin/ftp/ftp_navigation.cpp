// Folder commands and look-ups of the file server: CWD, PWD, LIST, NLST, SIZE.
#include <cstdio>
#include <ctime>

#include "standin/store/folder_store.h"
#include "standin/ftp/ftp_session.h"
#include "standin/store/listing_store.h"
#include "standin/demo/sample_content.h"
#include "standin/util/text_util.h"
#include "standin/store/upload_registry.h"

namespace nubexa::standin {

namespace {

std::string listLine(bool folder, std::int64_t size, std::int64_t created,
                     const std::string& name) {
    const std::time_t t = static_cast<std::time_t>(created);
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%b %d %H:%M", &local);
    char head[96];
    std::snprintf(head, sizeof head, "%s 1 nubexa nubexa %12lld %s ",
                  folder ? "drwxr-xr-x" : "-rw-r--r--", static_cast<long long>(size), stamp);
    return head + name + "\r\n";
}

}  // namespace

std::optional<std::int64_t> FtpSession::folderOf(const FtpPath& path) {
    SqlTx tx(m_service.database);
    return FolderStore(tx, m_account->id).resolve(path.absolute ? 0 : m_folderId, path.folders);
}

bool FtpSession::onCwd(const std::string& argument) {
    if (argument.empty())
        return reply(501, "Name a folder.");
    const auto folder = folderOf(parseFolderPath(argument));
    if (!folder)
        return reply(550, "No such folder.");
    m_folderId = *folder;
    SqlTx tx(m_service.database);
    m_folderNames = FolderStore(tx, m_account->id).pathNames(m_folderId);
    return reply(250, "Directory successfully changed.");
}

bool FtpSession::onPwd() {
    return reply(257, "\"" + printablePath(m_folderNames) + "\" is the current directory.");
}

bool FtpSession::onList(const std::string& argument, bool namesOnly) {
    // Options such as "-a" or "-la" are for Unix ls; the listing is the same without them.
    const std::string path = !argument.empty() && argument.front() == '-' ? "" : argument;
    const auto folder =
        path.empty() ? std::optional<std::int64_t>(m_folderId) : folderOf(parseFolderPath(path));
    if (!folder) {
        m_data.close();
        return reply(550, "No such folder.");
    }
    std::string text;
    {
        SqlTx tx(m_service.database);
        const Listing listing = ListingStore(tx, m_account->id).folder(*folder);
        for (const auto& entry : listing.folders)
            text += namesOnly ? entry.row.name + "\r\n"
                              : listLine(true, 0, entry.row.created, entry.row.name);
        for (const auto& entry : listing.files)
            text += namesOnly
                        ? entry.row.fullName() + "\r\n"
                        : listLine(false, entry.row.size, entry.row.created, entry.row.fullName());
    }
    Socket connection;
    if (!openTransfer(connection, "Here comes the listing."))
        return true;
    const IoResult sent = connection.sendAll(text, m_settings.dataTimeoutMs, m_stop);
    connection.close();
    return sent == IoResult::Done ? reply(226, "Directory send OK.")
                                  : reply(426, "Connection closed; listing aborted.");
}

std::optional<FtpSession::Target> FtpSession::readableTarget(const std::string& argument,
                                                             bool byName) {
    const FtpPath path = parseFilePath(argument);
    if (path.name.empty())
        return std::nullopt;
    SqlTx tx(m_service.database);
    // By id and extension, from any folder: how the client names what it downloads.
    if (const auto file = readyFileByIdName(tx, m_account->id, path.name))
        return Target{m_service.content.contentPath(m_account->id, file->id), file->size,
                      file->fullName()};
    if (!m_account->avatar.empty() && path.name == m_account->avatar) {
        const std::string avatar = m_service.content.avatarPath(m_account->id);
        if (auto drawn = ensureAvatar(m_service.content, m_account->id); !drawn)
            log("avatar: " + drawn.message);
        if (const auto size = ContentArea::sizeOf(avatar))
            return Target{avatar, *size, path.name};
        return std::nullopt;
    }
    if (!byName)
        return std::nullopt;
    const auto folder =
        FolderStore(tx, m_account->id).resolve(path.absolute ? 0 : m_folderId, path.folders);
    if (!folder)
        return std::nullopt;
    auto row = tx.prepare(
        "SELECT id, size FROM files WHERE account_id = ? AND folder_id = ? AND name || ext = ?"
        " AND state = 1 AND bin_entry = 0",
        m_account->id, *folder, path.name);
    if (!row.next())
        return std::nullopt;
    return Target{m_service.content.contentPath(m_account->id, row.integer(0)), row.integer(1),
                  path.name};
}

std::optional<FtpSession::Target> FtpSession::stagedTarget(const std::string& argument,
                                                           std::int64_t& folderId,
                                                           std::string& name) {
    const FtpPath path = parseFilePath(argument);
    if (!checkItemName(path.name))
        return std::nullopt;
    const auto folder = folderOf(path);
    if (!folder)
        return std::nullopt;
    folderId = *folder;
    name = path.name;
    const std::string staged = m_service.content.stagingPath(m_account->id, folderId, name);
    return Target{staged, ContentArea::sizeOf(staged).value_or(-1), name};
}

bool FtpSession::onSize(const std::string& argument) {
    auto target = readableTarget(argument, false);
    if (!target) {
        // An upload in progress comes before a finished file of the same name: resuming
        // clients ask for the size of what they are uploading.
        std::int64_t folderId = 0;
        std::string name;
        target = stagedTarget(argument, folderId, name);
        if (target && target->size < 0)
            target.reset();
    }
    if (!target)
        target = readableTarget(argument, true);
    if (!target)
        return reply(550, "Could not get file size.");
    return reply(213, std::to_string(target->size));
}

}  // namespace nubexa::standin
