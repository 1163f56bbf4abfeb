// Sync rounds through the session against the stand-in: a backup round and an idle one after
// it, a mirror round that keeps a local edit as a conflict copy, a vanished local folder, and
// a round whose k-th bin.db access fails, for every k, followed by a round that must end where
// an unharmed round ends.
#include <ace/Log_Msg.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "platform/notifier.h"
#include "session/client_session.h"
#include "session/sync_round.h"
#include "standin/local_standin.h"
#include "support/temp_dir.h"

namespace nubexa::test {
namespace {

namespace fs = std::filesystem;

using Files = std::map<std::string, std::string>;  // relative path -> content

void writeFiles(const std::string& root, const Files& files) {
    for (const auto& [path, content] : files) {
        fs::create_directories(fs::path(root + "/" + path).parent_path());
        std::ofstream(root + "/" + path, std::ios::binary) << content;
    }
}

Files readTree(const std::string& root) {
    Files files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] = readFile(entry.path().string());
    }
    return files;
}

class SyncRoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        ACE_Log_Msg::instance()->priority_mask(0, ACE_Log_Msg::PROCESS);
        fs::create_directories(m_dir.path() + "/program");
        fs::create_directories(m_dir.path() + "/state");
        std::string error;
        m_service = standin::startLocalStandin(
            m_dir.path() + "/data", [](const std::string&) {}, error);
        ASSERT_TRUE(m_service) << error;
        SessionConfig config;
        config.databasePath = m_dir.path() + "/state/bin.db";
        config.programFolder = m_dir.path() + "/program/";
        config.service.apiHost = "127.0.0.1:" + std::to_string(m_service->httpPort());
        m_session = std::make_unique<ClientSession>(config, m_notifier);
        PasswordSignIn request;
        request.account = "demo";
        request.password = "demo123";
        ASSERT_TRUE(m_session->signIn(request).ok());
        ASSERT_TRUE(m_session->lockQueue());
        startTransfers(*m_session, {m_dir.path() + "/program/", false, false, std::nullopt},
                       m_view);
        m_options.run.start = {m_dir.path() + "/program/", true, false, std::nullopt};
        m_options.trashFolder = m_dir.path() + "/trash";
    }
    void TearDown() override {
        m_session.reset();
        if (m_service)
            m_service->stop();
    }

    // A local folder and a new disk folder, paired.
    SyncPair pair(const std::string& name, SyncMode mode) {
        const std::string local = m_dir.path() + "/" + name;
        fs::create_directories(local);
        const auto made = m_session->disk().makeFolder("0", name);
        EXPECT_TRUE(made.ok()) << made.message;
        SyncPair pair{0, {}, local, made.value.id, "\\" + name, mode, 0};
        const SyncPairAdded added = SyncPairs(*m_session).add(pair);
        EXPECT_EQ(added.outcome, SyncPairAdded::Outcome::kAdded);
        pair.id = added.id;
        return pair;
    }

    SyncRoundResult round(const SyncPair& pair) {
        return SyncRound(*m_session, pair, m_view).run(m_options);
    }

    // The disk folder's files by path with their sizes.
    std::map<std::string, std::string> remoteSizes(const SyncPair& pair) {
        const auto account = m_session->account();
        const auto listing = m_session->service().GetFilesWhitPath(account.uid, account.token,
                                                                   pair.remoteFolderId, "", "");
        EXPECT_TRUE(listing.ok());
        std::map<std::string, std::string> sizes;
        for (const DiskFileEntry& file : listing.value.files) {
            std::string path = file.path.substr(file.path.find('/', 1) + 1);
            sizes[path + file.name + file.ext] = file.size;
        }
        return sizes;
    }

    TempDir m_dir;
    std::unique_ptr<standin::StandinService> m_service;
    RecordingNotifier m_notifier;
    NoTransferView m_view;
    std::unique_ptr<ClientSession> m_session;
    SyncRoundOptions m_options;
};

