#include "standin/store/upload_registry.h"

#include "standin/store/account_store.h"
#include "standin/store/folder_store.h"
#include "standin/util/crypto_util.h"
#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

bool isMd5(const std::string& text) {
    if (text.size() != 32)
        return false;
    for (const char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex)
            return false;
    }
    return true;
}

std::string upperHexDigits(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

}  // namespace

Outcome UploadRegistry::registerFile(const UploadRequest& request, std::int64_t& fileId) {
    fileId = 0;
    if (auto check = checkItemName(request.name); !check)
        return check;
    if (auto check = checkExtension(request.ext); !check)
        return check;
    if (auto check = checkItemName(request.name + request.ext); !check)
        return check;
    if (!isMd5(request.md5))
        return Outcome::failure("hash应为文件的MD5（32位十六进制）");
    if (request.size < 0)
        return Outcome::failure("文件大小无效");
    FolderStore folders(m_tx, m_accountId);
    if (!folders.isLiveFolder(request.folderId))
        return Outcome::failure("目标文件夹不存在");
    const std::string md5 = upperHexDigits(request.md5);

    // A repeated registration, maybe with a number the first one got for a taken name.
    auto same = m_tx.prepare(
        "SELECT id, name FROM files WHERE account_id = ? AND folder_id = ? AND ext = ? AND"
        " size = ? AND md5 = ? AND bin_entry = 0 ORDER BY id",
        m_accountId, request.folderId, request.ext, request.size, md5);
    while (same.next()) {
        const std::string name = same.text(1);
        if (name == request.name || name.rfind(request.name + " (", 0) == 0) {
            fileId = same.integer(0);
            return Outcome::success();
        }
    }

    AccountStore accounts(m_tx);
    const auto account = accounts.byId(m_accountId);
    if (!account)
        return Outcome::failure("账号不存在");
    m_tx.exec("DELETE FROM files WHERE account_id = ? AND state = 0 AND created < ?", m_accountId,
              nowSeconds() - kPendingLifetime);
    if (request.size > account->uploadLimit)
        return Outcome::failure("单文件大小超过你当前等级限制");
    const std::int64_t committed =
        accounts.usedSize(m_accountId) + accounts.reservedSize(m_accountId);
    if (committed + request.size > account->diskSize)
        return Outcome::failure("网盘空间不足，请扩容后再上传");

    const std::string name = folders.freeName(request.folderId, request.name, request.ext);
    if (auto check = checkItemName(name + request.ext); !check)
        return check;
    m_tx.exec(
        "INSERT INTO files (account_id, folder_id, name, ext, size, md5, state, created)"
        " VALUES (?, ?, ?, ?, ?, ?, 0, ?)",
        m_accountId, request.folderId, name, request.ext, request.size, md5, nowSeconds());
    fileId = m_tx.lastInsertId();
    return Outcome::success();
}

Outcome finalizeUpload(SqlDatabase& database, const ContentArea& content, std::int64_t accountId,
                       std::int64_t fileId, const std::string& ext, const std::string& stagedPath) {
    std::optional<FileRow> registered;
    {
        SqlTx tx(database);
        registered = FolderStore(tx, accountId).file(fileId);
    }
    if (!registered || registered->ext != ext)
        return Outcome::failure("no file registered under this id");
    const auto stagedSize = ContentArea::sizeOf(stagedPath);
    if (!stagedSize)
        return Outcome::failure("no stored bytes to finalise");
    if (*stagedSize != registered->size)
        return Outcome::failure("stored " + std::to_string(*stagedSize) + " bytes, registered " +
                                std::to_string(registered->size));
    if (content.stagedMd5(stagedPath) != registered->md5)
        return Outcome::failure("the MD5 of the stored bytes differs from the registered one");

    SqlTx tx(database);
    const auto current = FolderStore(tx, accountId).file(fileId);
    if (!current)
        return Outcome::failure("the registration was removed");
    if (current->ready) {
        content.forgetDigest(stagedPath);
        content.remove(stagedPath);
        return Outcome::success();
    }
    // The name was free at registration; a folder made meanwhile may have taken it.
    FolderStore folders(tx, accountId);
    const std::string name = folders.nameTaken(current->folderId, current->fullName(),
                                               std::make_pair(ItemKind::File, fileId))
                                 ? folders.freeName(current->folderId, current->name, current->ext)
                                 : current->name;
    tx.exec("UPDATE files SET state = 1, name = ?, created = ? WHERE id = ?", name, nowSeconds(),
            fileId);
    const std::string target = content.contentPath(accountId, fileId);
    if (auto moved = content.moveInto(stagedPath, target); !moved)
        return moved;
    content.forgetDigest(stagedPath);
    if (!tx.commit()) {
        content.moveInto(target, stagedPath);
        return Outcome::failure("cannot record the file: " + tx.error());
    }
    return Outcome::success();
}

std::optional<FileRow> readyFileByIdName(SqlTx& tx, std::int64_t accountId,
                                         const std::string& idName) {
    std::size_t digits = 0;
    while (digits < idName.size() && idName[digits] >= '0' && idName[digits] <= '9')
        ++digits;
    const auto id = parseCount(idName.substr(0, digits));
    if (!id)
        return std::nullopt;
    auto file = FolderStore(tx, accountId).file(*id);
    if (!file || !file->ready || file->binEntry != 0 || file->ext != idName.substr(digits))
        return std::nullopt;
    return file;
}

}  // namespace nubexa::standin
