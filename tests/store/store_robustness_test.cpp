#include <gtest/gtest.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <thread>

#include "store/user_log.h"
#include "store_fixture.h"

namespace nubexa::test {
namespace {

namespace fs = std::filesystem;

// Opens a second, independent connection, as another process would.
struct RawConnection {
    explicit RawConnection(const std::string& path) { sqlite3_open(path.c_str(), &db); }
    ~RawConnection() { sqlite3_close(db); }
    bool exec(const char* sql) {
        return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3* db = nullptr;
};

// Runs `check` in a child process without root's right to ignore file permissions.
// Returns the child's exit code (0 when every check held).
int runUnprivileged(const std::function<int()>& check) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(90);
        _exit(check());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

class StoreRobustness : public StoreTest {};

TEST_F(StoreRobustness, MissingFileIsCreatedWithTablesAndOptionRows) {
    EXPECT_FALSE(fs::exists(dbPath()));
    gate().run([](LocalStore& s) {
        StoreQuery query = s.prepareQuery("SELECT key, value FROM t_options ORDER BY key");
        std::vector<std::string> rows;
        while (query.next())
            rows.push_back(query.textAt(0) + "=" + query.textAt(1));
        EXPECT_EQ(rows, (std::vector<std::string>{"is_auto_run=0", "last_user_id="}));
    });
    EXPECT_TRUE(fs::exists(dbPath()));
}

TEST_F(StoreRobustness, OlderFileKeepsItsRowsAndGainsWhatIsMissing) {
    m_gate.reset();
    {
        RawConnection old(dbPath());
        ASSERT_TRUE(old.exec(
            "CREATE TABLE t_process_list (id INTEGER PRIMARY KEY, user_id TEXT, local_path TEXT,"
            " local_file_name TEXT, ftp_path TEXT, ftp_file_name TEXT, file_size INTEGER,"
            " process_size INTEGER DEFAULT 0, status INTEGER, ran_type INTEGER,"
            " transfer_size INTEGER DEFAULT 0, transfer_schedule INTEGER DEFAULT 0,"
            " tranfer_speed INTEGER DEFAULT 0, parent_id TEXT, is_user_pasue INTEGER DEFAULT 0);"
            "INSERT INTO t_process_list (user_id, local_path, local_file_name, status, ran_type,"
            " file_size) VALUES ('7', '/old/', 'kept.bin', 2, 1, 99);"
            "CREATE TABLE t_options (key TEXT, value TEXT);"
            "INSERT INTO t_options VALUES ('is_auto_run', '1');"));
    }
    m_gate = std::make_unique<StoreGate>(dbPath());
    gate().run([](LocalStore& s) {
        TaskTable tasks(s);
        const auto rows = tasks.listUploads("7");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].localFileName, "kept.bin");
        EXPECT_EQ(rows[0].failReason, "");
        // It can keep why a task failed for good, and forgets it at a resume.
        EXPECT_TRUE(tasks.fail(std::stoll(rows[0].id), "目标文件夹不存在"));
        EXPECT_EQ(tasks.listUploads("7")[0].failReason, "目标文件夹不存在");
        EXPECT_TRUE(tasks.clearUserPause(std::stoll(rows[0].id)));
        EXPECT_EQ(tasks.listUploads("7")[0].failReason, "");
        UserLog log(s);
        EXPECT_TRUE(log.recordSignIn({"7", "", "d", false, false, "0", {}}));
        EXPECT_EQ(log.readChoices("7")->autoRun, 1);  // the old choice is kept
        EXPECT_EQ(log.readLastUser()->userName, "7");
        // Speed limits are kept per user, a negative one as none.
        EXPECT_EQ(log.readSpeedLimits("7"), (SpeedLimits{0, 0}));
        EXPECT_TRUE(log.saveSpeedLimits("7", {300, -5}));
        EXPECT_TRUE(log.saveSpeedLimits("8", {1, 2}));
        EXPECT_TRUE(log.saveSpeedLimits("7", {300, 40}));
        EXPECT_EQ(log.readSpeedLimits("7"), (SpeedLimits{300, 40}));
        EXPECT_EQ(log.readSpeedLimits("8"), (SpeedLimits{1, 2}));
    });

