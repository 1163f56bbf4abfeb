// How many tasks start at once, what waits, and what the monitor starts and sums.
#include <algorithm>
#include <filesystem>

#include "platform/picker.h"
#include "store/user_log.h"
#include "transfer/task_commands.h"
#include "transfer/transfer_page_text.h"
#include "transfer_fixture.h"

namespace nubexa::test {
namespace {

using namespace std::chrono_literals;

class QueueLimits : public TransferTest {};

TEST_F(QueueLimits, AThirdUploadWaitsWhileTwoRunAndALaterTickStartsIt) {
    // Each file takes about four seconds: far longer than queuing three, even on a loaded
    // machine or under a sanitizer.
    m_settings.ftp.maxBytesPerSecond = 256 << 10;
    // The user's choice, stored as the settings dialog stores it.
    const std::string uid = m_client->account().uid;
    ASSERT_TRUE(m_gate->run([&](LocalStore& store) {
        return UserLog(store).saveSpeedLimits(uid, {0, 0, 2, 7});
    }));
    manager().loadSpeedLimits();
    EXPECT_EQ(manager().transferLimit(Direction::kUpload), 2);
    EXPECT_EQ(manager().transferLimit(Direction::kDownload), 7);
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 3; ++i) {
        const auto queued =
            queue().QueueFileUpload(makeFile("f" + std::to_string(i) + ".bin", 1 << 20, i), {});
        ASSERT_TRUE(queued.queued);
        ids.push_back(queued.id);
    }
    EXPECT_EQ(row(ids[0])->status, task_status::kRunning);
    EXPECT_EQ(row(ids[1])->status, task_status::kRunning);
    EXPECT_EQ(row(ids[2])->status, task_status::kWaiting);
    EXPECT_EQ(stateOf(ids[2]), "暂停");
    EXPECT_FALSE(manager().workers().isLive(ids[2]));
    EXPECT_EQ(m_view.calls().front(), "uploading page");

    // Two uploads are live: the tick leaves the third waiting.
    EXPECT_EQ(monitor().MonitorTick().startedUpload, 0);
    ASSERT_TRUE(waitUntil([&] { return complete(ids[0]) || complete(ids[1]); }, 60s));
    ASSERT_TRUE(tickUntil([&] { return complete(ids[2]); }));
    manager().waitForWorkers();
    for (const auto id : ids)
        EXPECT_TRUE(complete(id)) << id;
    const auto files = remoteFiles("0");
    for (const char* name : {"f0.bin", "f1.bin", "f2.bin"})
        EXPECT_EQ(files.count(name), 1u) << name;
    EXPECT_EQ(manager().counts().uploads(), 0);
    EXPECT_TRUE(m_notifier.texts().empty());
}

TEST_F(QueueLimits, AFolderUploadStartsAsManyAsAllowedAtOnceAndTheMonitorTheRest) {
    m_settings.ftp.maxBytesPerSecond = 256 << 10;
    const int files = kDefaultTransfers + 2;
    for (int i = 0; i < files; ++i)
        makeFile("more/" + std::to_string(i) + ".bin", 256 << 10, i);
    const auto result = queue().QueueFolderUpload(localDir() + "/more", {});
    ASSERT_EQ(result.taskIds.size(), static_cast<std::size_t>(files));
    for (int i = 0; i < files; ++i) {
        EXPECT_EQ(row(result.taskIds[i])->status,
                  i < kDefaultTransfers ? task_status::kRunning : task_status::kWaiting)
            << i;
    }
    EXPECT_LE(manager().workers().liveCount(Direction::kUpload), kDefaultTransfers);
    ASSERT_TRUE(tickUntil([&] {
        return std::all_of(result.taskIds.begin(), result.taskIds.end(),
                           [&](std::int64_t id) { return complete(id); });
    }));
    EXPECT_EQ(remoteFiles(result.remoteFolderId).size(), static_cast<std::size_t>(files));
}

// The file server takes two signed-in connections from one address; the user allows four
// uploads at once. The refused workers give their tasks back to the two that got in, and the
// pool stays smaller: nothing fails, nobody is told of a failure, nothing backs off.
TEST_F(QueueLimits, AServerRefusingOneConnectionTooManyShrinksThePoolInsteadOfFailingTasks) {
    restartService([](standin::ServiceOptions& options) { options.ftp.maxSessionsPerAddress = 2; });
    m_settings.ftp.maxBytesPerSecond = 256 << 10;
    m_settings.poolHold = std::chrono::hours(1);  // no regained place while the test runs
    manager().limits().set({0, 0, 4, 0});
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 6; ++i) {
        const auto queued = queue().QueueFileUpload(
            makeFile("crowd" + std::to_string(i) + ".bin", 256 << 10, i), {});
        ASSERT_TRUE(queued.queued);
        ids.push_back(queued.id);
    }
    ASSERT_TRUE(waitUntil(
        [&] {
            return std::all_of(ids.begin(), ids.end(),
                               [&](std::int64_t id) { return complete(id); });
        },
        120s));
    manager().waitForWorkers();

