// Where a remembered password may live: the secret store, bin.db only without any store, and
// never in an older sign-in row or in a file others can read.
#include <sys/stat.h>

#include <map>

#include "keychain/remembered_passwords.h"
#include "platform/secret_store.h"
#include "store_fixture.h"
#include "support/temp_dir.h"

namespace nubexa::test {
namespace {

// A secret store that answers as told: a store that is slow or whose prompt was cancelled
// cannot be made to happen with the real one on request.
class ScriptedSecretStore : public SecretStore {
public:
    Result answer = Result::kDone;
    std::map<std::string, std::string> kept;

    Result write(const std::string& key, const std::string& secret) override {
        if (answer == Result::kDone)
            kept[key] = secret;
        return answer;
    }
    Result read(const std::string& key, std::string& secret) override {
        if (answer != Result::kDone)
            return answer;
        const auto found = kept.find(key);
        if (found == kept.end())
            return Result::kNotFound;
        secret = found->second;
        return Result::kDone;
    }
    Result erase(const std::string& key) override {
        kept.erase(key);
        return answer == Result::kNotFound ? Result::kDone : answer;
    }
};

class RememberedPasswordsTest : public StoreTest {
protected:
    // Every password text in the user's sign-in rows, oldest first.
    std::vector<std::string> storedPasswords(const std::string& uid) {
        return gate().run([&](LocalStore& s) {
            std::vector<std::string> passwords;
            StoreQuery query = s.prepareQuery(
                "SELECT ifnull(password,'') FROM t_user_log WHERE user_id=? ORDER BY id");
            query.bindText(1, uid);
            while (query.next())
                passwords.push_back(query.textAt(0));
            return passwords;
        });
    }
    bool signIn(RememberedPasswords& passwords, const std::string& password, bool remember,
                RememberedPasswords::Kept* kept = nullptr) {
        return passwords.recordSignIn(
            {"1001", password, "2026-12-8 9:5:7", remember, true, "0", {}}, kept);
    }
};

TEST_F(RememberedPasswordsTest, MovingToTheSecretStoreLeavesNoPasswordInAnyRow) {
    // Years of sign-ins without a secret store: one clear-text row each.
    RememberedPasswords withoutStore(gate(), nullptr, "host");
    for (const char* old : {"first-secret", "second-secret", "third-secret"})
        ASSERT_TRUE(signIn(withoutStore, old, true));
    EXPECT_EQ(storedPasswords("1001"), (std::vector<std::string>{"", "", "third-secret"}));
    // bin.db as an earlier version left it: every row still holds its password.
    rawExec("UPDATE t_user_log SET password='old-secret-' || id");

    ScriptedSecretStore secrets;
    RememberedPasswords withStore(gate(), &secrets, "host");
    const auto last = withStore.readLastSignIn().user;
    ASSERT_TRUE(last);
    EXPECT_EQ(last->password, "old-secret-3");
    EXPECT_EQ(secrets.kept["1001@host"], "old-secret-3");
    EXPECT_EQ(storedPasswords("1001"), (std::vector<std::string>{"", "", ""}));
    // The freed bytes are overwritten, not left for anyone who reads the file.
    gate().run([](LocalStore& s) { s.exec("PRAGMA wal_checkpoint(TRUNCATE);"); });
    EXPECT_EQ(readFile(dbPath()).find("old-secret-"), std::string::npos);

    // Remember switched off: nothing anywhere.
    ASSERT_TRUE(signIn(withStore, "new-secret", false));
    EXPECT_TRUE(secrets.kept.empty());
    for (const auto& password : storedPasswords("1001"))
        EXPECT_EQ(password, "");
}

TEST_F(RememberedPasswordsTest, AStoreThatFailsOnceIsNoReasonForClearText) {
    ScriptedSecretStore secrets;
    RememberedPasswords passwords(gate(), &secrets, "host");
    RememberedPasswords::Kept kept{};
    for (const auto answer : {SecretStore::Result::kFailed, SecretStore::Result::kFailed}) {
        secrets.answer = answer;  // no answer in time, or the prompt was cancelled
        ASSERT_TRUE(signIn(passwords, "secret", true, &kept));
        EXPECT_EQ(kept, RememberedPasswords::Kept::kNowhere);
        EXPECT_EQ(storedPasswords("1001").back(), "");
    }
    secrets.answer = SecretStore::Result::kDone;
    ASSERT_TRUE(signIn(passwords, "secret", true, &kept));
    EXPECT_EQ(kept, RememberedPasswords::Kept::kSecretStore);
    EXPECT_EQ(passwords.readLastSignIn().user->password, "secret");

    // A store that does not give it back now is said as such, not as nothing remembered.
    for (const auto& [answer, read] :
         {std::pair{SecretStore::Result::kFailed, PasswordRead::kNoAnswer},
          std::pair{SecretStore::Result::kUnavailable, PasswordRead::kNoStore},
          std::pair{SecretStore::Result::kDone, PasswordRead::kRead}}) {
        secrets.answer = answer;
        const LastSignIn last = passwords.readLastSignIn();
        ASSERT_TRUE(last.user);
        EXPECT_EQ(last.password, read);
        EXPECT_EQ(last.user->password, read == PasswordRead::kRead ? "secret" : "");
        EXPECT_EQ(last.secretStoreFailed(), read != PasswordRead::kRead);
    }

    // No store at all: bin.db keeps it, and says so.
    secrets.answer = SecretStore::Result::kUnavailable;
    ASSERT_TRUE(signIn(passwords, "secret", true, &kept));
    EXPECT_EQ(kept, RememberedPasswords::Kept::kDatabase);
    EXPECT_EQ(storedPasswords("1001").back(), "secret");
}

TEST_F(RememberedPasswordsTest, TheDatabaseFileIsTheOwnersAlone) {
    RememberedPasswords passwords(gate(), nullptr, "host");
    ASSERT_TRUE(signIn(passwords, "secret", true));
    struct stat status {};
    ASSERT_EQ(::stat(dbPath().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 077, 0u);

    // A file an earlier version left readable by others is closed when next opened.
    ASSERT_EQ(::chmod(dbPath().c_str(), 0644), 0);
    StoreGate reopened(dbPath(), StoreOptions{200});
    RememberedPasswords(reopened, nullptr, "host").readLastSignIn();
    ASSERT_EQ(::stat(dbPath().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace nubexa::test
