#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "standin/store/sql_database.h"

namespace nubexa::standin {

// One sign-in of a client: a random token for the signed web operations, a param_token that
// signs the user's browser in, and an opaque key.
struct Session {
    std::int64_t accountId = 0;
    std::string token;
    std::string paramToken;
    std::string key;
};

// Client sign-ins, browser sign-ins (cookies) and web sign-in attempts (sid). Works inside the
// caller's transaction.
class SessionStore {
public:
    explicit SessionStore(SqlTx& tx) : m_tx(tx) {}

    // A new sign-in; an account keeps its newest kMaxSessions sign-ins.
    Session open(std::int64_t accountId);
    bool tokenBelongsTo(std::int64_t accountId, const std::string& token);
    // The account a param_token signs a browser in to. A token serves once, and only within
    // kParamTokenLifetime of its sign-in: it travels in an address that browsers keep in their
    // history.
    std::optional<std::int64_t> redeemParamToken(const std::string& paramToken);

    std::string openBrowserSession(std::int64_t accountId);
    std::optional<std::int64_t> accountOfBrowser(const std::string& cookie);
    void closeBrowserSession(const std::string& cookie);

    // A web sign-in page confirmed `sid` for an account.
    Outcome confirmSid(const std::string& sid, const std::string& kind, std::int64_t accountId);
    // The account a still valid confirmation of `sid` names.
    std::optional<std::int64_t> confirmedAccount(const std::string& sid);
    // The client asks with its sid: a sign-in once the page confirmed it (the same one on every
    // repeated ask), nullopt while it is pending or after it expired.
    std::optional<Session> completeSid(const std::string& sid);

    static bool isValidSid(const std::string& sid);

    static constexpr int kMaxSessions = 50;
    static constexpr std::int64_t kSidLifetime = 600;         // seconds after the confirmation
    static constexpr std::int64_t kParamTokenLifetime = 600;  // seconds after the sign-in

private:
    std::optional<Session> byToken(const std::string& token);

    SqlTx& m_tx;
};

}  // namespace nubexa::standin