const Files kSample = {{"notes.txt", "first notes"},
                       {"a:b.txt", "mapped name"},
                       {"sub/deep/photo.jpg", std::string(70000, 'p')}};

TEST_F(SyncRoundTest, BackupGoesUpOnceThenIdlesAndAChangeReplacesOnlyThatFile) {
    const SyncPair backup = pair("backup", SyncMode::kBackup);
    writeFiles(backup.localFolder, kSample);

    SyncRoundResult first = round(backup);
    EXPECT_EQ(first.end, SyncRoundResult::End::kDone) << ::testing::PrintToString(first.problems);
    EXPECT_EQ(first.uploaded, 3);
    const std::map<std::string, std::string> expected = {
        {"notes.txt", "11"}, {"a\uFF1Ab.txt", "11"}, {"sub/deep/photo.jpg", "70000"}};
    EXPECT_EQ(remoteSizes(backup), expected);

    // The mapped name on the disk is the same file, not a new one to fetch or send again.
    const SyncRoundResult idle = round(backup);
    EXPECT_EQ(idle.end, SyncRoundResult::End::kDone);
    EXPECT_EQ(idle.uploaded + idle.downloaded + idle.trashedRemote + idle.trashedLocal, 0);

    writeFiles(backup.localFolder, {{"notes.txt", "second, longer notes"}});
    fs::remove(backup.localFolder + "/a:b.txt");  // a backup never deletes on the disk
    // Replacing one file of three is more than the pair allows without asking.
    const SyncRoundResult asked = round(backup);
    EXPECT_EQ(asked.end, SyncRoundResult::End::kAsk);
    EXPECT_EQ(asked.destructive, 1);
    EXPECT_EQ(remoteSizes(backup), expected);
    m_options.deletionsConfirmed = true;
    const SyncRoundResult changed = round(backup);
    EXPECT_EQ(changed.end, SyncRoundResult::End::kDone);
    EXPECT_EQ(changed.uploaded, 1);
    auto after = expected;
    after["notes.txt"] = "20";
    EXPECT_EQ(remoteSizes(backup), after);
    EXPECT_EQ(readTree(backup.localFolder).size(), 2u);
}

TEST_F(SyncRoundTest, MirrorKeepsALocalEditAsAConflictCopyAndPausesWhenTheFolderIsGone) {
    m_options.askAboveShare = 1.0;  // the rail is the backup test's
    const SyncPair source = pair("source", SyncMode::kBackup);
    writeFiles(source.localFolder, kSample);
    ASSERT_EQ(round(source).end, SyncRoundResult::End::kDone);

    SyncPair mirror = source;
    mirror.localFolder = m_dir.path() + "/mirror";
    mirror.mode = SyncMode::kMirror;
    fs::create_directories(mirror.localFolder);
    const SyncPairAdded added = SyncPairs(*m_session).add(mirror);
    ASSERT_EQ(added.outcome, SyncPairAdded::Outcome::kAdded);
    mirror.id = added.id;
    ASSERT_EQ(round(mirror).end, SyncRoundResult::End::kDone);
    Files down = readTree(mirror.localFolder);
    EXPECT_EQ(down["sub/deep/photo.jpg"], kSample.at("sub/deep/photo.jpg"));
    EXPECT_EQ(down["a\uFF1Ab.txt"], "mapped name");

    // Both sides edit notes.txt: the local edit steps aside, the disk's version comes down.
    writeFiles(mirror.localFolder, {{"notes.txt", "edited here"}});
    writeFiles(source.localFolder, {{"notes.txt", "edited there"}});
    ASSERT_EQ(round(source).end, SyncRoundResult::End::kDone);
    const SyncRoundResult conflict = round(mirror);
    EXPECT_EQ(conflict.end, SyncRoundResult::End::kDone)
        << ::testing::PrintToString(conflict.problems);
    EXPECT_EQ(conflict.conflicts, 1);
    down = readTree(mirror.localFolder);
    EXPECT_EQ(down["notes.txt"], "edited there");
    int copies = 0;
    for (const auto& [path, content] : down) {
        if (path.find("冲突") != std::string::npos) {
            ++copies;
            EXPECT_EQ(content, "edited here");
        }
    }
    EXPECT_EQ(copies, 1);
    // A local edit alone is never overwritten.
    writeFiles(mirror.localFolder, {{"notes.txt", "mine"}});
    EXPECT_EQ(round(mirror).end, SyncRoundResult::End::kDone);
    EXPECT_EQ(readFile(mirror.localFolder + "/notes.txt"), "mine");

    // An unmounted disk looks like a folder that is gone: nothing happens anywhere.
    const auto before = remoteSizes(source);
    fs::rename(source.localFolder, m_dir.path() + "/unmounted");
    EXPECT_EQ(round(source).end, SyncRoundResult::End::kPaused);
    EXPECT_EQ(remoteSizes(source), before);

    // Pairs never nest.
    SyncPair nested = source;
    nested.localFolder = mirror.localFolder + "/sub";
    EXPECT_EQ(SyncPairs(*m_session).add(nested).problem, SyncFolderProblem::kInsideAPair);
}

