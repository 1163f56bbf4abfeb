// Sync rounds through the session against the stand-in: a backup round and an idle one after
// it, an edit that needs no asking, the deletion rail, a mirror round that keeps a local edit as a
// conflict copy, a first two-way round over folders that already match, two-way deletions into
// a bin or trash, a vanished local folder, and rounds harmed at their k-th bin.db access or web
// request, for every k, each followed by a round that must end where an unharmed round ends.
#include <ace/Log_Msg.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/notifier.h"
#include "service/service_client.h"
#include "session/client_session.h"
#include "session/session_core.h"
#include "session/sync_round.h"
#include "standin/local_standin.h"
#include "support/temp_dir.h"
#include "transfer/transfer_queue.h"

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
        // Fails the web operation numbered m_failRequest (counted from 1 after it is set).
        m_service = standin::startLocalStandin(
            m_dir.path() + "/data", [](const std::string&) {}, error, 0, 0,
            [this](const std::string&) {
                return m_failRequest.load() > 0 && ++m_requests == m_failRequest.load();
            });
        ASSERT_TRUE(m_service) << error;
        SessionConfig config;
        config.databasePath = m_dir.path() + "/state/bin.db";
        config.programFolder = m_dir.path() + "/program/";
        config.service.apiHost = "127.0.0.1:" + std::to_string(m_service->httpPort());
        config.frame = m_frame;
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

    // Another local folder paired with `source`'s disk folder, holding `files`.
    SyncPair pairOver(const SyncPair& source, const std::string& name, SyncMode mode,
                      const Files& files = {}) {
        SyncPair other = source;
        other.localFolder = m_dir.path() + "/" + name;
        other.mode = mode;
        fs::create_directories(other.localFolder);
        writeFiles(other.localFolder, files);
        const SyncPairAdded added = SyncPairs(*m_session).add(other);
        EXPECT_EQ(added.outcome, SyncPairAdded::Outcome::kAdded);
        other.id = added.id;
        return other;
    }

    SyncRoundResult round(const SyncPair& pair) {
        return SyncRound(*m_session, pair, m_view).run(m_options);
    }

    // The disk folder's files by path with their sizes.
    std::map<std::string, std::string> remoteSizes(const SyncPair& pair) {
        const auto account = m_session->account();
        const auto listing =
            SessionCore::service(*m_session)
                .GetFilesWhitPath(account.uid, account.token, pair.remoteFolderId, "", "");
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
    FrameOptions m_frame;  // as SetUp finds it
    std::atomic<int> m_failRequest{0};
    std::atomic<int> m_requests{0};
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
    // An edit replaces the synced copy (into the recycle bin) without asking, even in a pair
    // this small.
    const SyncRoundResult changed = round(backup);
    EXPECT_EQ(changed.end, SyncRoundResult::End::kDone);
    EXPECT_EQ(changed.destructive, 0);
    EXPECT_EQ(changed.uploaded, 1);
    auto after = expected;
    after["notes.txt"] = "20";
    EXPECT_EQ(remoteSizes(backup), after);
    EXPECT_EQ(readTree(backup.localFolder).size(), 2u);
}

