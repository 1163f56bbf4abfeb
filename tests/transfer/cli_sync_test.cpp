// Sync folders through nubexa-cli as a user runs it: pairs added (their disk folder made where
// missing), refused, listed and removed, a round of every pair, and a round killed while its
// upload moves, which the next one finishes with the file on the disk once.
#include <signal.h>

#include <filesystem>

#include "cli_fixture.h"
#include "store/user_log.h"

namespace nubexa::test {
namespace {

class CliSyncTest : public CliTest {
protected:
    bool said(const std::string& text) const { return m_output.find(text) != std::string::npos; }

    std::string pairFolder(const std::string& name) {
        const std::string folder = m_dir.path() + "/" + name;
        std::filesystem::create_directories(folder);
        return folder;
    }
};

TEST_F(CliSyncTest, PairsAreAddedRefusedListedRunAndRemoved) {
    ASSERT_EQ(login("demo123"), 0) << m_output;
    ASSERT_EQ(cli({"mkdir", "/同步"}), 0) << m_output;
    const std::string local = pairFolder("docs");
    writeFile(local + "/a.txt", "alpha");
    std::filesystem::create_directories(local + "/sub");
    writeFile(local + "/sub/b.txt", "beta");

    EXPECT_EQ(cli({"sync", "add", local, "/同步", "--mode", "sideways"}), 2) << m_output;
    EXPECT_EQ(cli({"sync", "add", local, "/", "--mode", "backup"}), 1) << m_output;
    EXPECT_TRUE(said("top folder")) << m_output;
    ASSERT_EQ(cli({"sync", "add", local, "/同步", "--mode", "two-way"}), 0) << m_output;
    EXPECT_EQ(cli({"sync", "add", local + "/sub", "/同步"}), 1) << m_output;
    EXPECT_TRUE(said("inside a synced folder")) << m_output;
    EXPECT_EQ(cli({"sync", "add", home(), "/同步"}), 1) << m_output;
    EXPECT_TRUE(said("data folder")) << m_output;

    ASSERT_EQ(cli({"sync", "list"}), 0) << m_output;
    EXPECT_TRUE(said("two-way\t" + local + "\t\\同步\tnever")) << m_output;

    ASSERT_EQ(cli({"sync", "now"}), 0) << m_output;
    EXPECT_TRUE(said("pair 1: in step (2 up, 0 down")) << m_output;
    ASSERT_EQ(cli({"ls", "/同步/sub"}), 0) << m_output;
    EXPECT_TRUE(said("b.txt")) << m_output;
    ASSERT_EQ(cli({"sync", "now"}), 0) << m_output;
    EXPECT_TRUE(said("pair 1: in step (0 up, 0 down")) << m_output;
    ASSERT_EQ(cli({"sync", "list"}), 0) << m_output;
    EXPECT_FALSE(said("never")) << m_output;

    // The local folder gone: the round pauses, the disk keeps every file.
    std::filesystem::rename(local, local + "-unmounted");
    EXPECT_EQ(cli({"sync", "now"}), 1) << m_output;
    EXPECT_TRUE(said("paused, nothing was deleted")) << m_output;
    ASSERT_EQ(cli({"ls", "/同步"}), 0) << m_output;
    EXPECT_TRUE(said("a.txt")) << m_output;

    ASSERT_EQ(cli({"sync", "remove", "1"}), 0) << m_output;
    EXPECT_EQ(cli({"sync", "remove", "1"}), 1) << m_output;
    ASSERT_EQ(cli({"sync", "list"}), 0) << m_output;
    EXPECT_FALSE(said(local)) << m_output;

    // A disk folder that is not there yet is made, but only for a local folder that is taken.
    EXPECT_EQ(cli({"sync", "add", home(), "/新/深处"}), 1) << m_output;
    EXPECT_EQ(cli({"ls", "/新"}), 1) << m_output;
    const std::string fresh = pairFolder("fresh");
    writeFile(fresh + "/c.txt", "gamma");
    std::filesystem::create_symlink("/etc/hostname", fresh + "/link");
    ASSERT_EQ(cli({"sync", "add", fresh, "/新/深处"}), 0) << m_output;
    EXPECT_TRUE(said("made folder /新/深处")) << m_output;
    // A left-out link is said in English, like every other reason.
    EXPECT_EQ(cli({"sync", "now"}), 3) << m_output;
    EXPECT_TRUE(said("left out link: a link, not followed")) << m_output;
    ASSERT_EQ(cli({"ls", "/新/深处"}), 0) << m_output;
    EXPECT_TRUE(said("c.txt")) << m_output;
}

TEST_F(CliSyncTest, ARoundKilledWhileItsUploadMovesIsFinishedByTheNextWithOneCopy) {
    ASSERT_EQ(login("demo123"), 0) << m_output;
    ASSERT_EQ(cli({"mkdir", "/备份"}), 0) << m_output;
    const std::string local = pairFolder("big");
    const std::string content(6 * 1024 * 1024, 'k');
    writeFile(local + "/big.bin", content);
    ASSERT_EQ(cli({"sync", "add", local, "/备份", "--mode", "backup"}), 0) << m_output;

    // Slow enough that the kill comes while the file moves.
    const std::string uid = m_cliGate->run([](LocalStore& store) {
        return UserLog(store).readLastUser().value_or(LastUser{}).userName;
    });
    ASSERT_FALSE(uid.empty());
    ASSERT_TRUE(m_cliGate->run([&](LocalStore& store) {
        return UserLog(store).saveSpeedLimits(uid, SpeedLimits{256, 0, 0, 0});
    }));
    {
        ChildProcess round;
        ASSERT_TRUE(round.start(command({"sync", "now"}), outputFile()));
        ASSERT_TRUE(waitUntil(
            [&] {
                for (const StoredTask& row : cliRows()) {
                    if (row.transferSize > 0)
                        return true;
                }
                return false;
            },
            60s));
        round.signalGroup(SIGKILL);
        EXPECT_EQ(round.wait(10s), 128 + SIGKILL);
    }
    ASSERT_TRUE(m_cliGate->run(
        [&](LocalStore& store) { return UserLog(store).saveSpeedLimits(uid, SpeedLimits{}); }));

    ASSERT_EQ(cli({"sync", "now"}), 0) << m_output;
    ASSERT_EQ(cli({"ls", "/备份", "--bytes"}), 0) << m_output;
    EXPECT_TRUE(said("big.bin")) << m_output;
    EXPECT_TRUE(said(std::to_string(content.size()))) << m_output;
    EXPECT_EQ(m_output.find("big.bin"), m_output.rfind("big.bin")) << m_output;
    ASSERT_EQ(cli({"sync", "now"}), 0) << m_output;
    EXPECT_TRUE(said("in step (0 up, 0 down")) << m_output;
}

// The interval is an hour: what goes up after the first round goes because the watcher saw
// the local folder change. A link the rounds leave out is said once.
TEST_F(CliSyncTest, SyncRunSendsALocalChangeWithoutWaitingForTheIntervalUntilInterrupted) {
    ASSERT_EQ(login("demo123"), 0) << m_output;
    const std::string local = pairFolder("kept");
    writeFile(local + "/first.txt", "there at the start");
    std::filesystem::create_symlink("/etc/hostname", local + "/link");
    ASSERT_EQ(cli({"sync", "add", local, "/常驻", "--mode", "backup"}), 0) << m_output;

    ChildProcess run;
    ASSERT_TRUE(run.start(command({"sync", "run", "--interval", "3600"}), outputFile()));
    const auto synced = [&](const std::string& path) {
        return m_cliGate->run([&](LocalStore& store) {
            auto query = store.prepareQuery(
                "SELECT count(*) FROM t_sync_journal WHERE local_path=?1 AND synced=1");
            query.bindText(1, path);
            return query.next() && query.intAt(0) == 1;
        });
    };
    EXPECT_TRUE(waitUntil([&] { return synced("first.txt"); }, 60s));
    std::filesystem::create_directories(local + "/made/later");
    writeFile(local + "/made/later/later.txt", "made while running");
    EXPECT_TRUE(waitUntil([&] { return synced("made/later/later.txt"); }, 60s));
    run.signalGroup(SIGINT);
    EXPECT_EQ(run.wait(30s), 130);
    m_output = readFile(outputFile());
    EXPECT_TRUE(said("in step (1 up")) << m_output;
    // Both rounds left the link out; the first said so.
    const std::string leftOut = "left out link: a link, not followed";
    const std::size_t first = m_output.find(leftOut);
    EXPECT_NE(first, std::string::npos) << m_output;
    EXPECT_EQ(m_output.find(leftOut, first + 1), std::string::npos) << m_output;
    ASSERT_EQ(cli({"ls", "/常驻/made/later"}), 0) << m_output;
    EXPECT_TRUE(said("later.txt")) << m_output;
}

}  // namespace
}  // namespace nubexa::test