// Whatever access to bin.db fails during a round, the next round ends as an unharmed one:
// every file once on each side, and a third round with nothing to do.
TEST_F(SyncRoundTest, ARoundCutOffAtAnyBinDbAccessIsFinishedByTheNext) {
    m_options.askAboveShare = 1.0;
    const Files local = {{"one.txt", "1"}, {"d/two.bin", std::string(5000, '2')}};
    const Files remoteOnly = {{"three.txt", "three"}};
    Files all = local;
    all.insert(remoteOnly.begin(), remoteOnly.end());
    const std::map<std::string, std::string> sizes = {
        {"one.txt", "1"}, {"d/two.bin", "5000"}, {"three.txt", "5"}};

    bool unharmed = false;
    int k = 1;
    for (; !unharmed && k < 400; ++k) {
        // A disk folder with a file of its own, and a local folder with two others.
        const SyncPair seed = pair("seed-" + std::to_string(k), SyncMode::kBackup);
        writeFiles(seed.localFolder, remoteOnly);
        ASSERT_EQ(round(seed).end, SyncRoundResult::End::kDone);
        ASSERT_TRUE(SyncPairs(*m_session).remove(seed.id));
        SyncPair twoWay = seed;
        twoWay.localFolder = m_dir.path() + "/two-way-" + std::to_string(k);
        twoWay.mode = SyncMode::kTwoWay;
        fs::create_directories(twoWay.localFolder);
        writeFiles(twoWay.localFolder, local);
        twoWay.id = SyncPairs(*m_session).add(twoWay).id;
        ASSERT_GT(twoWay.id, 0);

        const std::int64_t before = m_session->gate().run([&](LocalStore& store) {
            store.failAccessAfter(k);
            return store.accesses();
        });
        round(twoWay);
        // Past the round's last access: the round ran whole, and every k has been tried.
        unharmed = m_session->gate().run([&](LocalStore& store) {
            store.failAccessAfter(0);
            return store.accesses() - before < k;
        });
        const SyncRoundResult next = round(twoWay);
        EXPECT_EQ(next.end, SyncRoundResult::End::kDone)
            << "k=" << k << " " << ::testing::PrintToString(next.problems);
        EXPECT_EQ(readTree(twoWay.localFolder), all) << "k=" << k;
        EXPECT_EQ(remoteSizes(twoWay), sizes) << "k=" << k;
        const SyncRoundResult idle = round(twoWay);
        EXPECT_EQ(idle.uploaded + idle.downloaded + idle.conflicts + idle.trashedLocal +
                      idle.trashedRemote,
                  0)
            << "k=" << k;
        if (::testing::Test::HasFailure())
            break;
    }
    EXPECT_TRUE(unharmed);
}

}  // namespace
}  // namespace nubexa::test