    // A file whose schema was complete before limits were kept gains their table too.
    m_gate.reset();
    ASSERT_TRUE(RawConnection(dbPath()).exec("DROP TABLE t_speed_limit"));
    m_gate = std::make_unique<StoreGate>(dbPath());
    gate().run([](LocalStore& s) {
        EXPECT_TRUE(UserLog(s).saveSpeedLimits("7", {10, 20}));
        EXPECT_EQ(UserLog(s).readSpeedLimits("7"), (SpeedLimits{10, 20}));
    });

    // One whose limits table came before the transfers at once keeps its limits and gains
    // the columns.
    m_gate.reset();
    {
        RawConnection raw(dbPath());
        ASSERT_TRUE(raw.exec("DROP TABLE t_speed_limit"));
        ASSERT_TRUE(
            raw.exec("CREATE TABLE t_speed_limit (user_id TEXT PRIMARY KEY,"
                     " upload_kbps INTEGER DEFAULT 0, download_kbps INTEGER DEFAULT 0);"
                     "INSERT INTO t_speed_limit VALUES('7', 30, 40)"));
    }
    m_gate = std::make_unique<StoreGate>(dbPath());
    gate().run([](LocalStore& s) {
        UserLog log(s);
        EXPECT_EQ(log.readSpeedLimits("7"), (SpeedLimits{30, 40, 0, 0}));
        EXPECT_TRUE(log.saveSpeedLimits("7", {30, 40, 3, 10}));
        EXPECT_EQ(log.readSpeedLimits("7"), (SpeedLimits{30, 40, 3, 10}));
    });
}

TEST_F(StoreRobustness, FileThatIsNotADatabaseIsMovedAsideNeverDeleted) {
    m_gate.reset();
    const std::string junk(3000, 'x');
    writeFile(dbPath(), junk);
    m_gate = std::make_unique<StoreGate>(dbPath());

    testing::internal::CaptureStderr();
    const auto id = addTask(ran_type::kUpload, "u1", task_status::kWaiting);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_GT(id, 0);
    EXPECT_NE(err.find("was not a database"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);

    int kept = 0;
    for (const auto& entry : fs::directory_iterator(m_dir.path())) {
        if (entry.path().filename().string().starts_with("bin.db.damaged-")) {
            EXPECT_EQ(readFile(entry.path().string()), junk);
            ++kept;
        }
    }
    EXPECT_EQ(kept, 1);
}

// A database whose pages no longer hold together would fail every later statement with
// "database disk image is malformed": it is set aside at the first bracket, whether its rows
// were overwritten or the file was cut short, and a fresh one takes its place.
TEST_F(StoreRobustness, ADamagedDatabaseIsSetAsideNeverDeletedAndAFreshOneStarts) {
    for (int i = 0; i < 300; ++i)
        addTask(ran_type::kUpload, "u1", task_status::kWaiting);
    m_gate.reset();  // checkpoints the journal into the main file
    const std::string whole = readFile(dbPath());
    ASSERT_GT(whole.size(), 8192u);
    std::string scribbled = whole;  // the header stays valid
    for (std::size_t i = 4096; i < scribbled.size(); i += 7)
        scribbled[i] = static_cast<char>(0xA5);

    for (const std::string& damaged : {scribbled, whole.substr(0, whole.size() / 2)}) {
        std::vector<fs::path> earlier;
        for (const auto& entry : fs::directory_iterator(m_dir.path()))
            earlier.push_back(entry.path());
        for (const auto& path : earlier)
            fs::remove(path);
        writeFile(dbPath(), damaged);
        m_gate = std::make_unique<StoreGate>(dbPath(), StoreOptions{100});
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const auto id = addTask(ran_type::kUpload, "u1", task_status::kWaiting);
        const std::string err = testing::internal::GetCapturedStderr();
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(id, 1) << "a fresh file";
        EXPECT_NE(err.find("was damaged; kept it as " + dbPath() + ".damaged-"), std::string::npos)
            << err;
        EXPECT_EQ(out.find("malformed"), std::string::npos) << out;
        int kept = 0;
        for (const auto& entry : fs::directory_iterator(m_dir.path())) {
            if (entry.path().filename().string().starts_with("bin.db.damaged-")) {
                EXPECT_TRUE(readFile(entry.path().string()) == damaged) << "kept as it was";
                ++kept;
            }
        }
        EXPECT_EQ(kept, 1);
        m_gate.reset();
    }
}

// The file is also one of an earlier version, without the queue's indexes: read-only it works
// without them; writable again, it gains them.
TEST_F(StoreRobustness, ReadOnlyFileIsReadAndWritesFailCleanly) {
    const auto id = addTask(ran_type::kUpload, "u1", task_status::kRunning);
    m_gate.reset();
    ASSERT_TRUE(RawConnection(dbPath()).exec(
        "DROP INDEX t_process_list_queue; DROP INDEX t_process_list_same_file"));
    ASSERT_EQ(chmod(dbPath().c_str(), 0444), 0);
    ASSERT_EQ(chmod(m_dir.path().c_str(), 0555), 0);
    const std::string path = dbPath();
    const int result = runUnprivileged([&] {
        StoreGate readOnly(path, StoreOptions{100});
        return readOnly.run([&](LocalStore& s) {
            TaskTable tasks(s);
            if (tasks.listUploads("u1").size() != 1)
                return 1;
            if (tasks.writeProgress({id, 4096, 1024, 25, 3}))
                return 2;
            if (tasks.load(id)->transferSize != 0)
                return 3;
            return 0;
        });
    });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(chmod(m_dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(dbPath().c_str(), 0644), 0);
    m_gate = std::make_unique<StoreGate>(dbPath());
    const auto rows = gate().run([](LocalStore& s) {
        return TaskTable(s).listUploads("u1").size();  // opens the file
    });
    EXPECT_EQ(rows, 1u);
    RawConnection raw(dbPath());
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(raw.db,
                       "SELECT count(*) FROM sqlite_master WHERE name IN"
                       " ('t_process_list_queue', 't_process_list_same_file')",
                       -1, &statement, nullptr);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement, 0), 2);
    sqlite3_finalize(statement);
}

TEST_F(StoreRobustness, LockedDatabaseFailsTheStatementAndRecovers) {
    const auto id = addTask(ran_type::kDownload, "u1", task_status::kRunning);
    RawConnection other(dbPath());
    ASSERT_TRUE(other.exec("BEGIN EXCLUSIVE;"));
    testing::internal::CaptureStdout();
    gate().run([&](LocalStore& s) {
        EXPECT_FALSE(TaskTable(s).writeProgress({id, 4096, 1024, 25, 3}));
    });
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("locked"), std::string::npos) << out;
    ASSERT_TRUE(other.exec("COMMIT;"));
    gate().run([&](LocalStore& s) {
        EXPECT_TRUE(TaskTable(s).writeProgress({id, 4096, 2048, 50, 3}));
    });
    EXPECT_EQ(load(id).transferSize, 2048);
}

