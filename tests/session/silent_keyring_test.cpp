// The session with the desktop's secret store as the front ends make it, on a private
// gnome-keyring that stops answering while its name stays on the bus. Reading the last user
// ends within the keychain's time limit and says the store did not answer (not that nothing is
// remembered); a sign-in that remembers the password goes through and says it was not kept,
// and bin.db does not take it instead; once the keyring answers again a remembered password
// comes back. A program of its own: the keychain and the private bus need a QCoreApplication,
// which the other session tests do without.
#include <ace/Log_Msg.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <filesystem>
#include <memory>

#include "keychain/keychain_secret_store.h"
#include "keychain/remembered_passwords.h"
#include "platform/notifier.h"
#include "session/client_session.h"
#include "standin/local_standin.h"
#include "support/secret_service_session.h"
#include "support/temp_dir.h"

namespace nubexa::test {
namespace {

// Short, so that each call to the frozen keyring gives up quickly.
constexpr int kKeyringLimitMs = 1000;
constexpr const char* kPassword = "demo123";

PasswordSignIn rememberingSignIn() {
    PasswordSignIn request;
    request.account = "demo";
    request.password = kPassword;
    request.rememberPassword = true;
    request.autoLogin = true;
    return request;
}

struct ThawOnExit {
    SecretServiceSession& keyring;
    ~ThawOnExit() { keyring.thaw(); }
};

// Whether any of bin.db's files (the journal and the WAL too) holds `text`.
bool binDbHolds(const std::string& folder, const std::string& text) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind("bin.db", 0) == 0 &&
            readFile(entry.path().string()).find(text) != std::string::npos)
            return true;
    }
    return false;
}

TEST(SilentKeyringTest, SessionSaysTheStoreIsSilentAndKeepsNoPasswordInBinDb) {
    if (!SecretServiceSession::toolsPresent())
        GTEST_SKIP() << "dbus-daemon or gnome-keyring-daemon is not installed (./run setup "
                        "installs them)";
    ACE_Log_Msg::instance()->priority_mask(0, ACE_Log_Msg::PROCESS);
    TempDir dir;
    std::string error;
    const auto service = standin::startLocalStandin(
        dir.path() + "/data", [](const std::string&) {}, error);
    ASSERT_TRUE(service) << error;
    std::filesystem::create_directories(dir.path() + "/program");

    SecretServiceSession keyring;
    ASSERT_TRUE(keyring.start()) << "the private Secret Service did not start";
    qputenv("DBUS_SESSION_BUS_ADDRESS", keyring.address());
    // Ended before the bus: the keychain thread's bus connection ends the process when its bus
    // goes away while that thread still runs. Thawed before it ends, on every way out.
    KeychainSecretStore secrets("nubexa", kKeyringLimitMs);
    const ThawOnExit thawOnExit{keyring};
    // The first answer takes longer (the library loads, a session with the keyring opens).
    std::string none;
    ASSERT_TRUE(
        waitUntil([&] { return secrets.read("nobody", none) == SecretStore::Result::kNotFound; },
                  std::chrono::seconds(30)));

    SessionConfig config;
    config.databasePath = dir.path() + "/bin.db";
    config.programFolder = dir.path() + "/program/";
    config.service.apiHost = "127.0.0.1:" + std::to_string(service->httpPort());
    config.secrets = &secrets;
    RecordingNotifier notifier;
    auto session = std::make_unique<ClientSession>(config, notifier);

    // Remembered in the keyring while it answers.
    const SignInResult first = session->signIn(rememberingSignIn());
    ASSERT_TRUE(first.ok());
    ASSERT_EQ(first.passwordKept, PasswordPlace::kSecretStore);
    const std::string uid = first.account.uid;
    LastSignIn last = session->lastSignIn();
    ASSERT_EQ(last.password, PasswordRead::kRead);
    EXPECT_EQ(last.user->password, kPassword);

    // Frozen: the last user comes back without the password, for that reason and no other.
    keyring.freeze();
    last = session->lastSignIn();
    ASSERT_TRUE(last.user);
    EXPECT_EQ(last.user->userName, uid);
    EXPECT_EQ(last.user->rememberPassword, "1");
    EXPECT_EQ(last.password, PasswordRead::kNoAnswer);
    EXPECT_TRUE(last.secretStoreFailed());
    EXPECT_TRUE(last.user->password.empty());

    // A sign-in still goes through; the password is said to be kept nowhere, and bin.db does
    // not take it in the store's place.
    const SignInResult frozen = session->signIn(rememberingSignIn());
    ASSERT_TRUE(frozen.ok());
    EXPECT_TRUE(frozen.recorded);
    EXPECT_EQ(frozen.passwordKept, PasswordPlace::kNowhere);
    EXPECT_EQ(session->lastSignIn().password, PasswordRead::kNoAnswer);
    session.reset();  // bin.db closed: every file of it as a later run finds it
    EXPECT_FALSE(binDbHolds(dir.path(), kPassword));

    // Answering again, once it caught up with the calls that waited for it. Logged out and
    // remembered anew: what a new session reads back is what this sign-in kept.
    keyring.thaw();
    session = std::make_unique<ClientSession>(config, notifier);
    ASSERT_TRUE(waitUntil([&] { return session->lastSignIn().password != PasswordRead::kNoAnswer; },
                          std::chrono::seconds(30)));
    ASSERT_TRUE(session->passwords().forget(uid));
    std::string kept;
    ASSERT_EQ(secrets.read(session->passwords().keyOf(uid), kept), SecretStore::Result::kNotFound);
    const SignInResult thawed = session->signIn(rememberingSignIn());
    ASSERT_TRUE(thawed.ok());
    EXPECT_EQ(thawed.passwordKept, PasswordPlace::kSecretStore);
    session = std::make_unique<ClientSession>(config, notifier);
    last = session->lastSignIn();
    ASSERT_EQ(last.password, PasswordRead::kRead);
    EXPECT_EQ(last.user->userName, uid);
    EXPECT_EQ(last.user->password, kPassword);
    session.reset();
    EXPECT_FALSE(binDbHolds(dir.path(), kPassword));
    service->stop();
}

}  // namespace
}  // namespace nubexa::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