    EXPECT_GE(countLogLines("no place for another signed-in session"), 1);
    EXPECT_LT(manager().transferLimit(Direction::kUpload), 4);
    EXPECT_EQ(manager().limits().get().uploadTransfers, 4) << "the user's choice stays";
    EXPECT_EQ(manager().backoff(Direction::kUpload).failures(), 0);
    EXPECT_TRUE(m_notifier.texts().empty());
    const auto files = remoteFiles("0");
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(files.count("crowd" + std::to_string(i) + ".bin"), 1u) << i;
}

// Two big downloads at once, each in byte ranges, share the user's three downloads at once
// with their workers: the file server, which takes three signed-in connections from an
// address, never has to refuse one, and both files arrive whole.
TEST_F(QueueLimits, RangedDownloadsAtOnceOpenNoMoreConnectionsThanTheDownloadLimit) {
    restartService([](standin::ServiceOptions& options) { options.ftp.maxSessionsPerAddress = 3; });
    const std::string first = patternBytes(3 << 20, 51);
    const std::string second = patternBytes(3 << 20, 52);
    const DiskItem remoteA = putRemoteFile({}, "ranged-a.bin", first);
    const DiskItem remoteB = putRemoteFile({}, "ranged-b.bin", second);
    dropManager();
    const int signInsBefore = countLogLines("PASS **** -> 230");
    m_settings.ftp.ranges.threshold = 1 << 20;
    m_settings.ftp.ranges.smallest = 256 << 10;
    m_settings.ftp.ranges.probe = std::chrono::milliseconds(0);
    // Slow enough that the two overlap: ranges of one wait for places the other gives back.
    m_settings.ftp.maxBytesPerSecond = 1 << 20;
    m_settings.poolHold = std::chrono::hours(1);  // a refusal would show in the limit
    manager().limits().set({0, 0, 0, 3});
    const auto a = queue().QueueFileDownload(remoteA, localDir(), {});
    const auto b = queue().QueueFileDownload(remoteB, localDir(), {});
    ASSERT_TRUE(a.queued && b.queued);
    int mostOpen = 0;
    bool besideSeen = false;
    ASSERT_TRUE(waitUntil(
        [&] {
            const int beside = manager().scheduler().besideDownloadCount();
            besideSeen = besideSeen || beside > 0;
            mostOpen =
                std::max(mostOpen, manager().workers().liveCount(Direction::kDownload) + beside);
            return complete(a.id) && complete(b.id);
        },
        120s));
    manager().waitForWorkers();

    EXPECT_TRUE(readFile(localDir() + "/ranged-a.bin") == first);
    EXPECT_TRUE(readFile(localDir() + "/ranged-b.bin") == second);
    EXPECT_EQ(countLogLines("no place for another signed-in session"), 0);
    EXPECT_EQ(manager().transferLimit(Direction::kDownload), 3);
    EXPECT_LE(mostOpen, 3);
    // The ranges did run beside the workers, and the places went back.
    EXPECT_TRUE(besideSeen);
    EXPECT_GE(countLogLines("PASS **** -> 230") - signInsBefore, 3);
    EXPECT_EQ(manager().scheduler().besideDownloadCount(), 0);
    EXPECT_TRUE(m_notifier.texts().empty());
}

TEST_F(QueueLimits, APausedTaskIsNeverStartedByATick) {
    m_settings.ftp.maxBytesPerSecond = 1 << 20;
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 3; ++i)
        ids.push_back(
            queue()
                .QueueFileUpload(makeFile("p" + std::to_string(i) + ".bin", 512 << 10, i), {})
                .id);
    TaskCommands commands(manager());
    ASSERT_EQ(commands.pause(ids[2]), TaskCommands::Result::kDone);
    ASSERT_TRUE(waitUntil([&] { return complete(ids[0]) && complete(ids[1]); }, 60s));
    manager().waitForWorkers();
    for (int tick = 0; tick < 3; ++tick)
        EXPECT_EQ(monitor().MonitorTick().startedUpload, 0);
    EXPECT_EQ(row(ids[2])->status, task_status::kWaiting);
    EXPECT_EQ(stateOf(ids[2]), "暂停");

    ASSERT_EQ(commands.resume(ids[2]), TaskCommands::Result::kDone);
    ASSERT_TRUE(waitUntil([&] { return complete(ids[2]); }, 60s));
}

