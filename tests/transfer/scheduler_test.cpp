// The freed slot taken at once, and workers carrying on over one sign-in.
#include <algorithm>
#include <filesystem>

#include "transfer/task_commands.h"
#include "transfer/transfer_page_text.h"
#include "transfer_fixture.h"

namespace nubexa::test {
namespace {

using namespace std::chrono_literals;

class Scheduler : public TransferTest {
protected:
    int signIns() const { return countLogLines(" PASS "); }
    bool allComplete(const std::vector<std::int64_t>& ids) {
        return std::all_of(ids.begin(), ids.end(), [&](std::int64_t id) { return complete(id); });
    }
};

// No monitor tick anywhere in this test: after the user's resume of the first two, every start
// comes from a slot freed by a completion, a pause, a deletion or a failure.
TEST_F(Scheduler, ASlotFreedByEveryKindOfEndIsTakenWithoutATick) {
    m_settings.ftp.maxBytesPerSecond = 512 << 10;
    m_settings.startAtOnce = false;  // all queued first
    const auto queue1 = [&](const std::string& name, std::size_t size) {
        const auto queued =
            queue().QueueFileUpload(makeFile(name, size, static_cast<unsigned>(name.size())), {});
        EXPECT_TRUE(queued.queued) << name;
        return queued.id;
    };
    const auto s1 = queue1("s1.bin", 4000);
    const auto s2 = queue1("s2.bin", 5000);
    // Taken by the two workers after s1 and s2, on the same signed-in connections.
    const auto big1 = queue1("big1.bin", 3 << 20);
    const auto big2 = queue1("big2.bin", 3 << 20);
    const auto gone = queue1("gone.bin", 100);
    std::filesystem::remove(localDir() + "/gone.bin");  // its run fails
    const auto c = queue1("c.bin", 6000);
    const auto d = queue1("d.bin", 7000);
    dropManager();
    m_settings.startAtOnce = true;
    TaskCommands commands(manager());
    manager().limits().set({0, 0, 2, 2});  // two workers carry the whole queue
    ASSERT_EQ(commands.resume(s1), TaskCommands::Result::kDone);
    ASSERT_EQ(commands.resume(s2), TaskCommands::Result::kDone);

    ASSERT_TRUE(waitUntil([&] { return complete(s1) && complete(s2); }, 30s));
    ASSERT_TRUE(
        waitUntil([&] { return row(big1)->transferSize > 0 && row(big2)->transferSize > 0; }, 30s));
    EXPECT_EQ(signIns(), 2) << "the big files went over the sign-ins of s1 and s2";

    ASSERT_EQ(commands.pause(big1), TaskCommands::Result::kDone);
    ASSERT_EQ(commands.remove(big2), TaskCommands::Result::kDone);
    ASSERT_TRUE(waitUntil([&] { return allComplete({c, d}); }, 30s));
    ASSERT_TRUE(waitUntil([&] { return manager().workers().liveCount() == 0; }, 30s));

    EXPECT_EQ(row(big1)->status, task_status::kWaiting);
    EXPECT_FALSE(complete(big1));
    EXPECT_EQ(row(big2)->status, task_status::kDeleted);
    EXPECT_EQ(row(gone)->status, task_status::kWaiting);
    const auto files = remoteFiles("0");
    for (const char* name : {"s1.bin", "s2.bin", "c.bin", "d.bin"})
        EXPECT_EQ(files.count(name), 1u) << name;
    EXPECT_EQ(files.count("big1.bin") + files.count("big2.bin"), 0u);
    EXPECT_EQ(manager().counts().uploads(), 0);
}

TEST_F(Scheduler, ManySmallFilesGoOverOneSignInPerWorkerAndRegisterOnce) {
    constexpr int kFiles = 24;
    for (int i = 0; i < kFiles; ++i)
        makeFile("many/f" + std::to_string(i) + ".bin", 2000 + i, i);
    const auto result = queue().QueueFolderUpload(localDir() + "/many", {});
    ASSERT_EQ(result.taskIds.size(), static_cast<std::size_t>(kFiles));
    ASSERT_TRUE(waitUntil([&] { return allComplete(result.taskIds); }, 60s));
    ASSERT_TRUE(waitUntil([&] { return manager().workers().liveCount() == 0; }, 30s));
    EXPECT_LE(signIns(), manager().transferLimit(Direction::kUpload));
    const auto files = remoteFiles(result.remoteFolderId);
    EXPECT_EQ(files.size(), static_cast<std::size_t>(kFiles));
    for (int i = 0; i < kFiles; ++i)
        EXPECT_EQ(files.count("f" + std::to_string(i) + ".bin"), 1u) << i;

    // A download queued afterwards reuses nothing of the upload connections: they are closed
    // once nothing waits, and a new worker signs in.
    const int before = signIns();
    const DiskItem item{files.at("f0.bin"), "f0", ".bin", "2000"};
    ASSERT_TRUE(queue().QueueFileDownload(item, localDir(), {}).queued);
    ASSERT_TRUE(waitUntil([&] { return manager().workers().liveCount() == 0; }, 30s));
    EXPECT_EQ(signIns(), before + 1);
    EXPECT_EQ(readFile(localDir() + "/f0.bin"), readFile(localDir() + "/many/f0.bin"));
}

}  // namespace
}  // namespace nubexa::test