TEST_F(StoreRobustness, UnreachablePathFailsEveryStatementWithoutCrashing) {
    StoreGate nowhere(m_dir.file("no/such/folder/bin.db"));
    testing::internal::CaptureStdout();
    nowhere.run([](LocalStore& s) {
        TaskTable tasks(s);
        EXPECT_FALSE(tasks.insertFileUpload({"u1", "/", "a", "a", 1, 2, "\\", "0"}));
        EXPECT_EQ(tasks.lastInsertedId(), 0);
        EXPECT_TRUE(tasks.listUploads("u1").empty());
        EXPECT_EQ(tasks.sumSpeeds("u1").upload, "0");
        EXPECT_FALSE(tasks.readStatus(1).has_value());
    });
    EXPECT_NE(testing::internal::GetCapturedStdout().find("cannot open"), std::string::npos);
}

// A child writes progress in a loop and is killed at a random moment, several times over;
// every time the file opens cleanly and every row is one whole write.
TEST_F(StoreRobustness, KilledWriterLeavesAConsistentFile) {
    const std::int64_t size = 1 << 30;
    const auto a = addTask(ran_type::kUpload, "u1", task_status::kRunning, size);
    const auto b = addTask(ran_type::kUpload, "u1", task_status::kRunning, size);
    const auto c = addTask(ran_type::kDownload, "u1", task_status::kRunning, size);
    m_gate.reset();

    std::mt19937 random(42);
    std::int64_t resumeFrom = 0;
    for (int round = 0; round < 5; ++round) {
        // The child says when its first rows are written, so that a slow start (a loaded machine,
        // a sanitizer) cannot leave nothing new to check.
        int started[2];
        ASSERT_EQ(pipe(started), 0);
        std::fflush(nullptr);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(started[0]);
            StoreGate writer(dbPath());
            for (std::int64_t done = resumeFrom + 1;; ++done) {
                writer.run([&](LocalStore& s) {
                    TaskTable tasks(s);
                    // a and b change together in one transaction, c on its own.
                    s.begin();
                    tasks.writeProgress({a, size, done, static_cast<int>(done * 100 / size), 1});
                    tasks.writeProgress({b, size, done, static_cast<int>(done * 100 / size), 1});
                    s.commit();
                    tasks.writeProgress({c, size, done, static_cast<int>(done * 100 / size), 2});
                    tasks.readStatus(c);
                });
                if (started[1] >= 0) {
                    [[maybe_unused]] const auto sent = ::write(started[1], "w", 1);
                    ::close(started[1]);
                    started[1] = -1;
                }
            }
        }
        ::close(started[1]);
        pollfd first{started[0], POLLIN, 0};
        const bool wrote = ::poll(&first, 1, 20000) == 1;
        ::close(started[0]);
        if (wrote)
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 150));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        ASSERT_TRUE(wrote) << "the writer wrote nothing within 20 s";

        StoreGate reader(dbPath());
        reader.run([&](LocalStore& s) {
            StoreQuery check = s.prepareQuery("PRAGMA integrity_check");
            ASSERT_TRUE(check.next());
            EXPECT_EQ(check.textAt(0), "ok");
            check.finalize();
            TaskTable tasks(s);
            const auto ta = tasks.load(a).value();
            const auto tb = tasks.load(b).value();
            const auto tc = tasks.load(c).value();
            EXPECT_EQ(ta.transferSize, tb.transferSize);
            EXPECT_GT(ta.transferSize, resumeFrom);
            // c is written right after a and b: at most one write behind them.
            EXPECT_TRUE(tc.transferSize == ta.transferSize ||
                        tc.transferSize + 1 == ta.transferSize);
            for (const auto& t : {ta, tb, tc}) {
                StoreQuery row = s.prepareQuery(
                    "SELECT process_size, transfer_size, transfer_schedule, status FROM "
                    "t_process_list WHERE id=?");
                row.bindInt64(1, t.id);
                ASSERT_TRUE(row.next());
                EXPECT_EQ(row.int64At(0), row.int64At(1));
                EXPECT_EQ(row.intAt(2), row.int64At(1) * 100 / size);
                EXPECT_EQ(row.intAt(3), task_status::kRunning);
            }
            resumeFrom = tc.transferSize;
        });
    }
}

}  // namespace
}  // namespace nubexa::test
