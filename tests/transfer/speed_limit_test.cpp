// The user's speed limits: one limit shared by every worker of a direction, changed while
// transfers run.
#include <filesystem>

#include "store/user_log.h"
#include "transfer/task_commands.h"
#include "transfer_fixture.h"

namespace nubexa::test {
namespace {

using namespace std::chrono_literals;

class SpeedLimit : public TransferTest {};

TEST_F(SpeedLimit, TwoUploadsMoveTheLimitTogetherNotEach) {
    constexpr std::int64_t kLimitKBps = 1000;
    constexpr std::size_t kFile = 2 << 20;  // about four seconds for the two together
    manager().limits().set({kLimitKBps, 0});
    const auto started = std::chrono::steady_clock::now();
    const auto first = queue().QueueFileUpload(makeFile("a.bin", kFile, 1), {});
    const auto second = queue().QueueFileUpload(makeFile("b.bin", kFile, 2), {});
    ASSERT_TRUE(first.queued && second.queued);
    EXPECT_EQ(manager().workers().liveCount(Direction::kUpload), 2);

    // The status line says that the limit holds, for uploads only.
    ASSERT_TRUE(waitUntil([&] { return manager().limits().holding(Direction::kUpload); }));
    EXPECT_NE(monitor().MonitorTick().statusText.find("KB/S(限速) 下载："), std::string::npos);
    EXPECT_FALSE(manager().limits().holding(Direction::kDownload));

    ASSERT_TRUE(waitUntil([&] { return complete(first.id) && complete(second.id); }, 60s));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double kbps = 2.0 * kFile / 1024 / seconds;
    // Each under a limit of its own, the two would move twice the limit. (Only the upper bound
    // is checked: a loaded machine or a sanitizer may well move less.)
    EXPECT_LT(kbps, kLimitKBps * 1.1) << seconds << " s";
    EXPECT_EQ(remoteFiles("0").count("a.bin"), 1u);
    EXPECT_EQ(remoteFiles("0").count("b.bin"), 1u);
}

TEST_F(SpeedLimit, ARunningDownloadFollowsTheStoredLimitAndItsLiftingAtOnce) {
    const std::string bytes = patternBytes(4 << 20, 3);
    const DiskItem item = putRemoteFile({}, "big.bin", bytes);
    // Stored per user: another user's limits are not ours.
    const std::string uid = m_client->account().uid;
    m_gate->run([&](LocalStore& store) {
        UserLog log(store);
        ASSERT_TRUE(log.saveSpeedLimits(uid, {0, 16}));
        ASSERT_TRUE(log.saveSpeedLimits("someone else", {5, 5}));
    });
    manager().loadSpeedLimits();
    EXPECT_EQ(manager().limits().get(), (SpeedLimits{0, 16}));

    const std::string back = localDir() + "/back";
    std::filesystem::create_directories(back);
    const auto download = queue().QueueFileDownload(item, back, {});
    ASSERT_TRUE(download.queued);
    ASSERT_TRUE(waitUntil([&] {
        const auto stored = row(download.id);
        return stored && stored->transferSize > 0 &&
               manager().limits().holding(Direction::kDownload);
    }));
    EXPECT_FALSE(complete(download.id));  // 16 KB/s: more than four minutes for the file

    // Lifted while it runs: the same worker finishes at line speed, with no restart.
    manager().limits().set({0, 0});
    ASSERT_TRUE(waitUntil([&] { return complete(download.id); }, 60s));
    manager().waitForWorkers();
    EXPECT_TRUE(readFile(back + "/big.bin") == bytes);
    EXPECT_FALSE(manager().limits().holding(Direction::kDownload));
    EXPECT_EQ(monitor().MonitorTick().statusText.find("限速"), std::string::npos);
}

// Bytes in the files below `folder` (a download's partial file among them).
std::uintmax_t bytesBelow(const std::string& folder) {
    std::uintmax_t sum = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
        if (entry.is_regular_file(error))
            sum += entry.file_size(error);
    }
    return sum;
}

// A long hold of bin.db (a queued folder of 100,000 files, another program's write) does not
// stop the running transfers: their progress is written behind them. What is written behind
// still never claims more than the disk holds, and a pause still stops the transfer.
TEST_F(SpeedLimit, ATransferMovesOnWhileBinDbIsHeldAndItsRowNeverRunsAhead) {
    const std::string bytes = patternBytes(16 << 20, 5);
    const DiskItem item = putRemoteFile({}, "held.bin", bytes);
    manager().limits().set({0, 1024});  // 16 s for the file
    const std::string back = localDir() + "/held";
    std::filesystem::create_directories(back);
    const auto download = queue().QueueFileDownload(item, back, {});
    ASSERT_TRUE(download.queued);
    ASSERT_TRUE(waitUntil([&] {
        const auto stored = row(download.id);
        return stored && stored->transferSize > 0;
    }));

    std::uintmax_t grown = 0;
    m_gate->run([&](LocalStore&) {
        const std::uintmax_t at = bytesBelow(back);
        waitUntil(
            [&] {
                grown = bytesBelow(back) - at;
                return grown >= (1u << 20);
            },
            20s);
    });
    EXPECT_GE(grown, 1u << 20) << "the download stood still while bin.db was held";

    ASSERT_EQ(TaskCommands(manager()).pause(download.id), TaskCommands::Result::kDone);
    ASSERT_TRUE(waitUntil([&] { return manager().workers().liveCount() == 0; }, 30s));
    const auto paused = row(download.id);
    ASSERT_TRUE(paused);
    EXPECT_EQ(paused->status, task_status::kWaiting);
    EXPECT_GT(paused->transferSize, 0);
    EXPECT_LE(static_cast<std::uintmax_t>(paused->transferSize), bytesBelow(back));

    manager().limits().set({0, 0});
    ASSERT_EQ(TaskCommands(manager()).resume(download.id), TaskCommands::Result::kDone);
    ASSERT_TRUE(waitUntil([&] { return complete(download.id); }, 60s));
    manager().waitForWorkers();
    EXPECT_TRUE(readFile(back + "/held.bin") == bytes);
}

}  // namespace
}  // namespace nubexa::test
