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

std::optional<LastUser> RememberedPasswords::readLastUser() {
    auto last = m_gate.run([](LocalStore& store) { return UserLog(store).readLastUser(); });
    if (!m_secrets || !last || last->rememberPassword != "1")
        return last;
    if (!last->password.empty()) {
        // Kept in bin.db (an earlier version, or no store back then): move it over.
        if (m_secrets->write(keyOf(last->userName), last->password) == SecretStore::Result::kDone) {
            m_gate.run([&](LocalStore& store) {
                return UserLog(store).setRememberedPassword(last->userName, "");
            });
        }
        return last;
    }
    std::string secret;
    if (m_secrets->read(keyOf(last->userName), secret) == SecretStore::Result::kDone)
        last->password = secret;
    return last;
}

}  // namespace nubexa
