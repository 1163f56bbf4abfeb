#include "standin/store/share_store.h"

#include "standin/store/account_store.h"
#include "standin/util/crypto_util.h"
#include "standin/store/folder_store.h"
#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

ShareRow readShare(SqlStatement& row) {
    return ShareRow{row.integer(0), row.text(1) == "folder" ? ItemKind::Folder : ItemKind::File,
                    row.integer(2), row.text(3),
                    row.text(4),    row.integer(5),
                    row.text(6)};
}

LinkRow readLink(SqlStatement& row) {
    return LinkRow{row.integer(0), row.integer(1), row.text(2), row.text(3), row.text(4)};
}

constexpr const char* kShareColumns =
    "SELECT account_id, kind, item_id, share_key, pwd, points, description FROM shares ";
constexpr const char* kLinkColumns =
    "SELECT account_id, file_id, COALESCE(link_name, ''), link_key, domains FROM links ";

bool isLinkName(const std::string& name) {
    if (name.empty() || name.size() > 64 || name == "." || name == "..")
        return false;
    for (const char c : name) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!allowed)
            return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> normaliseDomains(const std::string& typed) {
    std::string joined;
    const auto pieces = splitList(typed);
    if (pieces.size() > 20)
        return std::nullopt;
    for (const auto& piece : pieces) {
        if (piece.size() > 253)
            return std::nullopt;
        for (const char c : piece) {
            const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                 (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':';
            if (!allowed)
                return std::nullopt;
        }
        if (!joined.empty())
            joined += ",";
        joined += foldCase(piece);
    }
    return joined;
}

bool ShareStore::isLive(ItemKind kind, std::int64_t id) {
    FolderStore folders(m_tx, m_accountId);
    if (kind == ItemKind::Folder)
        return id != 0 && folders.isLiveFolder(id);
    const auto file = folders.file(id);
    return file && file->ready && file->binEntry == 0;
}

Outcome ShareStore::share(ItemKind kind, const std::vector<std::int64_t>& ids,
                          const std::string& pwd, const std::string& points,
                          const std::string& description) {
    if (ids.empty())
        return Outcome::failure("没有要分享的项目");
    const auto value = parseCount(points.empty() ? "0" : points);
    if (!value || *value > 100)
        return Outcome::failure("下载资源分应为0到100的整数");
    if (auto check = checkPlainText(pwd, 32, "提取密码"); !check)
        return check;
    if (auto check = checkPlainText(description, 500, "分享说明"); !check)
        return check;
    for (const std::int64_t id : ids) {
        if (!isLive(kind, id))
            return Outcome::failure(kind == ItemKind::Folder ? "文件夹不存在" : "文件不存在");
        m_tx.exec(
            "INSERT INTO shares (account_id, kind, item_id, share_key, pwd, points, description,"
            " created) VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT(kind, item_id) DO UPDATE SET"
            " pwd = excluded.pwd, points = excluded.points, description = excluded.description",
            m_accountId, kindName(kind), id, randomKey(10), pwd, *value, description, nowSeconds());
    }
    return Outcome::success();
}

Outcome ShareStore::cancelShare(ItemKind kind, const std::vector<std::int64_t>& ids) {
    if (ids.empty())
        return Outcome::failure("没有要取消分享的项目");
    for (const std::int64_t id : ids) {
        if (!isLive(kind, id))
            return Outcome::failure(kind == ItemKind::Folder ? "文件夹不存在" : "文件不存在");
        m_tx.exec("DELETE FROM shares WHERE account_id = ? AND kind = ? AND item_id = ?",
                  m_accountId, kindName(kind), id);
    }
    return Outcome::success();
}

std::optional<ShareRow> ShareStore::shareOf(ItemKind kind, std::int64_t id) {
    const std::string sql =
        std::string(kShareColumns) + "WHERE account_id = ? AND kind = ? AND item_id = ?";
    auto row = m_tx.prepare(sql.c_str(), m_accountId, kindName(kind), id);
    if (!row.next())
        return std::nullopt;
    return readShare(row);
}

Outcome ShareStore::recordEmailShare(ItemKind kind, std::int64_t id, const std::string& to,
                                     std::vector<std::string>& recipients) {
    if (!isLive(kind, id))
        return Outcome::failure(kind == ItemKind::Folder ? "文件夹不存在" : "文件不存在");
    recipients = splitList(to);
    if (recipients.empty())
        return Outcome::failure("请输入要分享的邮件");
    if (recipients.size() > kMaxRecipients)
        return Outcome::failure("一次最多分享给5个邮箱");
    std::string joined;
    for (const auto& address : recipients) {
        if (!AccountStore::checkEmail(address) || !isValidUtf8(address))
            return Outcome::failure("邮箱地址无效：" + address);
        joined += (joined.empty() ? "" : ",") + address;
    }
    // A mail needs a link to point at: share the item when it is not shared yet.
    if (!shareOf(kind, id)) {
        if (auto shared = share(kind, {id}, "", "0", ""); !shared)
            return shared;
    }
    m_tx.exec(
        "INSERT INTO email_shares (account_id, kind, item_id, recipients, created)"
        " VALUES (?, ?, ?, ?, ?)",
        m_accountId, kindName(kind), id, joined, nowSeconds());
    return Outcome::success();
}

Outcome ShareStore::setLink(std::int64_t fileId, const std::string& linkName,
                            const std::string& domains) {
    if (!isLive(ItemKind::File, fileId))
        return Outcome::failure("文件不存在");
    if (linkName.empty())
        return Outcome::failure("请输入自定义地址");
    if (!isLinkName(linkName))
        return Outcome::failure("自定义地址只能包含字母、数字和 - _ .");
    const auto normalised = normaliseDomains(domains);
    if (!normalised)
        return Outcome::failure("白名单域名无效");
    if (m_tx.scalar(0, "SELECT COUNT(*) FROM links WHERE link_name = ? AND file_id <> ?", linkName,
                    fileId) > 0)
        return Outcome::failure("该直链地址已被使用，请换一个");
    m_tx.exec(
        "INSERT INTO links (file_id, account_id, link_name, link_key, domains, created)"
        " VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT(file_id) DO UPDATE SET"
        " link_name = excluded.link_name, domains = excluded.domains",
        fileId, m_accountId, linkName, randomKey(12), *normalised, nowSeconds());
    return Outcome::success();
}

Outcome ShareStore::cancelLinks(const std::vector<std::int64_t>& fileIds) {
    if (fileIds.empty())
        return Outcome::failure("没有要关闭直链的文件");
    for (const std::int64_t id : fileIds) {
        if (!isLive(ItemKind::File, id))
            return Outcome::failure("文件不存在");
        m_tx.exec("DELETE FROM links WHERE file_id = ? AND account_id = ?", id, m_accountId);
    }
    return Outcome::success();
}

std::optional<LinkRow> ShareStore::linkOf(std::int64_t fileId) {
    const std::string sql = std::string(kLinkColumns) + "WHERE file_id = ? AND account_id = ?";
    auto row = m_tx.prepare(sql.c_str(), fileId, m_accountId);
    if (!row.next())
        return std::nullopt;
    return readLink(row);
}

std::optional<ShareRow> ShareStore::findShare(SqlTx& tx, const std::string& key) {
    const std::string sql = std::string(kShareColumns) + "WHERE share_key = ?";
    auto row = tx.prepare(sql.c_str(), key);
    if (!row.next())
        return std::nullopt;
    return readShare(row);
}

std::optional<LinkRow> ShareStore::findLink(SqlTx& tx, const std::string& linkName) {
    const std::string sql = std::string(kLinkColumns) + "WHERE link_name = ?";
    auto row = tx.prepare(sql.c_str(), linkName);
    if (!row.next())
        return std::nullopt;
    return readLink(row);
}

std::optional<LinkRow> ShareStore::findLinkByKey(SqlTx& tx, const std::string& linkKey,
                                                 std::int64_t fileId) {
    const std::string sql = std::string(kLinkColumns) + "WHERE link_key = ? AND file_id = ?";
    auto row = tx.prepare(sql.c_str(), linkKey, fileId);
    if (!row.next())
        return std::nullopt;
    return readLink(row);
}

}  // namespace nubexa::standin
