#include "session/last_user.h"
#include "session/session_core.h"

#include "keychain/remembered_passwords.h"
#include "session/client_session.h"
#include "store/user_log.h"

namespace nubexa {

std::optional<std::string> lastUserId(ClientSession& session) {
    const auto last = SessionCore::gate(session).run(
        [](LocalStore& store) { return UserLog(store).readLastUser(); });
    if (!last || last->userName.empty())
        return std::nullopt;
    return last->userName;
}

ForgottenSignIn forgetLastSignIn(ClientSession& session) {
    ForgottenSignIn result;
    const auto userId = lastUserId(session);
    if (!userId)
        return result;
    result.userId = *userId;
    result.outcome = session.passwords().forget(*userId) ? ForgottenSignIn::Outcome::kForgotten
                                                         : ForgottenSignIn::Outcome::kNotWritten;
    return result;
}

}  // namespace nubexa