TEST_F(QueueLimits, TheStatusTextSumsRunningUnfinishedTasksOfTheUserOnly) {
    const std::string uid = m_client->account().uid;
    EXPECT_EQ(monitor().MonitorTick().statusText, "上传：0 KB/S 下载：0 KB/S");
    m_gate->run([&](LocalStore& store) {
        TaskTable tasks(store);
        const auto add = [&](const std::string& user, bool upload) {
            NewTaskRow row{user, "/tmp/", "x", "x", 4096, task_status::kRunning, "\\", "0"};
            upload ? tasks.insertFileUpload(row) : tasks.insertFileDownload(row);
            return tasks.lastInsertedId();
        };
        tasks.writeProgress({add(uid, true), 4096, 1024, 25, 100});
        tasks.writeProgress({add(uid, false), 4096, 2048, 50, 30});
        tasks.writeProgress({add(uid, false), 4096, 4096, 100, 50});  // finished
        tasks.writeProgress({add("someone-else", true), 4096, 1024, 25, 70});
    });
    m_view.clear();
    EXPECT_EQ(monitor().MonitorTick().statusText, "上传：100 KB/S 下载：30 KB/S");
    // The transfer pages follow the pushed changes: a tick refills no list.
    EXPECT_EQ(m_view.calls(), (std::vector<std::string>{"status 上传：100 KB/S 下载：30 KB/S"}));
}

TEST_F(QueueLimits, FilesAtTheUploadLimitAreQueuedAndLargerOnesRefused) {
    m_settings.startAtOnce = false;
    m_client->updateAccount([](AccountInfo& account) { account.upload_size = 1000; });
    EXPECT_TRUE(queue().QueueFileUpload(makeFile("exact.bin", 1000), {}).queued);
    EXPECT_FALSE(queue().QueueFileUpload(makeFile("over.bin", 1001), {}).queued);
    ASSERT_EQ(m_notifier.messages().size(), 1u);
    EXPECT_EQ(m_notifier.messages()[0].caption, "提示");
    EXPECT_EQ(m_notifier.messages()[0].text, "(over.bin）单文件大小超过你当前等级限制");

    makeFile("mixed/fits.bin", 1000);
    makeFile("mixed/too-big.bin", 1001);
    const auto result = queue().QueueFolderUpload(localDir() + "/mixed", {});
    ASSERT_EQ(result.taskIds.size(), 1u);
    EXPECT_EQ(row(result.taskIds[0])->localFileName, "fits.bin");
    EXPECT_EQ(row(result.taskIds[0])->status, task_status::kWaiting);
    EXPECT_EQ(result.oversizedFiles.size(), 1u);
    EXPECT_EQ(m_notifier.texts().back(), "(too-big.bin）单文件大小超过你当前等级限制");
    EXPECT_EQ(manager().workers().liveCount(), 0) << "queue-only: nothing starts";
}

TEST_F(QueueLimits, NoPathOrAnEmptyPathIsRefusedByItsCode) {
    EXPECT_EQ(queue().QueueFolderUpload(std::nullopt, {}).code, -1);
    EXPECT_EQ(queue().QueueFolderUpload(std::string(), {}).code, -2);
    const auto missing = queue().QueueFolderUpload(localDir() + "/not-there", {});
    EXPECT_EQ(missing.code, 0);
    EXPECT_TRUE(missing.remoteFolderId.empty());
    EXPECT_TRUE(m_notifier.texts().empty());
}

// Answers the choosers with what the test says and notes their titles.
class ScriptedPicker : public Picker {
public:
    std::optional<std::string> pickFile(const std::string& title) override {
        titles.push_back(title);
        return answer;
    }
    std::optional<std::string> pickFolder(const std::string& title) override {
        titles.push_back(title);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<std::string> titles;
};

TEST_F(QueueLimits, TheChoosersAskWithTheirTitlesAndACancelQueuesNothing) {
    m_settings.startAtOnce = false;
    ScriptedPicker picker;
    EXPECT_FALSE(queue().QueueFileUpload(picker, {}).queued);
    EXPECT_FALSE(queue().QueueFileDownload(picker, DiskItem{"1", "a", ".txt", "5"}, {}).queued);
    EXPECT_TRUE(queue().QueueFolderUpload(picker, {}).taskIds.empty());
    EXPECT_EQ(picker.titles, (std::vector<std::string>{"请选择要上传的文件", "请选择存放的路径 ",
                                                       "请选择上传文件夹: "}));
    EXPECT_TRUE(m_view.calls().empty()) << "a cancel changes no page";
    EXPECT_TRUE(loadTransferPage(*m_gate, m_client->account().uid, Direction::kUpload).empty());

    picker.answer = makeFile("chosen.txt", 10);
    const auto queued = queue().QueueFileUpload(picker, {});
    ASSERT_TRUE(queued.queued);
    EXPECT_EQ(row(queued.id)->localFileName, "chosen.txt");
    EXPECT_EQ(row(queued.id)->localPath, localDir() + "/");
    picker.answer = localDir();
    const auto download = queue().QueueFileDownload(picker, DiskItem{"1", "a", ".txt", "5"}, {});
    ASSERT_TRUE(download.queued);
    EXPECT_EQ(row(download.id)->localFileName, "a.txt");
    EXPECT_EQ(row(download.id)->localPath, localDir()) << "the picker's form, no trailing '/'";
    EXPECT_EQ(row(download.id)->ftpFileName, "1.txt");
    EXPECT_EQ(row(download.id)->parentId, "\\");
}

}  // namespace
}  // namespace nubexa::test
