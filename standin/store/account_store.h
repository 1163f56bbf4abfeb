#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "standin/store/sql_database.h"
#include "standin/util/crypto_util.h"

namespace nubexa::standin {

struct Account {
    std::int64_t id = 0;
    std::string name;
    std::string nickname;
    std::string email;
    PasswordRecord password;
    std::string ftpUser;
    std::string ftpPassword;
    bool vip = false;
    bool wip = false;
    std::int64_t integral = 0;
    std::int64_t diskSize = 0;     // bytes
    std::int64_t uploadLimit = 0;  // bytes, per file
    std::string avatar;            // file name the client asks the file server for
    std::int64_t created = 0;
};

struct NewAccount {
    std::string name;
    std::string nickname;
    std::string email;
    std::string password;
    bool vip = false;
    bool wip = false;
    std::int64_t integral = 0;
    std::int64_t diskSize = 2LL << 30;
    std::int64_t uploadLimit = 512LL << 20;
};

// Accounts and their quotas. Works inside the caller's transaction.
class AccountStore {
public:
    explicit AccountStore(SqlTx& tx) : m_tx(tx) {}

    std::optional<Account> byId(std::int64_t id);
    std::optional<Account> byName(const std::string& name);
    std::optional<Account> byFtpUser(const std::string& ftpUser);
    // What a user may type at sign-in: the account name, the account id (without leading
    // zeros), or an e-mail address that belongs to one account only.
    std::optional<Account> bySignInName(const std::string& name);

    // Checks the name, password and e-mail address, then creates the account with a random
    // file-server password.
    Outcome create(const NewAccount& account, std::int64_t& newId);

    // Sets a new password and ends every sign-in and reset link of the account.
    Outcome setPassword(std::int64_t id, const std::string& password);

    // A one-time password-reset token, valid for kResetLifetime.
    std::string openPasswordReset(std::int64_t id);
    // The account of a reset token that is still valid.
    std::optional<std::int64_t> accountOfReset(const std::string& token);
    static constexpr std::int64_t kResetLifetime = 30 * 60;  // seconds
    void setServices(std::int64_t id, bool vip, bool wip);
    void addDiskSize(std::int64_t id, std::int64_t bytes);
    // Space bought on the capacity page: the disk grows by `bytes` up to kMaxPurchasedDisk.
    Outcome addPurchasedSpace(std::int64_t id, std::int64_t bytes);
    static constexpr std::int64_t kMaxPurchasedDisk = 20LL << 30;
    void setAvatar(std::int64_t id, const std::string& fileName);

    // Bytes of the finalised files (recycle bin included) and of registrations still waiting
    // for their bytes.
    std::int64_t usedSize(std::int64_t id);
    std::int64_t reservedSize(std::int64_t id);

    static Outcome checkAccountName(const std::string& name);
    static Outcome checkPassword(const std::string& password);
    static Outcome checkEmail(const std::string& email);
    // Not blank, at most kMaxNickname characters.
    static Outcome checkNickname(const std::string& nickname);
    static constexpr int kMaxNickname = 32;

private:
    std::optional<Account> load(const char* where, const std::string& key);

    SqlTx& m_tx;
};

}  // namespace nubexa::standin
