#include <csignal>
#include <cstdio>
#include <filesystem>
#include <future>

#include "interop_fixture.h"
#include "support/refusing_port.h"

namespace nubexa::test {
namespace {

using namespace std::chrono_literals;

constexpr std::int64_t kMiB = 1 << 20;

class Interruption : public PureFtpdTest {
protected:
    // Slow enough to be caught in mid-transfer.
    static FtpOptions throttled() {
        FtpOptions options = fastOptions();
        options.maxBytesPerSecond = 4 * kMiB;
        return options;
    }

    // Runs `transfer` on its own thread, changes the row with `change` once at least `after`
    // bytes are recorded, and checks that the run stops and leaves the row as the change did.
    enum class Change { Pause, Delete };
    void interrupt(std::int64_t id, const FTPClient& client, std::function<int()> transfer,
                   std::int64_t after, Change change) {
        std::chrono::steady_clock::time_point ended;
        auto running = std::async(std::launch::async, [&] {
            const int result = transfer();
            ended = std::chrono::steady_clock::now();
            return result;
        });
        ASSERT_TRUE(waitUntil([&] { return row(id).transferSize >= after; }, 20s));
        const auto changedAt = std::chrono::steady_clock::now();
        if (change == Change::Pause) {
            setStatusPaused(id);
        } else {
            setStatusDeleted(id);
        }
        const auto changed = row(id);
        ASSERT_EQ(running.wait_for(20s), std::future_status::ready);
        EXPECT_EQ(running.get(), 1);  // stopped by the row: the worker leaves it alone
        EXPECT_EQ(client.lastRunEnd(), RunEnd::kStopped) << "told apart from a completed run";
        // Reported, not asserted: how long the run took to notice and stop.
        const auto stopMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(ended - changedAt).count();
        RecordProperty("stop_ms", static_cast<int>(stopMs));
        std::printf("stopped %lld ms after the row changed\n", static_cast<long long>(stopMs));
        const auto after_ = row(id);
        EXPECT_EQ(after_.status, changed.status);
        EXPECT_EQ(after_.transferSize, changed.transferSize);
        EXPECT_EQ(after_.transferSchedule, changed.transferSchedule);
        EXPECT_LT(after_.transferSize, after_.fileSize);
    }

    void resume(std::int64_t id) {
        m_gate.run([&](LocalStore& store) { TaskTable(store).resume(id); });
    }
};

TEST_F(Interruption, PausedDownloadStopsKeepsItsLastWriteAndResumesByteExact) {
    const std::string bytes = patternBytes(8 * kMiB, 31);
    m_server.putFile("movie.bin", bytes);
    auto task = addDownload("movie.bin", "movie.bin", 8 * kMiB);
    auto client = signedIn(throttled());
    interrupt(
        task.id, *client, [&] { return client->Download(task); }, kMiB, Change::Pause);
    EXPECT_EQ(row(task.id).status, task_status::kWaiting);
    const auto paused = row(task.id);
    // Until it is whole, the file lives under its partial name.
    EXPECT_FALSE(std::filesystem::exists(localFile("movie.bin")));
    EXPECT_GE(static_cast<std::int64_t>(std::filesystem::file_size(partialFile("movie.bin"))),
              paused.transferSize);

    resume(task.id);
    auto again = reload(task.id);
    std::vector<std::string> trace;
    FtpOptions options = fastOptions();
    options.trace = [&](const std::string& text) { trace.push_back(text); };
    EXPECT_EQ(signedIn(options)->Download(again), 1);
    EXPECT_NE(std::find(trace.begin(), trace.end(),
                        "REST " + std::to_string(paused.transferSize) + "\r\n"),
              trace.end());
    EXPECT_TRUE(sameContent(localFile("movie.bin"), m_server.path("movie.bin")));
    EXPECT_EQ(row(task.id).transferSchedule, 100);
}

TEST_F(Interruption, PausedUploadResumesWhereTheServerCopyEnds) {
    const std::string bytes = patternBytes(8 * kMiB, 32);
    writeFile(localFile("backup.tar"), bytes);
    auto task = addUpload("backup.tar", 8 * kMiB);
    auto client = signedIn(throttled());
    interrupt(
        task.id, *client, [&] { return client->Upload(task, nullptr); }, kMiB, Change::Pause);
    const auto paused = row(task.id);
    client.reset();

    resume(task.id);
    auto again = reload(task.id);
    std::vector<std::string> trace;
    FtpOptions options = fastOptions();
    options.trace = [&](const std::string& text) { trace.push_back(text); };
    auto second = signedIn(options);
    EXPECT_EQ(second->Upload(again, nullptr), 1);
    EXPECT_EQ(second->lastRunEnd(), RunEnd::kCompleted);
    EXPECT_NE(std::find(trace.begin(), trace.end(),
                        "REST " + std::to_string(paused.transferSize) + "\r\n"),
              trace.end());
    EXPECT_TRUE(sameContent(m_server.path("backup.tar"), localFile("backup.tar")));
    EXPECT_EQ(row(task.id).status, task_status::kComplete);
}

TEST_F(Interruption, DeletedTransfersStopAndStayDeleted) {
    m_server.putFile("a.bin", patternBytes(8 * kMiB, 33));
    auto down = addDownload("a.bin", "a.bin", 8 * kMiB);
    auto downloader = signedIn(throttled());
    interrupt(
        down.id, *downloader, [&] { return downloader->Download(down); }, kMiB, Change::Delete);
    EXPECT_EQ(row(down.id).status, task_status::kDeleted);

    writeFile(localFile("b.bin"), patternBytes(8 * kMiB, 34));
    auto up = addUpload("b.bin", 8 * kMiB);
    auto uploader = signedIn(throttled());
    interrupt(
        up.id, *uploader, [&] { return uploader->Upload(up, nullptr); }, kMiB, Change::Delete);
    EXPECT_EQ(row(up.id).status, task_status::kDeleted);
}

// nubexa-cli, killed in mid-transfer and run again with the same command.
class KilledProcess : public PureFtpdTest {
protected:
    void SetUp() override {
        if (!*NUBEXA_CLI_PATH)
            GTEST_SKIP() << "nubexa-cli is not part of this build";
        PureFtpdTest::SetUp();
    }

