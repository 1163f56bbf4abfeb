#include <gtest/gtest.h>

#include "store/user_log.h"
#include "store_fixture.h"

namespace nubexa::test {
namespace {

class SignInRecords : public StoreTest {
protected:
    void signIn(const std::string& uid, const std::string& password, bool remember,
                bool autoLogin = false, const std::string& autoResume = "0") {
        gate().run([&](LocalStore& s) {
            EXPECT_TRUE(UserLog(s).recordSignIn(
                {uid, password, "2026-12-8 9:5:7", remember, autoLogin, autoResume, {}}));
        });
    }

    std::optional<LastUser> lastUser() {
        return gate().run([](LocalStore& s) { return UserLog(s).readLastUser(); });
    }
};

TEST_F(SignInRecords, FreshDatabaseHasNoLastUser) {
    EXPECT_FALSE(lastUser().has_value());
}

TEST_F(SignInRecords, RememberedPasswordIsOfferedBack) {
    signIn("1001", "secret", true, true, "1");
    const auto last = lastUser();
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->userName, "1001");
    EXPECT_EQ(last->password, "secret");
    EXPECT_EQ(last->rememberPassword, "1");
    EXPECT_EQ(last->autoLogin, "1");
    EXPECT_EQ(last->autoResume, "1");
}

TEST_F(SignInRecords, PasswordIsEmptyWhenNotRemembered) {
    signIn("1001", "secret", true);
    signIn("1001", "secret", false);
    const auto last = lastUser();
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->password, "");
    EXPECT_EQ(last->rememberPassword, "0");
}

TEST_F(SignInRecords, LastUserFollowsTheNewestSignIn) {
    signIn("1001", "a", true);
    signIn("2002", "b", true);
    EXPECT_EQ(lastUser()->userName, "2002");
    signIn("1001", "c", true);
    EXPECT_EQ(lastUser()->password, "c");
}

TEST_F(SignInRecords, LastUserWithoutSignInRowReadsBlankPassword) {
    gate().run([](LocalStore& s) { UserLog(s).setLastUserId("3003"); });
    const auto last = lastUser();
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->password, " ");
    EXPECT_EQ(last->rememberPassword, "0");
}

TEST_F(SignInRecords, NoLastUserRowYieldsNoRow) {
    rawExec("DELETE FROM t_options WHERE key='last_user_id'");
    signIn("1001", "a", true);  // the update finds no row to change
    EXPECT_FALSE(lastUser().has_value());
}

TEST_F(SignInRecords, AvatarIsStoredOnTheNewestRow) {
    signIn("1001", "a", true);
    signIn("1001", "a", true);
    gate().run([](LocalStore& s) {
        UserLog log(s);
        const auto row = log.newestRowId("1001");
        EXPECT_EQ(row, 2);
        EXPECT_EQ(log.newestRowId("nobody"), 0);
        EXPECT_TRUE(log.setAvatar(row, "image/userFile/o'brien.png"));
        StoreQuery query =
            s.prepareQuery("SELECT avatarpath, avatarIsDown FROM t_user_log WHERE id=2");
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.textAt(0), "image/userFile/o'brien.png");
        EXPECT_EQ(query.intAt(1), 1);
    });
}

TEST_F(SignInRecords, SavingSettingsChangesOnlyTheAutoRunOption) {
    signIn("1001", "a", true, true, "1");
    gate().run([](LocalStore& s) {
        UserLog log(s);
        auto choices = log.readChoices("1001");
        ASSERT_TRUE(choices.has_value());
        EXPECT_EQ(choices->autoRun, 0);
        EXPECT_TRUE(log.saveAutoRun(true));
        choices = log.readChoices("1001");
        EXPECT_EQ(choices->autoRun, 1);
        EXPECT_EQ(choices->autoLogin, 1);
        EXPECT_EQ(choices->autoResume, 1);
        EXPECT_FALSE(log.readChoices("someone else").has_value());
    });
    // The second statement of the settings text never runs: the user's row is unchanged.
    EXPECT_EQ(lastUser()->password, "a");
}

}  // namespace
}  // namespace nubexa::test
