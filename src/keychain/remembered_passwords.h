#pragma once

#include <optional>
#include <string>

#include "store/user_log.h"

namespace nubexa {

class SecretStore;
class StoreGate;

// Where a remembered password is kept: in the desktop's secret store when there is one (the
// sign-in row then keeps is_rememberr_password = 1 and an empty password), else in the sign-in
// row of bin.db. Moving between the two never loses a password: one found in bin.db is moved
// into the secret store, and only once the store has taken it is the row's copy emptied.
// Any thread; it blocks for the store's brackets and the secret store's answers.
class RememberedPasswords {
public:
    // `secrets` null: bin.db only. A password is kept under "uid@serviceHost", so that accounts
    // of different services (a stand-in, the real one) never share an entry.
    RememberedPasswords(StoreGate& gate, SecretStore* secrets, std::string serviceHost)
        : m_gate(gate), m_secrets(secrets), m_serviceHost(std::move(serviceHost)) {}

    // Where a remembered password went.
    using Kept = PasswordPlace;

    // Records a successful sign-in (and makes its user the last user). A password that is not
    // to be remembered is also taken out of the secret store. It goes into bin.db only where
    // there is no secret store at all. A store that failed this once is told kNowhere: its
    // write may still land when the store answers late, or be lost (bin.db never has it).
    bool recordSignIn(SignInRecord record, Kept* kept = nullptr);

    // The last user, with the remembered password from wherever it is kept; a secret store
    // that does not give it is said as such, not as a password that is not remembered.
    LastSignIn readLastSignIn();

    // Logging out: the user's password leaves the secret store and every sign-in row. False
    // when bin.db could not be written (the secret store's copy is gone all the same).
    bool forget(const std::string& uid);

    // The secret store's key of a user's password.
    std::string keyOf(const std::string& uid) const { return uid + "@" + m_serviceHost; }

private:
    StoreGate& m_gate;
    SecretStore* m_secrets;
    std::string m_serviceHost;
};

}  // namespace nubexa
