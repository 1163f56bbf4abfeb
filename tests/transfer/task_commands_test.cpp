// Pause, resume and delete of running tasks, the stop of every transfer, and the
// automatic-resume choice at the start of a session.
#include <chrono>
#include <filesystem>

#include "ftp/partial_name.h"
#include "store/task_table.h"
#include "store/user_log.h"
#include "transfer/task_commands.h"
#include "transfer/transfer_page_text.h"
#include "transfer_fixture.h"

namespace nubexa::test {
namespace {

using namespace std::chrono_literals;

class TaskControl : public TransferTest {
protected:
    // A file on the disk to download, and the rate that makes transfers last seconds.
    void SetUp() override {
        TransferTest::SetUp();
        m_remoteBytes = patternBytes(3 << 19, 99);
        m_remote = putRemoteFile({}, "remote.bin", m_remoteBytes);
        dropManager();
        m_settings.ftp.maxBytesPerSecond = 512 << 10;
    }

    bool moving(std::int64_t id) {
        const auto stored = row(id);
        return stored && stored->transferSize > 0;
    }

    std::string m_remoteBytes;
    DiskItem m_remote;
};

TEST_F(TaskControl, PausedTasksStopAndKeepTheirBytesResumedTasksFinish) {
    // The bytes are there before the upload is queued: a worker may take it at once, and one
    // that found an empty file would finish before it could be paused.
    const std::string upFile = makeFile("up.bin", 0);
    writeFile(upFile, patternBytes(3 << 19, 5));
    const auto up = queue().QueueFileUpload(upFile, {});
    ASSERT_TRUE(up.queued);
    const auto down = queue().QueueFileDownload(m_remote, localDir(), {});
    ASSERT_TRUE(down.queued);
    EXPECT_EQ(m_view.calls().back(), "downloading page");
    ASSERT_TRUE(waitUntil([&] { return moving(down.id); }, 30s));
    EXPECT_EQ(stateOf(down.id), "下载");

    TaskCommands commands(manager());
    ASSERT_EQ(commands.pause(down.id), TaskCommands::Result::kDone);
    EXPECT_EQ(stateOf(down.id), "暂停");
    ASSERT_TRUE(waitUntil([&] { return !manager().workers().isLive(down.id); }, 10s));
    const auto paused = row(down.id);
    EXPECT_EQ(paused->status, task_status::kWaiting);
    EXPECT_LT(paused->transferSize, static_cast<std::int64_t>(m_remoteBytes.size()));
    EXPECT_EQ(monitor().MonitorTick().startedDownload, 0) << "paused by the user";

    // Paused and resumed at once, while its worker may still be winding down: one worker
    // carries on and the upload is registered once.
    ASSERT_TRUE(waitUntil([&] { return moving(up.id); }, 30s));
    ASSERT_EQ(commands.pause(up.id), TaskCommands::Result::kDone);
    ASSERT_EQ(commands.resume(up.id), TaskCommands::Result::kDone);
    ASSERT_EQ(commands.resume(down.id), TaskCommands::Result::kDone);
    EXPECT_NE(stateOf(down.id), "暂停");
    ASSERT_TRUE(waitUntil([&] { return complete(up.id) && complete(down.id); }, 60s));
    manager().waitForWorkers();
    EXPECT_EQ(readFile(localDir() + "/remote.bin"), m_remoteBytes);
    const auto files = remoteFiles("0");
    EXPECT_EQ(files.count("up.bin"), 1u);
    EXPECT_EQ(files.count("up (2).bin"), 0u);
    EXPECT_EQ(manager().counts().uploads(), 0);
    EXPECT_EQ(manager().counts().downloads(), 0);
}

TEST_F(TaskControl, ADeletedRunningTaskEndsWithoutBeingGivenBack) {
    const auto up = queue().QueueFileUpload(makeFile("gone.bin", 3 << 19), {});
    ASSERT_TRUE(waitUntil([&] { return moving(up.id); }, 30s));
    TaskCommands commands(manager());
    ASSERT_EQ(commands.remove(up.id), TaskCommands::Result::kDone);
    EXPECT_EQ(stateOf(up.id), "(not listed)");
    manager().waitForWorkers();
    EXPECT_EQ(row(up.id)->status, task_status::kDeleted);
    EXPECT_EQ(commands.pause(up.id), TaskCommands::Result::kNotApplicable);
    EXPECT_EQ(commands.resume(up.id), TaskCommands::Result::kNotApplicable);
    EXPECT_EQ(commands.remove(up.id), TaskCommands::Result::kNoSuchTask);
    EXPECT_EQ(commands.pause(12345), TaskCommands::Result::kNoSuchTask);
    EXPECT_EQ(remoteFiles("0").count("gone.bin"), 0u);
}

TEST_F(TaskControl, ADeletedDownloadTakesItsPartialFileAndItsFolderCanComeAgain) {
    const RemoteFolder album = makeRemoteFolder("album");
    putRemoteFile(album, "song.bin", m_remoteBytes);
    const DiskItem folder{album.id, "album", "", "0", true};
    const auto downloads = [&] {
        std::vector<std::int64_t> ids;
        for (const auto& shown :
             loadTransferPage(*m_gate, m_client->account().uid, Direction::kDownload))
            ids.push_back(std::stoll(shown.id));
        return ids;
    };
    ASSERT_EQ(queue().QueueFolderDownload(folder, localDir()), 1);
    const auto first = downloads();
    ASSERT_EQ(first.size(), 1u);
    // Its folders below the chosen one are reached without following links.
    EXPECT_EQ(row(first[0])->localRoot, localDir() + "/");
    ASSERT_TRUE(tickUntil([&] { return moving(first[0]); }));
    const std::string partial = localDir() + "/album/" + partialNameOf("song.bin");
    EXPECT_TRUE(std::filesystem::exists(partial));
    EXPECT_FALSE(std::filesystem::exists(localDir() + "/album/song.bin"));

    ASSERT_EQ(TaskCommands(manager()).remove(first[0]), TaskCommands::Result::kDone);
    manager().waitForWorkers();
    EXPECT_FALSE(std::filesystem::exists(partial));
    EXPECT_TRUE(std::filesystem::is_empty(localDir() + "/album"));

    // What is left is the download's own empty folder: no clash with the user's files.
    ASSERT_EQ(queue().QueueFolderDownload(folder, localDir()), 1);
    const auto again = downloads();
    ASSERT_EQ(again.size(), 1u);
    ASSERT_TRUE(tickUntil([&] { return complete(again[0]); }));
    EXPECT_EQ(readFile(localDir() + "/album/song.bin"), m_remoteBytes);
    EXPECT_FALSE(std::filesystem::exists(partial));
}

TEST_F(TaskControl, AStopOfEveryTransferLeavesTheRowsToResumeInTheNextSession) {
    const std::string upBytes = patternBytes(3 << 19, 6);
    writeFile(localDir() + "/stop.bin", upBytes);
    const auto up = queue().QueueFileUpload(localDir() + "/stop.bin", {});
    const auto down = queue().QueueFileDownload(m_remote, localDir(), {});
    ASSERT_TRUE(waitUntil([&] { return moving(up.id) && moving(down.id); }, 30s));

    manager().stopWorkers();
    EXPECT_EQ(manager().workers().liveCount(), 0);
    for (const auto id : {up.id, down.id}) {
        EXPECT_EQ(row(id)->status, task_status::kRunning) << "not given back, not paused";
        EXPECT_FALSE(complete(id));
    }
    EXPECT_EQ(manager().workers().start(1, Direction::kUpload, [] {}),
              WorkerRegistry::Start::kRefused);

    // The next session resumes them from their bytes.
    dropManager();
    m_settings.ftp.maxBytesPerSecond = 0;
    manager().startSession(true);
    EXPECT_EQ(stateOf(up.id), "暂停");
    ASSERT_TRUE(tickUntil([&] { return complete(up.id) && complete(down.id); }));
    EXPECT_EQ(readFile(localDir() + "/remote.bin"), m_remoteBytes);
    EXPECT_EQ(remoteFiles("0").count("stop.bin"), 1u);
    EXPECT_TRUE(m_notifier.texts().empty());
}

TEST_F(TaskControl, UnfinishedTasksResumeByThemselvesOnlyWhenTheUserChoseIt) {
    const std::string uid = m_client->account().uid;
    const auto recordChoice = [&](const char* autoResume) {
        m_gate->run([&](LocalStore& store) {
            UserLog(store).recordSignIn({uid, "", "2026-1-1 0:0:0", false, false, autoResume, {}});
        });
    };
    m_settings.startAtOnce = false;
    m_settings.ftp.maxBytesPerSecond = 0;
    const auto up = queue().QueueFileUpload(makeFile("later.bin", 1000), {});
    const auto down = queue().QueueFileDownload(m_remote, localDir(), {});

    // Choice off: both wait for the user, shown paused, yet not marked as paused by the user.
    dropManager();
    recordChoice("0");
    m_settings.startAtOnce = true;
    manager().startSession();
    for (int tick = 0; tick < 3; ++tick) {
        const auto done = monitor().MonitorTick();
        EXPECT_EQ(done.startedUpload + done.startedDownload, 0);
    }
    EXPECT_EQ(stateOf(up.id), "暂停");
    EXPECT_EQ(stateOf(down.id), "暂停");
    // The user resumes one; after its end the other still waits.
    ASSERT_EQ(TaskCommands(manager()).resume(up.id), TaskCommands::Result::kDone);
    ASSERT_TRUE(waitUntil([&] { return complete(up.id); }, 30s));
    manager().waitForWorkers();
    EXPECT_EQ(monitor().MonitorTick().startedDownload, 0);
    // A task queued in this session starts as usual.
    const auto next = queue().QueueFileUpload(makeFile("next.bin", 2000), {});
    ASSERT_TRUE(tickUntil([&] { return complete(next.id); }));
    EXPECT_FALSE(complete(down.id));

    // The choice switched on: the held task starts without a new session.
    recordChoice("1");
    ASSERT_TRUE(tickUntil([&] { return complete(down.id); }));
    EXPECT_EQ(readFile(localDir() + "/remote.bin"), m_remoteBytes);

    // A session started with the choice on releases what an earlier one held.
    m_settings.startAtOnce = false;
    dropManager();
    const auto last = queue().QueueFileUpload(makeFile("last.bin", 3000), {});
    recordChoice("0");
    dropManager();
    m_settings.startAtOnce = true;
    manager().startSession();
    EXPECT_EQ(monitor().MonitorTick().startedUpload, 0);
    recordChoice("1");
    dropManager();
    manager().startSession();
    recordChoice("0");  // released rows no longer depend on the choice
    ASSERT_TRUE(tickUntil([&] { return complete(last.id); }));
}

TEST_F(TaskControl, ATaskThatFailsAgainAndAgainWaitsWithABackOffUnlikeAUserPause) {
    m_settings.startAtOnce = false;
    m_settings.failing = {3, 1500ms, 6s};
    const auto down = queue().QueueFileDownload(m_remote, localDir(), {});
    // A file of the user's own is in the way: every run refuses to overwrite it.
    writeFile(localDir() + "/remote.bin", "mine");
    dropManager();
    m_settings.startAtOnce = true;
    const std::string uid = m_client->account().uid;
    const auto markOf = [&](std::int64_t id) {
        return m_gate->run([&](LocalStore& store) {
            for (const auto& task :
                 TaskTable(store).waitingTasks(uid, ran_type::kDownload, true, 9))
                if (task.id == id)
                    return task.mark;
            return -1;
        });
    };
    const auto epochSeconds = [] {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    const auto started = epochSeconds();
    ASSERT_TRUE(tickUntil([&] {
        return m_notifier.texts().size() == 3 && row(down.id)->status == 2 &&
               !manager().workers().isLive(down.id);
    }));
    EXPECT_EQ(markOf(down.id), hold_mark::kFailing) << "told apart from a user pause";
    // When it is tried again is kept with it, for other processes to show: the back-off after
    // a moment between the first run and now.
    const auto listed =
        m_gate->run([&](LocalStore& store) { return TaskTable(store).listDownloads(uid).front(); });
    EXPECT_GE(listed.retryAt, started + 1);
    EXPECT_LE(listed.retryAt, epochSeconds() + 2);
    EXPECT_EQ(stateOf(down.id), "暂停");
    EXPECT_EQ(monitor().MonitorTick().startedDownload, 0) << "within its back-off";
    EXPECT_FALSE(monitor().anythingWaiting());
    EXPECT_EQ(
        m_notifier.texts(),
        std::vector<std::string>(3, "本地路径已经存在该文件，不能下载。失败文件名为:remote.bin"));
    EXPECT_EQ(readFile(localDir() + "/remote.bin"), "mine");

    // Retried after the back-off without the user: it fails once more and waits twice as long.
    ASSERT_TRUE(tickUntil([&] { return m_notifier.texts().size() == 4; }, 30s));
    // Out of the way, the user's resume starts it at once and it finishes.
    ASSERT_TRUE(waitUntil([&] { return !manager().workers().isLive(down.id); }, 10s));
    std::filesystem::remove(localDir() + "/remote.bin");
    ASSERT_EQ(TaskCommands(manager()).resume(down.id), TaskCommands::Result::kDone);
    ASSERT_TRUE(waitUntil([&] { return complete(down.id); }, 30s));
    EXPECT_EQ(readFile(localDir() + "/remote.bin"), m_remoteBytes);
}

}  // namespace
}  // namespace nubexa::test
