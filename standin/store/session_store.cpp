#include "standin/store/session_store.h"

#include "standin/util/crypto_util.h"
#include "standin/util/text_util.h"

namespace nubexa::standin {

Session SessionStore::open(std::int64_t accountId) {
    Session session{accountId, randomHex(16), randomHex(16), randomHex(8)};
    m_tx.exec(
        "INSERT INTO sessions (token, account_id, param_token, session_key, created)"
        " VALUES (?, ?, ?, ?, ?)",
        session.token, accountId, session.paramToken, session.key, nowSeconds());
    m_tx.exec(
        "DELETE FROM sessions WHERE account_id = ? AND token NOT IN (SELECT token FROM sessions"
        " WHERE account_id = ? ORDER BY created DESC, rowid DESC LIMIT ?)",
        accountId, accountId, std::int64_t{kMaxSessions});
    return session;
}

std::optional<Session> SessionStore::byToken(const std::string& token) {
    auto row = m_tx.prepare(
        "SELECT account_id, token, param_token, session_key FROM sessions WHERE token = ?", token);
    if (!row.next())
        return std::nullopt;
    return Session{row.integer(0), row.text(1), row.text(2), row.text(3)};
}

bool SessionStore::tokenBelongsTo(std::int64_t accountId, const std::string& token) {
    if (token.empty())
        return false;
    const auto session = byToken(token);
    return session && session->accountId == accountId && sameSecret(session->token, token);
}

std::optional<std::int64_t> SessionStore::redeemParamToken(const std::string& paramToken) {
    if (paramToken.empty())
        return std::nullopt;
    auto row =
        m_tx.prepare("SELECT account_id, created FROM sessions WHERE param_token = ?", paramToken);
    if (!row.next())
        return std::nullopt;
    const std::int64_t accountId = row.integer(0);
    const bool fresh = nowSeconds() - row.integer(1) <= kParamTokenLifetime;
    // The column stays unique and filled; a spent token can never be presented again.
    m_tx.exec("UPDATE sessions SET param_token = ? WHERE param_token = ?", "spent-" + randomHex(16),
              paramToken);
    if (!fresh)
        return std::nullopt;
    return accountId;
}

std::string SessionStore::openBrowserSession(std::int64_t accountId) {
    const std::string cookie = randomHex(20);
    m_tx.exec("INSERT INTO web_sessions (cookie, account_id, created) VALUES (?, ?, ?)", cookie,
              accountId, nowSeconds());
    return cookie;
}

std::optional<std::int64_t> SessionStore::accountOfBrowser(const std::string& cookie) {
    if (cookie.empty())
        return std::nullopt;
    auto row = m_tx.prepare("SELECT account_id FROM web_sessions WHERE cookie = ?", cookie);
    if (!row.next())
        return std::nullopt;
    return row.integer(0);
}

void SessionStore::closeBrowserSession(const std::string& cookie) {
    m_tx.exec("DELETE FROM web_sessions WHERE cookie = ?", cookie);
}

bool SessionStore::isValidSid(const std::string& sid) {
    if (sid.size() < 8 || sid.size() > 64)
        return false;
    for (const char c : sid) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    }
    return true;
}

Outcome SessionStore::confirmSid(const std::string& sid, const std::string& kind,
                                 std::int64_t accountId) {
    if (!isValidSid(sid))
        return Outcome::failure("登录请求无效，请从客户端重新发起登录");
    // A confirmation replaces an earlier one of the same sid: the client reuses its sid until
    // it signs out, and each confirmation is a fresh sign-in.
    m_tx.exec(
        "INSERT INTO web_signins (sid, kind, account_id, confirmed_at, token, created)"
        " VALUES (?, ?, ?, ?, NULL, ?) ON CONFLICT(sid) DO UPDATE SET kind = excluded.kind,"
        " account_id = excluded.account_id, confirmed_at = excluded.confirmed_at, token = NULL",
        sid, kind, accountId, nowSeconds(), nowSeconds());
    return Outcome::success();
}

std::optional<std::int64_t> SessionStore::confirmedAccount(const std::string& sid) {
    auto row = m_tx.prepare(
        "SELECT account_id FROM web_signins WHERE sid = ? AND account_id IS NOT NULL AND"
        " confirmed_at >= ?",
        sid, nowSeconds() - kSidLifetime);
    if (!row.next())
        return std::nullopt;
    return row.integer(0);
}

std::optional<Session> SessionStore::completeSid(const std::string& sid) {
    if (!isValidSid(sid))
        return std::nullopt;
    auto row = m_tx.prepare(
        "SELECT account_id, confirmed_at, COALESCE(token, '') FROM web_signins WHERE sid = ? AND"
        " account_id IS NOT NULL",
        sid);
    if (!row.next())
        return std::nullopt;
    const std::int64_t accountId = row.integer(0);
    const std::int64_t confirmedAt = row.integer(1);
    const std::string token = row.text(2);
    if (nowSeconds() - confirmedAt > kSidLifetime)
        return std::nullopt;
    if (!token.empty()) {
        if (auto session = byToken(token))
            return session;
    }
    Session session = open(accountId);
    m_tx.exec("UPDATE web_signins SET token = ? WHERE sid = ?", session.token, sid);
    return session;
}

}  // namespace nubexa::standin