TEST_F(SyncRoundTest, MirrorKeepsALocalEditAsAConflictCopyAndPausesWhenTheFolderIsGone) {
    m_options.askAboveShare = 1.0;  // the rail is the two-way test's
    const SyncPair source = pair("source", SyncMode::kBackup);
    writeFiles(source.localFolder, kSample);
    ASSERT_EQ(round(source).end, SyncRoundResult::End::kDone);

    const SyncPair mirror = pairOver(source, "mirror", SyncMode::kMirror);
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

// A two-way pair made over a local folder that already holds the disk's files: the same bytes
// on both sides are taken as synced, and only a file that differs (in content, at the same size)
// keeps both versions. The second round has nothing left to do but send that copy up.
TEST_F(SyncRoundTest, AFirstTwoWayRoundOverMatchingFoldersCopiesOnlyWhatDiffers) {
    m_options.askAboveShare = 1.0;
    const Files disk = {{"same.txt", "same bytes"},
                        {"empty.txt", ""},
                        {"sub/same.bin", std::string(300000, 's')},
                        {"differs.txt", "disk side!"}};
    const SyncPair source = pair("matching", SyncMode::kBackup);
    writeFiles(source.localFolder, disk);
    ASSERT_EQ(round(source).end, SyncRoundResult::End::kDone);

    Files local = disk;
    local["differs.txt"] = "local side";  // as long as the disk's
    const SyncPair copy = pairOver(source, "already here", SyncMode::kTwoWay, local);

    // Unfinished: the conflict copy is new on this side, for the next round to send up.
    const SyncRoundResult first = round(copy);
    EXPECT_EQ(first.end, SyncRoundResult::End::kUnfinished);
    EXPECT_TRUE(first.problems.empty()) << ::testing::PrintToString(first.problems);
    EXPECT_EQ(first.conflicts, 1);
    EXPECT_EQ(first.downloaded, 1);
    EXPECT_EQ(first.uploaded, 0);
    Files after = readTree(copy.localFolder);
    std::vector<std::string> copies;
    for (const auto& [path, content] : after) {
        if (path.find("冲突") != std::string::npos)
            copies.push_back(path);
    }
    ASSERT_EQ(copies.size(), 1u) << ::testing::PrintToString(copies);
    EXPECT_EQ(after[copies.front()], "local side");
    EXPECT_EQ(after["differs.txt"], "disk side!");
    EXPECT_EQ(after.size(), local.size() + 1);

    const SyncRoundResult second = round(copy);
    EXPECT_EQ(second.end, SyncRoundResult::End::kDone);
    EXPECT_EQ(second.conflicts, 0);
    EXPECT_EQ(second.downloaded, 0);
    EXPECT_EQ(second.uploaded, 1);  // the conflict copy
    EXPECT_EQ(remoteSizes(copy).size(), disk.size() + 1);
}

// How often the pairs look at the disk is the user's, within its range, 5 minutes unless chosen.
TEST_F(SyncRoundTest, TheCheckIntervalIsTheUsersWithinItsRange) {
    SyncPairs pairs(*m_session);
    EXPECT_EQ(pairs.checkMinutes(), SyncPairs::kDefaultCheckMinutes);
    for (const auto& [chosen, kept] : {std::pair{17, 17}, {0, 1}, {100000, 240}}) {
        ASSERT_TRUE(pairs.setCheckMinutes(chosen));
        EXPECT_EQ(pairs.checkMinutes(), kept) << chosen;
    }
}

// Two-way: a deletion on either side goes to the other side's bin or trash, a change on the
// disk replaces the synced local file (which goes to the trash first), nothing is lost.
TEST_F(SyncRoundTest, TwoWayDeletionsGoToABinOrTrashAndADiskChangeComesDown) {
    const SyncPair twoWay = pair("both", SyncMode::kTwoWay);
    writeFiles(twoWay.localFolder, {{"gone-here.txt", "deleted locally"},
                                    {"gone-there.txt", "deleted on the disk"},
                                    {"changed-there.txt", "old"}});
    ASSERT_EQ(round(twoWay).end, SyncRoundResult::End::kDone);

    fs::remove(twoWay.localFolder + "/gone-here.txt");
    std::map<std::string, std::string> ids;
    for (const DiskFileEntry& file :
         m_session->disk().folderEntries(twoWay.remoteFolderId).value.files)
        ids[file.name + file.ext] = file.id;
    ASSERT_TRUE(m_session->disk().remove(ItemRef{ids["gone-there.txt"], false}, "0").accepted());
    // Another client's new version: the old file to the bin, the new one up.
    ASSERT_TRUE(m_session->disk().remove(ItemRef{ids["changed-there.txt"], false}, "0").accepted());
    writeFiles(m_dir.path() + "/elsewhere", {{"changed-there.txt", "new from elsewhere"}});
    ASSERT_TRUE(SessionCore::queue(*m_session)
                    .QueueFileUpload(m_dir.path() + "/elsewhere/changed-there.txt",
                                     RemoteFolder{twoWay.remoteFolderId, "\\both"})
                    .queued);
    struct Quiet : QueueRunListener {
        void taskEnded(const TaskEnded&) override {}
    } quiet;
    ASSERT_EQ(QueueRun(*m_session, m_options.run, m_view).run(quiet).completed, 1);

    // Two deletions of three files ask first (the disk's new version would not) and change
    // nothing.
    const SyncRoundResult asked = round(twoWay);
    EXPECT_EQ(asked.end, SyncRoundResult::End::kAsk);
    EXPECT_EQ(asked.destructive, 2);
    EXPECT_EQ(readTree(twoWay.localFolder).size(), 2u);
    m_options.deletionsConfirmed = true;
    const SyncRoundResult result = round(twoWay);
    EXPECT_EQ(result.end, SyncRoundResult::End::kDone) << ::testing::PrintToString(result.problems);
    EXPECT_EQ(result.trashedRemote, 1);
    EXPECT_EQ(result.trashedLocal, 1);
    EXPECT_EQ(result.downloaded, 1);
    EXPECT_EQ(readTree(twoWay.localFolder), (Files{{"changed-there.txt", "new from elsewhere"}}));
    const std::map<std::string, std::string> left = {{"changed-there.txt", "18"}};
    EXPECT_EQ(remoteSizes(twoWay), left);
    // What each side deleted or replaced is in a bin, not gone.
    EXPECT_EQ(readTree(m_options.trashFolder + "/files"),
              (Files{{"gone-there.txt", "deleted on the disk"}, {"changed-there.txt", "old"}}));
    const auto bin = m_session->list(ListingKind::kRecycle, "");
    ASSERT_TRUE(bin.tables);
    std::set<std::string> binned;
    for (const DiskFileEntry& file : listedEntries(bin.tables->disk_files))
        binned.insert(file.name + file.ext);
    EXPECT_EQ(binned.count("gone-here.txt"), 1u);
    EXPECT_EQ(round(twoWay).end, SyncRoundResult::End::kDone);  // and then nothing moves
}

// Empty folders go both ways in a two-way pair, and a deleted one goes to the recycle bin or
// the trash like a file.
TEST_F(SyncRoundTest, TwoWayCarriesEmptyFoldersAndTheirDeletions) {
    m_options.deletionsConfirmed = true;
    const SyncPair twoWay = pair("folders", SyncMode::kTwoWay);
    fs::create_directories(twoWay.localFolder + "/made here/inner");
    SyncRoundResult made = round(twoWay);
    EXPECT_EQ(made.end, SyncRoundResult::End::kDone) << ::testing::PrintToString(made.problems);
    const auto folderIds = [&](const std::string& id) {
        std::map<std::string, std::string> ids;
        for (const FolderItemLc& folder : m_session->disk().folderEntries(id).value.folders)
            ids[folder.name] = folder.id;
        return ids;
    };
    auto top = folderIds(twoWay.remoteFolderId);
    ASSERT_EQ(top.count("made here"), 1u);
    EXPECT_EQ(folderIds(top["made here"]).count("inner"), 1u);

    ASSERT_TRUE(m_session->disk().makeFolder(twoWay.remoteFolderId, "made there").ok());
    made = round(twoWay);
    EXPECT_EQ(made.end, SyncRoundResult::End::kDone) << ::testing::PrintToString(made.problems);
    EXPECT_TRUE(fs::is_directory(twoWay.localFolder + "/made there"));
    const SyncRoundResult idle = round(twoWay);
    EXPECT_EQ(idle.end, SyncRoundResult::End::kDone);
    EXPECT_EQ(idle.trashedLocal + idle.trashedRemote, 0);

    fs::remove_all(twoWay.localFolder + "/made here");
    top = folderIds(twoWay.remoteFolderId);
    ASSERT_TRUE(m_session->disk().remove(ItemRef{top["made there"], true}, "0").accepted());
    const SyncRoundResult deleted = round(twoWay);
    EXPECT_EQ(deleted.end, SyncRoundResult::End::kDone)
        << ::testing::PrintToString(deleted.problems);
    EXPECT_EQ(deleted.trashedLocal, 1);
    EXPECT_EQ(deleted.trashedRemote, 2);  // inner, then its parent
    EXPECT_TRUE(folderIds(twoWay.remoteFolderId).empty());
    EXPECT_FALSE(fs::exists(twoWay.localFolder + "/made there"));
    EXPECT_TRUE(fs::is_directory(m_options.trashFolder + "/files/made there"));
    const auto bin = m_session->list(ListingKind::kRecycle, "");
    ASSERT_TRUE(bin.tables);
    std::set<std::string> binned;
    for (const FolderItemLc& folder : listedEntries(bin.tables->disk_folders))
        binned.insert(folder.name);
    EXPECT_EQ(binned.count("made here"), 1u);
    const SyncRoundResult after = round(twoWay);
    EXPECT_EQ(after.end, SyncRoundResult::End::kDone);
    EXPECT_EQ(after.uploaded + after.downloaded + after.trashedLocal + after.trashedRemote, 0);
    EXPECT_TRUE(readTree(twoWay.localFolder).empty());
}

// A disk folder that can no longer be listed (here: moved to the recycle bin) is no empty
// folder: a two-way round whose deletions were confirmed beforehand deletes nothing locally.
TEST_F(SyncRoundTest, ARefusedListingIsNoEmptyDiskFolder) {
    m_options.deletionsConfirmed = true;
    const SyncPair twoWay = pair("binned", SyncMode::kTwoWay);
    writeFiles(twoWay.localFolder, kSample);
    ASSERT_EQ(round(twoWay).end, SyncRoundResult::End::kDone);
    ASSERT_TRUE(m_session->disk().remove(ItemRef{twoWay.remoteFolderId, true}, "0").accepted());

    const SyncRoundResult refused = round(twoWay);
    EXPECT_EQ(refused.end, SyncRoundResult::End::kListingFailed);
    EXPECT_EQ(refused.listingFailure, Failure::kRefused);
    EXPECT_EQ(refused.trashedLocal, 0);
    EXPECT_TRUE(readTree(twoWay.localFolder) == kSample);
}

// The listing of a whole tree outgrows what a plain answer may be (in the field: 16 MiB, about
// 100,000 files); here the plain bound is shrunk below a few dozen files' listing.
class LargeTreeRoundTest : public SyncRoundTest {
protected:
    LargeTreeRoundTest() { m_frame.limits.maxBodyBytes = 4096; }
};

TEST_F(LargeTreeRoundTest, ATreeListingLargerThanAPlainAnswerStillEndsInAnIdleRound) {
    const SyncPair backup = pair("large", SyncMode::kBackup);
    Files many;
    for (int n = 0; n < 60; ++n)
        many["d" + std::to_string(n % 3) + "/file-" + std::to_string(n) + ".txt"] = "x";
    writeFiles(backup.localFolder, many);
    const SyncRoundResult first = round(backup);
    EXPECT_EQ(first.end, SyncRoundResult::End::kDone) << ::testing::PrintToString(first.problems);
    EXPECT_EQ(first.uploaded, 60);
    const SyncRoundResult idle = round(backup);
    EXPECT_EQ(idle.end, SyncRoundResult::End::kDone);
    EXPECT_EQ(idle.files, 63);  // with the three folders
    EXPECT_EQ(idle.uploaded + idle.downloaded + idle.trashedRemote + idle.trashedLocal, 0);
}

// Whatever access to bin.db fails during a round, the next round ends as an unharmed one:
// every file once on each side, and a third round with nothing to do.
// A round harmed at its k-th bin.db access or its k-th web request, for every k, then an
// unharmed round, which must end where an unharmed round ends (every file once on each side)
// and leave nothing for a third round.
class FaultRoundTest : public SyncRoundTest {
protected:
    void SetUp() override {
        SyncRoundTest::SetUp();
        m_options.askAboveShare = 1.0;
        m_options.run.interval = std::chrono::milliseconds(50);
    }

    // A fresh disk folder holding three.txt, paired two-way with a local folder holding
    // one.txt and d/two.bin.
    SyncPair freshPair() {
        const std::string name = "fault-" + std::to_string(++m_pairs);
        const SyncPair seed = pair(name, SyncMode::kBackup);
        writeFiles(seed.localFolder, {{"three.txt", "three"}});
        EXPECT_EQ(round(seed).end, SyncRoundResult::End::kDone);
        EXPECT_TRUE(SyncPairs(*m_session).remove(seed.id));
        SyncPair twoWay = seed;
        twoWay.localFolder = m_dir.path() + "/two-way-" + name;
        twoWay.mode = SyncMode::kTwoWay;
        fs::create_directories(twoWay.localFolder);
        writeFiles(twoWay.localFolder, {{"one.txt", "1"}, {"d/two.bin", std::string(5000, '2')}});
        twoWay.id = SyncPairs(*m_session).add(twoWay).id;
        EXPECT_GT(twoWay.id, 0);
        return twoWay;
    }

    void expectRecovered(const SyncPair& twoWay, int k) {
        const SyncRoundResult next = round(twoWay);
        EXPECT_EQ(next.end, SyncRoundResult::End::kDone)
            << "k=" << k << " " << ::testing::PrintToString(next.problems);
        const Files all = {
            {"one.txt", "1"}, {"d/two.bin", std::string(5000, '2')}, {"three.txt", "three"}};
        EXPECT_EQ(readTree(twoWay.localFolder), all) << "k=" << k;
        const std::map<std::string, std::string> sizes = {
            {"one.txt", "1"}, {"d/two.bin", "5000"}, {"three.txt", "5"}};
        EXPECT_EQ(remoteSizes(twoWay), sizes) << "k=" << k;
        const SyncRoundResult idle = round(twoWay);
        EXPECT_EQ(idle.uploaded + idle.downloaded + idle.conflicts + idle.trashedLocal +
                      idle.trashedRemote,
                  0)
            << "k=" << k;
    }

    int m_pairs = 0;
};

TEST_F(FaultRoundTest, ARoundCutOffAtAnyBinDbAccessIsFinishedByTheNext) {
    bool unharmed = false;
    for (int k = 1; !unharmed && k < 400 && !HasFailure(); ++k) {
        const SyncPair twoWay = freshPair();
        const std::int64_t before = SessionCore::gate(*m_session).run([&](LocalStore& store) {
            store.failAccessAfter(k);
            return store.accesses();
        });
        round(twoWay);
        // Past the round's last access: the round ran whole, and every k has been tried.
        unharmed = SessionCore::gate(*m_session).run([&](LocalStore& store) {
            store.failAccessAfter(0);
            return store.accesses() - before < k;
        });
        expectRecovered(twoWay, k);
    }
    EXPECT_TRUE(unharmed);
}

TEST_F(FaultRoundTest, ARoundWhoseKthWebRequestFailsIsFinishedByTheNext) {
    bool unharmed = false;
    for (int k = 1; !unharmed && k < 200 && !HasFailure(); ++k) {
        const SyncPair twoWay = freshPair();
        m_requests = 0;
        m_failRequest = k;
        round(twoWay);
        unharmed = m_requests.load() < k;
        m_failRequest = 0;
        expectRecovered(twoWay, k);
    }
    EXPECT_TRUE(unharmed);
}

}  // namespace
}  // namespace nubexa::test
