#pragma once

#include <optional>
#include <string>

namespace nubexa {

class ClientSession;

// The user who signed in last, from bin.db alone: no secret store is asked (see
// ClientSession::lastSignIn for the remembered password). None when nobody has. Blocking.
std::optional<std::string> lastUserId(ClientSession& session);

// Forgetting the last user's remembered sign-in, in the secret store and in bin.db alike.
struct ForgottenSignIn {
    enum class Outcome {
        kNobody,      // nobody has signed in
        kForgotten,   // the sign-in of `userId` is forgotten
        kNotWritten,  // bin.db or the secret store did not take it
    };
    Outcome outcome = Outcome::kNobody;
    std::string userId;
};
ForgottenSignIn forgetLastSignIn(ClientSession& session);

}  // namespace nubexa
