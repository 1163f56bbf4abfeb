#include <gtest/gtest.h>

#include <algorithm>

#include "store_fixture.h"

namespace nubexa::test {
namespace {

using namespace task_status;

class TaskTransitions : public StoreTest {
protected:
    TaskProgress progress(std::int64_t id, std::int64_t done) {
        return TaskProgress{id, 4096, done, static_cast<int>(done * 100 / 4096), 7};
    }
};

TEST_F(TaskTransitions, ProgressWriteAppliesOnlyWhileRunning) {
    const auto running = addTask(ran_type::kDownload, "u1", kRunning);
    gate().run(
        [&](LocalStore& s) { EXPECT_TRUE(TaskTable(s).writeProgress(progress(running, 1024))); });
    auto task = load(running);
    EXPECT_EQ(task.transferSize, 1024);
    EXPECT_EQ(task.transferSchedule, 25);

    // Pause, then a late progress write from the worker: the row keeps the paused state and
    // the bytes of its last write.
    gate().run([&](LocalStore& s) {
        TaskTable tasks(s);
        tasks.pause(running);
        tasks.writeProgress(progress(running, 3072));
        EXPECT_EQ(tasks.readStatus(running), kWaiting);
    });
    task = load(running);
    EXPECT_EQ(task.status, kWaiting);
    EXPECT_EQ(task.transferSize, 1024);

    const auto deleted = addTask(ran_type::kUpload, "u1", kRunning);
    gate().run([&](LocalStore& s) {
        TaskTable tasks(s);
        tasks.remove(deleted);
        tasks.writeProgress(progress(deleted, 2048));
        tasks.writeProgressEndedEarly(progress(deleted, 2048));
        tasks.finishUpload(progress(deleted, 2048));
    });
    task = load(deleted);
    EXPECT_EQ(task.status, kDeleted);
    EXPECT_EQ(task.transferSize, 0);
}

TEST_F(TaskTransitions, ResumeAndStartNeverReviveCompleteOrDeletedTasks) {
    const auto complete = addTask(ran_type::kUpload, "u1", kRunning);
    const auto deleted = addTask(ran_type::kUpload, "u1", kWaiting);
    const auto waiting = addTask(ran_type::kUpload, "u1", kWaiting);
    gate().run([&](LocalStore& s) {
        TaskTable tasks(s);
        tasks.finishUpload(progress(complete, 1024));
        tasks.remove(deleted);
        for (auto id : {complete, deleted, waiting}) {
            tasks.resume(id);
            tasks.startWaiting(id);
        }
    });
    EXPECT_EQ(load(complete).status, kComplete);
    EXPECT_EQ(load(deleted).status, kDeleted);
    EXPECT_EQ(load(waiting).status, kRunning);
}

TEST_F(TaskTransitions, GiveBackEndEarlyAndStartUpReset) {
    const auto a = addTask(ran_type::kDownload, "u1", kRunning);
    const auto b = addTask(ran_type::kDownload, "u1", kRunning);
    const auto done = addTask(ran_type::kUpload, "u1", kRunning);
    gate().run([&](LocalStore& s) {
        TaskTable tasks(s);
        tasks.writeProgress(progress(a, 2048));
        tasks.giveBack(a);
        tasks.writeProgressEndedEarly(progress(b, 3072));
        tasks.finishUpload(progress(done, 4096));
    });
    auto taskA = load(a);
    EXPECT_EQ(taskA.status, kWaiting);
    EXPECT_EQ(taskA.transferSize, 2048);
    auto taskB = load(b);
    EXPECT_EQ(taskB.status, kWaiting);
    EXPECT_EQ(taskB.transferSize, 3072);

    gate().run([&](LocalStore& s) { TaskTable(s).startWaiting(a); });
    gate().run([&](LocalStore& s) { EXPECT_TRUE(TaskTable(s).resetUnfinished()); });
    EXPECT_EQ(load(a).status, kWaiting);
    EXPECT_EQ(load(done).status, kComplete);
    EXPECT_EQ(load(done).transferSize, 4096);
    gate().run([&](LocalStore& s) { EXPECT_EQ(TaskTable(s).sumSpeeds("u1").download, "0"); });
}

TEST_F(TaskTransitions, UploadProgressInTransactionCommitsAndLoadsBack) {
    const auto id = addTask(ran_type::kUpload, "u1", kRunning, 5'000'000'000LL);
    gate().run([&](LocalStore& s) {
        EXPECT_TRUE(TaskTable(s).writeProgressInTransaction(
            TaskProgress{id, 5'000'000'000LL, 4'294'967'296LL, 85, 100}));
    });
    const auto task = load(id);
    // Sizes beyond 32 bits survive the round trip.
    EXPECT_EQ(task.fileSize, 5'000'000'000LL);
    EXPECT_EQ(task.transferSize, 4'294'967'296LL);
    EXPECT_EQ(task.transferSizeText, "4294967296");
}

class TaskInserts : public StoreTest {};

TEST_F(TaskInserts, EachInsertFillsItsColumnsAndStartsAtZero) {
    gate().run([&](LocalStore& s) {
        TaskTable tasks(s);
        tasks.insertFileUpload({"u1", "/a/", "up.txt", "up.txt", 10, kRunning, "\\docs", "12"});
        const auto upload = tasks.lastInsertedId();
        tasks.insertFileDownload({"u1", "/b", "down.jpg", "815.jpg", 20, kWaiting, "\\pics", "x"});
        const auto download = tasks.lastInsertedId();
        tasks.insertFolderUpload({"u1", "/c/", "f.txt", "f.txt", 30, kWaiting, "\\t\\", "44"});
        const auto folderUp = tasks.lastInsertedId();
        tasks.insertFolderDownload({"u1", "/d/sub/", "g.txt", "g.txt", 40, kWaiting, "", "0"});
        const auto folderDown = tasks.lastInsertedId();
        EXPECT_GT(upload, 0);
        EXPECT_EQ(download, upload + 1);

        auto row = tasks.load(upload).value();
        EXPECT_EQ(row.ranType, "1");
        EXPECT_EQ(row.parentId, "12");
        EXPECT_EQ(row.ftpPath, "\\docs");
        EXPECT_EQ(row.transferSizeText, "0");
        EXPECT_EQ(row.transferSchedule, 0);

        row = tasks.load(download).value();
        EXPECT_EQ(row.ranType, "2");
        EXPECT_EQ(row.parentId, "\\");  // a single backslash, whatever the caller passed
        EXPECT_EQ(row.ftpFileName, "815.jpg");
        EXPECT_EQ(row.ftpPath, "\\pics");

        row = tasks.load(folderUp).value();
        EXPECT_EQ(row.ftpPath, "\\t\\");
        EXPECT_EQ(row.parentId, "44");

        row = tasks.load(folderDown).value();
        EXPECT_EQ(row.ftpPath, "\\");
        EXPECT_EQ(row.parentId, "0");
        EXPECT_EQ(row.status, kWaiting);
        // A folder download row is listed and picked up: its defaults are 0, not null.
        EXPECT_EQ(tasks.nextWaitingDownload("u1"), download);
        EXPECT_EQ(tasks.listDownloads("u1").size(), 2u);
    });
}

TEST_F(TaskInserts, QuotesInIdsAndUidsAreValuesNotSql) {
    addTask(ran_type::kUpload, "victim", kWaiting);
    const std::string hostile = "x' OR '1'='1";
    const auto own = addTask(ran_type::kUpload, hostile, kWaiting);
    gate().run([&](LocalStore& s) {
        TaskTable tasks(s);
        const auto rows = tasks.listUploads(hostile);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].id, std::to_string(own));
        EXPECT_EQ(tasks.listUploads("1 or 1=1").size(), 0u);
        EXPECT_EQ(tasks.sumSpeeds("' OR ''='").upload, "0");
        EXPECT_EQ(tasks.load(own).value().userId, hostile);
    });
}

class TaskLists : public StoreTest {};

TEST_F(TaskLists, PagesShowOwnUnfinishedTasksOnly) {
    const auto running = addTask(ran_type::kUpload, "u1", kRunning);
    const auto paused = addTask(ran_type::kUpload, "u1", kRunning);
    const auto waiting = addTask(ran_type::kUpload, "u1", kWaiting);
    const auto deleted = addTask(ran_type::kUpload, "u1", kWaiting);
    const auto finished = addTask(ran_type::kUpload, "u1", kRunning);
    const auto otherUser = addTask(ran_type::kUpload, "u2", kWaiting);
    const auto download = addTask(ran_type::kDownload, "u1", kWaiting);
    gate().run([&](LocalStore& s) {
        TaskTable tasks(s);
        tasks.pause(paused);
        tasks.remove(deleted);
        tasks.writeProgress({finished, 4096, 4096, 100, 9});  // a finished download keeps status 1
        const auto rows = tasks.listUploads("u1");
        std::vector<std::string> ids;
        for (const auto& row : rows)
            ids.push_back(row.id);
        EXPECT_EQ(ids, (std::vector<std::string>{std::to_string(running), std::to_string(paused),
                                                 std::to_string(waiting)}));
        EXPECT_EQ(rows[1].status, "2");
        EXPECT_EQ(rows[1].holdMark, hold_mark::kUserPause);
        EXPECT_EQ(rows[2].holdMark, hold_mark::kNone);
        EXPECT_EQ(rows[0].fileSize, "4096");
        EXPECT_EQ(tasks.listDownloads("u1").size(), 1u);
        // One task read alone is on the page exactly when the page lists it.
        for (const auto id : {running, paused, waiting, deleted, finished, otherUser, download}) {
            const auto alone = tasks.listPageTask(ran_type::kUpload, "u1", id);
            const auto listed = std::find_if(rows.begin(), rows.end(), [&](const auto& row) {
                return row.id == std::to_string(id);
            });
            ASSERT_EQ(alone.has_value(), listed != rows.end()) << id;
            if (alone) {
                EXPECT_EQ(alone->status + alone->fileSize, listed->status + listed->fileSize);
            }
        }
        EXPECT_TRUE(tasks.listPageTask(ran_type::kDownload, "u1", download).has_value());
    });
}

TEST_F(TaskLists, WriteStampChangesWithEveryWriteOfAnyConnection) {
    const auto id = addTask(ran_type::kUpload, "u1", kWaiting);
    const auto stamp = [&] { return gate().run([](LocalStore& s) { return s.writeStamp(); }); };
    const WriteStamp first = stamp();
    gate().run([&](LocalStore& s) { TaskTable(s).listUploads("u1"); });
    EXPECT_EQ(stamp(), first);  // reading writes nothing
    gate().run([&](LocalStore& s) { TaskTable(s).pause(id); });
    const WriteStamp own = stamp();
    EXPECT_NE(own, first);
    {
        StoreGate other(dbPath());  // another connection, as another process would have
        other.run([&](LocalStore& s) { TaskTable(s).remove(id); });
    }
    EXPECT_NE(stamp(), own);
    const WriteStamp before = stamp();
    gate().closeConnection();
    EXPECT_NE(stamp(), before);
    LocalStore closed;
    EXPECT_NE(closed.writeStamp(), closed.writeStamp());
}

TEST_F(TaskLists, QueueTotalsSumTheUnfinishedTasksOfEachDirection) {
    const auto running = addTask(ran_type::kUpload, "u1", kRunning, 1000);
    addTask(ran_type::kUpload, "u1", kWaiting, 3000);
    const auto deleted = addTask(ran_type::kUpload, "u1", kWaiting, 5000);
    addTask(ran_type::kUpload, "u2", kRunning, 7000);
    const auto finished = addTask(ran_type::kDownload, "u1", kRunning, 4096);
    gate().run([&](LocalStore& s) {
        TaskTable tasks(s);
        tasks.writeProgress({running, 1000, 400, 40, 12});
        tasks.remove(deleted);
        tasks.writeProgress({finished, 4096, 4096, 100, 9});
        const auto [up, down] = tasks.queueTotals("u1");
        EXPECT_EQ(up.tasks, 2);
        EXPECT_EQ(up.running, 1);
        EXPECT_EQ(up.bytes, 4000);
        EXPECT_EQ(up.done, 400);
        EXPECT_EQ(up.speedKBps, 12);
        EXPECT_EQ(down.tasks, 0);
        EXPECT_EQ(tasks.queueTotals("x' OR '1'='1").first.tasks, 0);
    });
}

TEST_F(TaskLists, PickUpSkipsPausedRunningFinishedAndOtherUsers) {
    const auto paused = addTask(ran_type::kUpload, "u1", kWaiting);
    addTask(ran_type::kUpload, "u1", kRunning);
    addTask(ran_type::kUpload, "u2", kWaiting);
    addTask(ran_type::kDownload, "u1", kWaiting, 0);
    gate().run([&](LocalStore& s) {
        TaskTable tasks(s);
        tasks.pause(paused);
        EXPECT_EQ(tasks.nextWaitingUpload("u1"), 0);
    });
    const auto waiting = addTask(ran_type::kUpload, "u1", kWaiting);
    gate().run([&](LocalStore& s) {
        TaskTable tasks(s);
        EXPECT_EQ(tasks.nextWaitingUpload("u1"), waiting);
        tasks.resume(paused);  // a resumed task runs, but stays marked as paused by the user
        tasks.giveBack(paused);
        EXPECT_EQ(tasks.nextWaitingUpload("u1"), waiting);
        EXPECT_GT(tasks.nextWaitingDownload("u1"), 0);
        EXPECT_EQ(tasks.nextWaitingDownload("u2"), 0);
    });
}

TEST_F(TaskLists, SpeedsSumRunningUnfinishedTasksOfTheUser) {
    gate().run([&](LocalStore& s) {
        EXPECT_EQ(TaskTable(s).sumSpeeds("u1").upload, "0");
        EXPECT_EQ(TaskTable(s).sumSpeeds("u1").download, "0");
    });
    const auto up1 = addTask(ran_type::kUpload, "u1", kRunning);
    const auto up2 = addTask(ran_type::kUpload, "u1", kRunning);
    const auto down = addTask(ran_type::kDownload, "u1", kRunning);
    const auto finished = addTask(ran_type::kDownload, "u1", kRunning);
    const auto other = addTask(ran_type::kDownload, "u2", kRunning);
    gate().run([&](LocalStore& s) {
        TaskTable tasks(s);
        tasks.writeProgress({up1, 4096, 1024, 25, 120});
        tasks.writeProgress({up2, 4096, 2048, 50, 30});
        tasks.writeProgress({down, 4096, 1024, 25, 55});
        tasks.writeProgress({finished, 4096, 4096, 100, 1000});
        tasks.writeProgress({other, 4096, 1024, 25, 9999});
        const auto speeds = tasks.sumSpeeds("u1");
        EXPECT_EQ(speeds.upload, "150");  // an integer text, never "150.0"
        EXPECT_EQ(speeds.download, "55");
    });
}

}  // namespace
}  // namespace nubexa::test
