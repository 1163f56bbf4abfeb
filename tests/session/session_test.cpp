// The session as the front ends drive it, against the stand-in on loopback: a sign-in refused
// and accepted, a listing, an item operation that the service takes and one that the network
// fails, and the queue's pause and resume through the transfer pages' own calls.
#include <ace/Log_Msg.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/autostart.h"
#include "platform/notifier.h"
#include "session/client_session.h"
#include "standin/local_standin.h"
#include "support/temp_dir.h"

namespace nubexa::test {
namespace {

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ACE_Log_Msg::instance()->priority_mask(0, ACE_Log_Msg::PROCESS);
        std::filesystem::create_directories(m_dir.path() + "/program");
        std::string error;
        m_service = standin::startLocalStandin(
            m_dir.path() + "/data", [](const std::string&) {}, error);
        ASSERT_TRUE(m_service) << error;
        SessionConfig config;
        config.databasePath = m_dir.path() + "/bin.db";
        config.programFolder = m_dir.path() + "/program/";
        config.service.apiHost = "127.0.0.1:" + std::to_string(m_service->httpPort());
        m_session = std::make_unique<ClientSession>(config, m_notifier);
    }
    void TearDown() override {
        m_session.reset();
        if (m_service)
            m_service->stop();
    }

    SignInResult signIn(const std::string& password) {
        PasswordSignIn request;
        request.account = "demo";
        request.password = password;
        request.firstListing = true;
        return m_session->signIn(request);
    }

    TempDir m_dir;
    std::unique_ptr<standin::StandinService> m_service;
    RecordingNotifier m_notifier;
    std::unique_ptr<ClientSession> m_session;
};

TEST_F(SessionTest, SignInListAndAnItemOperationThatTheNetworkFails) {
    const SignInResult refused = signIn("wrong");
    EXPECT_EQ(refused.failure, Failure::kRefused);
    EXPECT_EQ(m_session->account().signed_in, 0);
    EXPECT_FALSE(m_session->lastSignIn().user);  // a refused sign-in is not recorded

    const SignInResult signedIn = signIn("demo123");
    ASSERT_TRUE(signedIn.ok());
    ASSERT_TRUE(signedIn.listing);
    EXPECT_FALSE(signedIn.account.uid.empty());
    const LastSignIn last = m_session->lastSignIn();
    ASSERT_TRUE(last.user);
    EXPECT_EQ(last.user->userName, signedIn.account.uid);

    const ClientSession::Listing top = m_session->list(ListingKind::kFolder, "0");
    ASSERT_EQ(top.failure, Failure::kNone);
    ASSERT_TRUE(top.tables);
    EXPECT_FALSE(listedEntries(top.tables->disk_folders).empty());

    const auto made = m_session->disk().makeFolder("0", "session-made");
    ASSERT_TRUE(made.ok()) << made.message;
    const ItemRef folder{made.value.id, true};
    ServiceRefusal why;
    EXPECT_EQ(m_session->disk().rename(folder, "session-renamed", &why), 1);
    EXPECT_EQ(why.failure, Failure::kNone);

    // The service gone: the operation fails as the network's doing, not as a refusal.
    m_service->stop();
    EXPECT_EQ(m_session->disk().rename(folder, "unreachable", &why), 0);
    EXPECT_EQ(why.failure, Failure::kNoAnswer);
    EXPECT_EQ(m_session->list(ListingKind::kFolder, "0").failure, Failure::kNoAnswer);
}

TEST_F(SessionTest, QueuedUploadPausesAndResumesThroughThePagesCalls) {
    ASSERT_TRUE(signIn("demo123").ok());
    TransferSettings settings;
    settings.programFolder = m_dir.path() + "/program/";
    settings.ftp.trace = nullptr;
    settings.startAtOnce = false;  // the rows wait for a monitor: nothing moves under the test
    NoTransferView view;
    m_session->startTransfers(settings, view);
    ASSERT_TRUE(m_session->takeQueue(false));

    const std::string file = m_dir.path() + "/upload me.txt";
    std::ofstream(file) << std::string(4096, 'x');
    ASSERT_TRUE(m_session->queueFileUploads({file}, RemoteFolder{}));
    std::vector<TransferRow> rows = m_session->transferRows(Direction::kUpload);
    ASSERT_EQ(rows.size(), 1u);
    const std::int64_t id = rows.front().id;
    EXPECT_TRUE(m_session->transferRows(Direction::kDownload).empty());

    EXPECT_EQ(m_session->pauseTask(id), TaskCommands::Result::kDone);
    rows = m_session->transferRows(Direction::kUpload);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.front().task.status, "2");
    EXPECT_EQ(waitReason(rows.front().task.status, rows.front().task.holdMark), "已暂停");

    EXPECT_EQ(m_session->resumeTask(id), TaskCommands::Result::kDone);
    rows = m_session->transferRows(Direction::kUpload);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NE(waitReason(rows.front().task.status, rows.front().task.holdMark), "已暂停");

    // A task that is not there (another user's, or deleted) is said as such.
    EXPECT_EQ(m_session->pauseTask(id + 1000), TaskCommands::Result::kNoSuchTask);
    EXPECT_EQ(m_session->removeTask(id), TaskCommands::Result::kDone);
    EXPECT_TRUE(m_session->transferRows(Direction::kUpload).empty());
    EXPECT_EQ(m_session->resumeTask(id), TaskCommands::Result::kNotApplicable);
}

// The settings dialog's path: choices stored, read back and followed by running transfers at
// once; a log-on start the desktop refuses is said, and the stored choice is what log-on will do.
TEST_F(SessionTest, SettingsAreStoredFollowedAndARefusedLogOnStartIsSaid) {
    const SignInResult signedIn = signIn("demo123");
    ASSERT_TRUE(signedIn.ok());
    const std::string uid = signedIn.account.uid;
    TransferSettings transfers;
    transfers.programFolder = m_dir.path() + "/program/";
    transfers.startAtOnce = false;
    NoTransferView view;
    m_session->startTransfers(transfers, view);

    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string kept = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", (m_dir.path() + "/config").c_str(), 1);
    std::unique_ptr<Autostart> autostart = makeSessionAutostart();
    SystemSettings chosen;
    chosen.autoRun = true;
    chosen.autoResume = false;
    chosen.limits = SpeedLimits{300, 0, 2, 7};
    SettingsSaved saved =
        m_session->saveSystemSettings(*autostart, uid, "/usr/bin/nubexa-client", chosen);
    EXPECT_TRUE(saved.ok()) << saved.autostartError;
    EXPECT_EQ(m_session->manager().speedLimits(), chosen.limits);
    SystemSettings stored = m_session->loadSystemSettings(uid);
    EXPECT_TRUE(stored.autoRun);
    EXPECT_FALSE(stored.autoResume);
    EXPECT_EQ(stored.limits, chosen.limits);

    // A configuration "folder" that is a file: the entry cannot be written.
    std::ofstream(m_dir.path() + "/not-a-folder") << "x";
    ::setenv("XDG_CONFIG_HOME", (m_dir.path() + "/not-a-folder").c_str(), 1);
    saved = m_session->saveSystemSettings(*autostart, uid, "/usr/bin/nubexa-client", chosen);
    EXPECT_EQ(saved.problem, SettingsSaved::Problem::kAutostartNotChanged);
    EXPECT_TRUE(saved.autoRunWanted);
    EXPECT_FALSE(saved.autostartError.empty());
    EXPECT_FALSE(m_session->loadSystemSettings(uid).autoRun);
    if (old)
        ::setenv("XDG_CONFIG_HOME", kept.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace nubexa::test
