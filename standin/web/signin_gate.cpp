#include "standin/web/signin_gate.h"

#include "standin/util/crypto_util.h"

namespace nubexa::standin {

SignInAttempt throttledSignIn(const ServiceContext& service, const std::string& name,
                              const std::string& password, const std::string& address) {
    std::optional<Account> account;
    {
        // A short transaction: the hash below must not hold the database.
        SqlTx tx(service.database);
        account = AccountStore(tx).bySignInName(name);
    }
    // Names cannot hold "#", so an id key never meets a typed name.
    const std::string key = account ? "#" + std::to_string(account->id) : name;
    if (!service.signIns.mayTry(key, address))
        return {std::nullopt, kTooManySignIns};
    if (!account || !verifyPassword(password, account->password)) {
        service.signIns.failed(key, address);
        return {std::nullopt, kWrongPassword};
    }
    service.signIns.succeeded(key);
    return {std::move(account), {}};
}

}  // namespace nubexa::standin
