// nubexa-cli when bin.db, the file server or the sign-in fail: what it says and its exit code.
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>

#include "cli_fixture.h"
#include "standin/service_options.h"

namespace nubexa::test {
namespace {

namespace fs = std::filesystem;

int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// A small file system of the test's own (root only), unmounted at the end.
class SmallFileSystem {
public:
    explicit SmallFileSystem(std::string path) : m_path(std::move(path)) {
        fs::create_directories(m_path);
        m_mounted = ::mount("tmpfs", m_path.c_str(), "tmpfs", 0, "size=1m") == 0;
    }
    ~SmallFileSystem() {
        if (m_mounted)
            ::umount2(m_path.c_str(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }

    // Takes every free byte; false when the file system never said it was full.
    bool fill() {
        const int fd = ::open((m_path + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const std::string block(4096, 'f');
        bool full = false;
        while (fd >= 0 && !full)
            full = ::write(fd, block.data(), block.size()) < 0;
        if (fd >= 0)
            ::close(fd);
        return full;
    }
    void makeRoom() { fs::remove(m_path + "/filler"); }

private:
    std::string m_path;
    bool m_mounted = false;
};

// A small file system under the test's folder (root only; skipped elsewhere).
class CliOnSmallDisk : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        if (::geteuid() != 0)
            GTEST_SKIP() << "a file system of the test's own needs root";
        m_small = std::make_unique<SmallFileSystem>(small());
        if (!m_small->mounted())
            GTEST_SKIP() << "tmpfs cannot be mounted here";
    }
    void TearDown() override {
        m_small.reset();
        CliTest::TearDown();
    }
    std::string small() const { return m_dir.path() + "/small"; }

    std::unique_ptr<SmallFileSystem> m_small;
};

// The reported fault: with bin.db's disk full, "run" started a task whose row could not be
// made running again and again, for ever, deaf to Ctrl-C.
TEST_F(CliOnSmallDisk, AFullDiskUnderBinDbEndsTheRunWithItsReasonOnceAndLosesNoTask) {
    const std::string db = small() + "/bin.db";
    ASSERT_EQ(login("demo123"), 0) << m_output;
    fs::copy_file(home() + "/bin.db", db);
    const std::string upBytes = patternBytes(40000, 3);
    writeFile(localDir() + "/up.bin", upBytes);
    ASSERT_EQ(cli({"--db", db, "put", localDir() + "/up.bin"}), 0) << m_output;
    ASSERT_TRUE(m_small->fill());

    // A sign-in that cannot be recorded is no success.
    EXPECT_EQ(cliWithInput({"--db", db, "login", "demo", "--password-stdin"}, "demo123\n"), 1);
    EXPECT_NE(m_output.find("the sign-in could not be recorded"), std::string::npos) << m_output;
    EXPECT_EQ(m_output.find("signed in as"), std::string::npos) << m_output;

    ASSERT_EQ(cli({"--db", db, "run", "--interval", "0.2"}, 60s), 1) << m_output;
    EXPECT_EQ(occurrences(m_output, "bin.db cannot be written, so no task is started: "), 1)
        << m_output;
    EXPECT_NE(m_output.find("no further task was started"), std::string::npos) << m_output;
    EXPECT_LE(occurrences(m_output, "disk is full"), 4) << m_output;

    // With room again the next run does the task, once.
    m_small->makeRoom();
    ASSERT_EQ(cli({"--db", db, "run", "--interval", "0.2"}, 60s), 0) << m_output;
    EXPECT_NE(m_output.find("1 completed, 0 failed, 0 waiting"), std::string::npos) << m_output;
    EXPECT_EQ(remoteFiles("0").count("up.bin"), 1u);
    EXPECT_EQ(remoteFiles("0").count("up (2).bin"), 0u);
}

// A download onto a full disk fails for good (a retry would not help): "run" and "queue" call
// it failed alike, in the user's language, never "paused".
TEST_F(CliOnSmallDisk, ADownloadOntoAFullDiskIsCalledFailedByRunAndQueueAlike) {
    ASSERT_EQ(login("demo123"), 0) << m_output;
    ASSERT_EQ(cli({"get", "/欢迎使用Nubexa.txt", "--to", small()}), 0) << m_output;
    ASSERT_TRUE(m_small->fill());

    EXPECT_EQ(cli({"run", "--interval", "0.2"}, 60s), 1) << m_output;
    EXPECT_NE(m_output.find("failed: no space left on the disk of " + small()), std::string::npos)
        << m_output;
    EXPECT_NE(m_output.find("1 failed task(s) wait for"), std::string::npos) << m_output;
    EXPECT_EQ(m_output.find("paused"), std::string::npos) << m_output;
    EXPECT_EQ(m_output.find("磁盘"), std::string::npos) << m_output;
    ASSERT_EQ(cli({"queue"}), 0);
    EXPECT_NE(m_output.find("\tfailed: no space left on the disk of "), std::string::npos)
        << m_output;
}

// A bin.db cut in half (a crash of the disk, a copy that stopped): set aside, never trusted.
TEST_F(CliTest, AHalfCutBinDbIsSetAsideAndTheSignInStartsAfresh) {
    ASSERT_EQ(login("demo123"), 0) << m_output;
    for (int i = 0; i < 40; ++i)
        writeFile(localDir() + "/f" + std::to_string(i) + ".txt", patternBytes(10, i));
    ASSERT_EQ(cli({"put", localDir()}), 0) << m_output;
    const std::string whole = readFile(home() + "/bin.db");
    ASSERT_GT(whole.size(), 8192u);
    writeFile(home() + "/bin.db", whole.substr(0, whole.size() / 2));

    EXPECT_EQ(cli({"queue"}), 1);
    EXPECT_NE(m_output.find("was damaged; kept it as " + home() + "/bin.db.damaged-"),
              std::string::npos)
        << m_output;
    EXPECT_EQ(m_output.find("malformed"), std::string::npos) << m_output;
    EXPECT_NE(m_output.find("not signed in"), std::string::npos) << m_output;
    int kept = 0;
    for (const auto& entry : fs::directory_iterator(home())) {
        if (entry.path().filename().string().starts_with("bin.db.damaged-")) {
            EXPECT_TRUE(readFile(entry.path().string()) == whole.substr(0, whole.size() / 2));
            ++kept;
        }
    }
    EXPECT_EQ(kept, 1);
    ASSERT_EQ(login("demo123"), 0) << m_output;
    EXPECT_NE(m_output.find("signed in as"), std::string::npos) << m_output;
    EXPECT_EQ(cli({"queue"}), 0) << m_output;
}

// The file server's address leads nowhere while the web service answers: "run" keeps trying
// for --give-up-after (rounds at 0, 3 and 9 s; the next would begin past 12 s), and each next
// try it announces is made. One start per tick keeps one worker per round.
TEST_F(CliTest, AnOutageOfTheFileServerIsWaitedOutAndEveryAnnouncedTryIsMade) {
    ASSERT_EQ(login("demo123"), 0) << m_output;
    writeFile(localDir() + "/a.bin", "a");
    ASSERT_EQ(cli({"put", localDir() + "/a.bin"}), 0) << m_output;
    restartService([](standin::ServiceOptions& options) { options.publicHost = "127.0.0.2"; });
    writeConfig();

    ASSERT_EQ(cli({"run", "--give-up-after", "12s", "--tick-only"}, 60s), 1) << m_output;
    EXPECT_EQ(occurrences(m_output, "cannot sign in to the file server"), 3) << m_output;
    EXPECT_EQ(occurrences(m_output, "; next try in "), 2) << m_output;
    EXPECT_EQ(occurrences(m_output, "; no further try: "), 1) << m_output;
    EXPECT_GT(m_output.find("; no further try: "), m_output.rfind("; next try in "));
    EXPECT_NE(m_output.find("(--give-up-after 12s); the tasks wait for the next run"),
              std::string::npos)
        << m_output;
    EXPECT_EQ(cliRows().at(0).status, task_status::kWaiting);
}

// Five wrong passwords lock the account for a minute: the service says so, and a later command
// is not told that its remembered (right) password is wrong.
TEST_F(CliTest, ALockedOutSignInIsSaidInTheServicesWordsNotAsAWrongPassword) {
    ASSERT_EQ(login("demo123"), 0) << m_output;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(login("wrong-password"), 1);
        EXPECT_NE(m_output.find("wrong account or password"), std::string::npos) << m_output;
    }
    EXPECT_EQ(login("wrong-password"), 1);
    EXPECT_NE(m_output.find("sign-in refused: too many failed sign-ins"), std::string::npos)
        << m_output;
    EXPECT_EQ(cli({"ls"}), 1);
    EXPECT_NE(m_output.find("the service refused the remembered sign-in: too many failed"),
              std::string::npos)
        << m_output;
    EXPECT_EQ(m_output.find("login ACCOUNT"), std::string::npos) << m_output;
}

}  // namespace
}  // namespace nubexa::test
