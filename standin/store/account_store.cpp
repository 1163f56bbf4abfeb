#include "standin/store/account_store.h"

#include <algorithm>

#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

constexpr const char* kColumns =
    "SELECT id, name, nickname, email, pwd_salt, pwd_hash, pwd_iterations, ftp_user, ftp_pwd,"
    " vip, wip, integral, disk_size, upload_limit, avatar, created FROM accounts WHERE ";

}  // namespace

std::optional<Account> AccountStore::load(const char* where, const std::string& key) {
    const std::string sql = std::string(kColumns) + where;
    auto row = m_tx.prepare(sql.c_str(), key);
    if (!row.next())
        return std::nullopt;
    Account account;
    account.id = row.integer(0);
    account.name = row.text(1);
    account.nickname = row.text(2);
    account.email = row.text(3);
    account.password = {row.text(4), row.text(5), static_cast<int>(row.integer(6))};
    account.ftpUser = row.text(7);
    account.ftpPassword = row.text(8);
    account.vip = row.integer(9) != 0;
    account.wip = row.integer(10) != 0;
    account.integral = row.integer(11);
    account.diskSize = row.integer(12);
    account.uploadLimit = row.integer(13);
    account.avatar = row.text(14);
    account.created = row.integer(15);
    return account;
}

std::optional<Account> AccountStore::byId(std::int64_t id) {
    return load("id = ?", std::to_string(id));
}

std::optional<Account> AccountStore::byName(const std::string& name) {
    return load("name = ?", name);
}

std::optional<Account> AccountStore::bySignInName(const std::string& name) {
    if (auto account = byName(name))
        return account;
    // The client signs in again by itself with the uid it recorded at the last sign-in. Only
    // the id as written ("12", not "012"), so one account has one numeric spelling.
    const bool digits = !name.empty() && name.size() <= 18 && name.front() != '0' &&
                        name.find_first_not_of("0123456789") == std::string::npos;
    if (digits)
        return byId(std::stoll(name));
    if (name.find('@') != std::string::npos) {
        // An address shared by several accounts names none of them.
        const std::string sql = std::string(kColumns) + "email = ? COLLATE NOCASE LIMIT 2";
        auto rows = m_tx.prepare(sql.c_str(), name);
        if (rows.next() && !rows.next())
            return load("email = ? COLLATE NOCASE", name);
    }
    return std::nullopt;
}

std::optional<Account> AccountStore::byFtpUser(const std::string& ftpUser) {
    return load("ftp_user = ?", ftpUser);
}

Outcome AccountStore::checkAccountName(const std::string& name) {
    if (name.size() < 2 || name.size() > 32)
        return Outcome::failure("用户名长度应为2到32个字符");
    if (!isValidUtf8(name))
        return Outcome::failure("用户名含有无效字符");
    // The sign-in request carries the name unescaped, so characters that shape a query or a
    // path are kept out of names.
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool allowed = byte >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.' || c == '@';
        if (!allowed)
            return Outcome::failure("用户名只能包含字母、数字、汉字和 _ - . @");
    }
    return checkPlainText(name, 32, "用户名");
}

Outcome AccountStore::checkPassword(const std::string& password) {
    if (password.size() < 6 || password.size() > 64)
        return Outcome::failure("密码长度应为6到64个字符");
    for (const char c : password) {
        // Printable ASCII without the characters that would split the sign-in query.
        if (c <= ' ' || c > '~' || c == '&' || c == '%' || c == '+' || c == '#')
            return Outcome::failure("密码只能包含可见的英文字符（不含 & % + #）");
    }
    return Outcome::success();
}