    std::vector<std::string> cli(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {NUBEXA_CLI_PATH, "--db", m_dir.file("cli.db")};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }

    // Starts the command throttled, kills it once its row records `after` bytes, and returns
    // the bytes its row holds after the kill.
    std::int64_t killWhenUnderWay(const std::vector<std::string>& args, int ranType,
                                  std::int64_t after) {
        std::vector<std::string> slow = args;
        slow.insert(slow.end(), {"--limit-rate", "4M"});
        ChildProcess child;
        EXPECT_TRUE(child.start(cli(slow), m_dir.file("cli.log")));
        StoreGate gate(m_dir.file("cli.db"), StoreOptions{2000});
        const std::string owner = std::string("ftp://") + PureFtpd::kUser +
                                  "@127.0.0.1:" + std::to_string(m_server.port());
        const auto recorded = [&] {
            return gate.run([&](LocalStore& store) -> std::int64_t {
                TaskTable tasks(store);
                auto rows = ranType == ran_type::kUpload ? tasks.listUploads(owner)
                                                         : tasks.listDownloads(owner);
                return rows.empty() ? 0 : std::stoll(rows.front().transferSize);
            });
        };
        EXPECT_TRUE(waitUntil([&] { return recorded() >= after || !child.running(); }, 30s));
        EXPECT_TRUE(child.running()) << readFile(m_dir.file("cli.log"));
        child.signalGroup(SIGKILL);
        EXPECT_EQ(child.wait(10s), 128 + SIGKILL);
        return recorded();
    }

