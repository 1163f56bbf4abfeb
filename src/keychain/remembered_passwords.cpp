#include "keychain/remembered_passwords.h"

#include "platform/secret_store.h"
#include "store/store_gate.h"

namespace nubexa {

bool RememberedPasswords::recordSignIn(SignInRecord record, Kept* kept) {
    Kept place = record.rememberPassword ? Kept::kDatabase : Kept::kNowhere;
    if (m_secrets) {
        if (!record.rememberPassword) {
            m_secrets->erase(keyOf(record.userId));
        } else {
            switch (m_secrets->write(keyOf(record.userId), record.password)) {
                case SecretStore::Result::kDone:
                    place = Kept::kSecretStore;
                    record.password.clear();
                    break;
                case SecretStore::Result::kFailed:
                case SecretStore::Result::kNotFound:
                    place = Kept::kNowhere;
                    record.password.clear();
                    break;
                case SecretStore::Result::kUnavailable:
                    break;
            }
        }
    }
    if (kept != nullptr)
        *kept = place;
    return m_gate.run([&](LocalStore& store) { return UserLog(store).recordSignIn(record); });
}

bool RememberedPasswords::forget(const std::string& uid) {
    if (m_secrets)
        m_secrets->erase(keyOf(uid));
    return m_gate.run([&](LocalStore& store) { return UserLog(store).forgetSignIn(uid); });
}

LastSignIn RememberedPasswords::readLastSignIn() {
    LastSignIn result;
    result.user = m_gate.run([](LocalStore& store) { return UserLog(store).readLastUser(); });
    std::optional<LastUser>& last = result.user;
    if (!last || last->rememberPassword != "1")
        return result;
    // A last user without a sign-in row has one blank as the password: nothing remembered.
    const bool inRow = !last->password.empty() && last->password != " ";
    if (inRow || !m_secrets) {
        result.password = inRow ? PasswordRead::kRead : PasswordRead::kNone;
        // Kept in bin.db (an earlier version, or no store back then): move it over.
        if (inRow && m_secrets &&
            m_secrets->write(keyOf(last->userName), last->password) == SecretStore::Result::kDone) {
            m_gate.run([&](LocalStore& store) {
                return UserLog(store).setRememberedPassword(last->userName, "");
            });
        }
        return result;
    }
    if (!last->password.empty())
        return result;
    std::string secret;
    switch (m_secrets->read(keyOf(last->userName), secret)) {
        case SecretStore::Result::kDone:
            last->password = secret;
            result.password = PasswordRead::kRead;
            break;
        case SecretStore::Result::kNotFound:
            break;
        case SecretStore::Result::kFailed:
            result.password = PasswordRead::kNoAnswer;
            break;
        case SecretStore::Result::kUnavailable:
            result.password = PasswordRead::kNoStore;
            break;
    }
    return result;
}

}  // namespace nubexa