Outcome AccountStore::checkNickname(const std::string& nickname) {
    if (auto check = checkPlainText(nickname, 4 * kMaxNickname, "昵称"); !check)
        return check;
    // Blanks of either width alone name nobody.
    std::string visible = nickname;
    for (const std::string_view blank : {std::string_view("\u3000"), std::string_view(" ")}) {
        for (auto at = visible.find(blank); at != std::string::npos; at = visible.find(blank))
            visible.erase(at, blank.size());
    }
    if (visible.empty())
        return Outcome::failure("昵称不能只有空格");
    // Characters, not bytes: continuation bytes of UTF-8 do not count.
    const auto characters = std::count_if(nickname.begin(), nickname.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    if (characters > kMaxNickname)
        return Outcome::failure("昵称最多 " + std::to_string(kMaxNickname) + " 个字符");
    return Outcome::success();
}

Outcome AccountStore::checkEmail(const std::string& email) {
    if (email.empty())
        return Outcome::success();
    const auto at = email.find('@');
    const bool shaped = email.size() <= 100 && at != std::string::npos && at > 0 &&
                        email.find('.', at) != std::string::npos && email.back() != '.' &&
                        email.find_first_of(" \t\r\n<>,;\"'") == std::string::npos;
    return shaped ? Outcome::success() : Outcome::failure("邮箱地址无效");
}

Outcome AccountStore::create(const NewAccount& account, std::int64_t& newId) {
    if (auto check = checkAccountName(account.name); !check)
        return check;
    if (auto check = checkPassword(account.password); !check)
        return check;
    if (auto check = checkEmail(account.email); !check)
        return check;
    const std::string nickname = account.nickname.empty() ? account.name : account.nickname;
    if (auto check = checkNickname(nickname); !check)
        return check;
    if (byName(account.name))
        return Outcome::failure("该用户名已被注册");
    const PasswordRecord record = hashPassword(account.password);
    // The file-server user is made unique from the id right after the insert.
    const std::string pendingFtpUser = "new-" + randomHex(8);
    m_tx.exec(
        "INSERT INTO accounts (name, nickname, email, pwd_salt, pwd_hash, pwd_iterations,"
        " ftp_user, ftp_pwd, vip, wip, integral, disk_size, upload_limit, created)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        account.name, nickname, account.email, record.saltHex, record.hashHex,
        std::int64_t{record.iterations}, pendingFtpUser, randomHex(12),
        std::int64_t{account.vip ? 1 : 0}, std::int64_t{account.wip ? 1 : 0}, account.integral,
        account.diskSize, account.uploadLimit, nowSeconds());
    newId = m_tx.lastInsertId();
    // The avatar picture itself is drawn when it is first fetched.
    m_tx.exec("UPDATE accounts SET ftp_user = ?, avatar = ? WHERE id = ?",
              "nbx" + std::to_string(newId), "avatar_" + std::to_string(newId) + ".png", newId);
    return m_tx.failed() ? Outcome::failure("注册失败") : Outcome::success();
}

Outcome AccountStore::setPassword(std::int64_t id, const std::string& password) {
    if (auto check = checkPassword(password); !check)
        return check;
    const PasswordRecord record = hashPassword(password);
    m_tx.exec("UPDATE accounts SET pwd_salt = ?, pwd_hash = ?, pwd_iterations = ? WHERE id = ?",
              record.saltHex, record.hashHex, std::int64_t{record.iterations}, id);
    // A new password ends every sign-in made with the old one.
    m_tx.exec("DELETE FROM sessions WHERE account_id = ?", id);
    m_tx.exec("DELETE FROM web_sessions WHERE account_id = ?", id);
    m_tx.exec("DELETE FROM password_resets WHERE account_id = ?", id);
    return Outcome::success();
}

namespace {

// The table keeps digests: a copy of the database hands out no working link.
std::string resetDigest(const std::string& token) {
    return hmacSha256Hex("password-reset", token);
}

}  // namespace

std::string AccountStore::openPasswordReset(std::int64_t id) {
    const std::string token = randomHex(24);
    m_tx.exec("DELETE FROM password_resets WHERE created < ?", nowSeconds() - kResetLifetime);
    m_tx.exec("INSERT INTO password_resets (token_digest, account_id, created) VALUES (?, ?, ?)",
              resetDigest(token), id, nowSeconds());
    return token;
}

std::optional<std::int64_t> AccountStore::accountOfReset(const std::string& token) {
    if (token.empty())
        return std::nullopt;
    auto row = m_tx.prepare(
        "SELECT account_id FROM password_resets WHERE token_digest = ? AND created >= ?",
        resetDigest(token), nowSeconds() - kResetLifetime);
    if (!row.next())
        return std::nullopt;
    return row.integer(0);
}

void AccountStore::setServices(std::int64_t id, bool vip, bool wip) {
    m_tx.exec("UPDATE accounts SET vip = ?, wip = ? WHERE id = ?", std::int64_t{vip ? 1 : 0},
              std::int64_t{wip ? 1 : 0}, id);
}

void AccountStore::addDiskSize(std::int64_t id, std::int64_t bytes) {
    m_tx.exec("UPDATE accounts SET disk_size = disk_size + ? WHERE id = ?", bytes, id);
}

Outcome AccountStore::addPurchasedSpace(std::int64_t id, std::int64_t bytes) {
    const std::int64_t disk = m_tx.scalar(-1, "SELECT disk_size FROM accounts WHERE id = ?", id);
    if (disk < 0)
        return Outcome::failure("账号不存在");
    if (disk >= kMaxPurchasedDisk)
        return Outcome::failure("空间已达扩容上限 " + sizeForPeople(kMaxPurchasedDisk));
    m_tx.exec("UPDATE accounts SET disk_size = ? WHERE id = ?",
              std::min(disk + bytes, kMaxPurchasedDisk), id);
    return Outcome::success();
}

void AccountStore::setAvatar(std::int64_t id, const std::string& fileName) {
    m_tx.exec("UPDATE accounts SET avatar = ? WHERE id = ?", fileName, id);
}

std::int64_t AccountStore::usedSize(std::int64_t id) {
    return m_tx.scalar(
        0, "SELECT COALESCE(MAX(bytes), 0) FROM usage WHERE account_id = ? AND state = 1", id);
}

std::int64_t AccountStore::reservedSize(std::int64_t id) {
    return m_tx.scalar(
        0, "SELECT COALESCE(MAX(bytes), 0) FROM usage WHERE account_id = ? AND state = 0", id);
}

}  // namespace nubexa::standin