    // Runs the command to its end with the trace on; true when it continued at `offset`.
    bool rerunContinuesAt(const std::vector<std::string>& args, std::int64_t offset) {
        std::vector<std::string> verbose = {"--verbose"};
        verbose.insert(verbose.end(), args.begin(), args.end());
        const std::string log = m_dir.file("rerun.log");
        EXPECT_EQ(runProgram(cli(verbose), 60s, log), 0) << readFile(log);
        return readFile(log).find("REST " + std::to_string(offset) + "\r\n") != std::string::npos;
    }
};

TEST_F(KilledProcess, DownloadRunAgainEndsByteExact) {
    m_server.putFile("disk.img", patternBytes(16 * kMiB, 41));
    const std::vector<std::string> get = {"ftp", "get", m_server.url("disk.img"),
                                          localFile("disk.img")};
    const auto recorded = killWhenUnderWay(get, ran_type::kDownload, 2 * kMiB);
    EXPECT_LT(recorded, 16 * kMiB);
    EXPECT_LT(static_cast<std::int64_t>(std::filesystem::file_size(partialFile("disk.img"))),
              16 * kMiB);
    EXPECT_FALSE(std::filesystem::exists(localFile("disk.img")));
    EXPECT_GT(recorded, 0);
    EXPECT_TRUE(rerunContinuesAt(get, recorded));
    EXPECT_TRUE(sameContent(localFile("disk.img"), m_server.path("disk.img")));
}

// Killed while four connections each had part of their range: the same command goes on from
// each range's recorded byte, and only then is the file whole.
TEST_F(KilledProcess, RangedDownloadRunAgainGoesOnInEveryRangeByteExact) {
    constexpr std::int64_t kSize = 40 * kMiB + 333;  // above the size that is split
    m_server.putFile("disk.img", patternBytes(kSize, 44));
    const std::vector<std::string> get = {
        "ftp", "get", "--connections", "4", m_server.url("disk.img"), localFile("disk.img")};
    const auto recorded = killWhenUnderWay(get, ran_type::kDownload, 4 * kMiB);
    ASSERT_GT(recorded, 0);
    StoreGate gate(m_dir.file("cli.db"), StoreOptions{2000});
    const auto ranges = gate.run([&](LocalStore& store) {
        TaskTable tasks(store);
        const auto rows = tasks.listDownloads(std::string("ftp://") + PureFtpd::kUser +
                                              "@127.0.0.1:" + std::to_string(m_server.port()));
        return rows.empty() ? std::vector<TaskRange>{}
                            : tasks.loadRanges(std::stoll(rows.front().id));
    });
    std::int64_t sum = 0;
    std::vector<TaskRange> partly;
    for (const TaskRange& range : ranges) {
        sum += range.done;
        if (range.done > 0 && range.start + range.done < range.end)
            partly.push_back(range);
    }
    EXPECT_EQ(sum, recorded);
    ASSERT_GE(partly.size(), 2U);
    EXPECT_FALSE(std::filesystem::exists(localFile("disk.img")));

    const std::string log = m_dir.file("rerun.log");
    std::vector<std::string> verbose = {"--verbose"};
    verbose.insert(verbose.end(), get.begin(), get.end());
    ASSERT_EQ(runProgram(cli(verbose), 60s, log), 0) << readFile(log);
    const std::string trace = readFile(log);
    for (const TaskRange& range : partly)
        EXPECT_NE(trace.find("REST " + std::to_string(range.start + range.done) + "\r\n"),
                  std::string::npos)
            << "range " << range.start;
    EXPECT_TRUE(sameContent(localFile("disk.img"), m_server.path("disk.img")));
}

TEST_F(KilledProcess, UploadRunAgainEndsByteExact) {
    writeFile(localFile("disk.img"), patternBytes(16 * kMiB, 42));
    const std::vector<std::string> put = {"ftp", "put", localFile("disk.img"),
                                          m_server.url("disk.img")};
    const auto recorded = killWhenUnderWay(put, ran_type::kUpload, 2 * kMiB);
    EXPECT_LT(recorded, 16 * kMiB);
    EXPECT_GT(recorded, 0);
    EXPECT_TRUE(rerunContinuesAt(put, recorded));
    EXPECT_TRUE(sameContent(m_server.path("disk.img"), localFile("disk.img")));
}

TEST_F(KilledProcess, CtrlCStopsResumablyAndErrorsNameTheirCause) {
    m_server.putFile("disk.img", patternBytes(16 * kMiB, 43));
    const std::vector<std::string> get = {"ftp", "get", m_server.url("disk.img"),
                                          localFile("disk.img")};
    std::vector<std::string> slow = get;
    slow.insert(slow.end(), {"--limit-rate", "4M"});
    {
        ChildProcess child;
        ASSERT_TRUE(child.start(cli(slow), m_dir.file("cli.log")));
        EXPECT_TRUE(waitUntil(
            [&] {
                std::error_code missing;
                const auto size = std::filesystem::file_size(partialFile("disk.img"), missing);
                return !missing && size > kMiB;
            },
            30s));
        child.signalGroup(SIGINT);
        EXPECT_EQ(child.wait(10s), std::optional<int>(130));
        EXPECT_NE(readFile(m_dir.file("cli.log")).find("every task stays resumable"),
                  std::string::npos)
            << readFile(m_dir.file("cli.log"));
    }
    const std::string log = m_dir.file("again.log");
    EXPECT_EQ(runProgram(cli(get), 60s, log), 0) << readFile(log);
    EXPECT_TRUE(sameContent(localFile("disk.img"), m_server.path("disk.img")));
    EXPECT_EQ(readFile(log).find("99 %"), std::string::npos);

    const auto says = [&](const std::vector<std::string>& args, const std::string& text) {
        EXPECT_EQ(runProgram(cli(args), 60s, log), 1) << readFile(log);
        EXPECT_NE(readFile(log).find(text), std::string::npos) << readFile(log);
    };
    says({"ftp", "get", m_server.url("missing.bin"), localFile("missing.bin")},
         "the server has no file");
    says({"ftp", "get", m_server.url("disk.img"), m_dir.path()}, "is a folder");
    // A name the server will not take is its refusal, not a transfer to run again.
    says({"ftp", "put", localFile("disk.img"), m_server.url("back%5Cslash")},
         "the server refused the transfer: 553");
    const RefusingPort closed;
    says({"ftp", "get", "ftp://u:p@127.0.0.1:" + std::to_string(closed.port()) + "/x",
          localFile("x")},
         "cannot reach 127.0.0.1:");
}

}  // namespace
}  // namespace nubexa::test
