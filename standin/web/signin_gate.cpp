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
    if (const auto wait = service.signIns.lockedFor(key, address); wait.count() > 0)
        return {std::nullopt, tooManySignIns(wait)};
    if (!account || !verifyPassword(password, account->password)) {
        service.signIns.failed(key, address);
        return {std::nullopt, kWrongPassword};
    }
    service.signIns.succeeded(key, address);
    return {std::move(account), {}};
}

std::string tooManySignIns(std::chrono::seconds wait) {
    return "登录失败次数过多，请" + std::to_string(waitMinutes(wait)) + "分钟后再试";
}

}  // namespace nubexa::standin
