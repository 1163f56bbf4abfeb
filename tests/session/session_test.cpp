// The session as the front ends drive it, against the stand-in on loopback: a sign-in refused
// and accepted, a listing, an item operation that the service takes and one that the network
// fails, the queue's pause and resume through the transfer pages' own calls, and the calls
// nubexa-cli runs besides: a queue run stopped midway and finished by the next, and what the
// queueing, listing and plain FTP calls say when the service or the server is gone.
#include <ace/Log_Msg.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/autostart.h"
#include "platform/notifier.h"
#include "session/avatar_keeper.h"
#include "session/client_session.h"
#include "session/last_user.h"
#include "session/plain_ftp.h"
#include "session/queue_run.h"
#include "session/session_core.h"
#include "session/transfer_requests.h"
#include "standin/demo/sample_content.h"
#include "standin/local_standin.h"
#include "store/local_store.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "support/refusing_port.h"
#include "support/temp_dir.h"
#include "transfer/transfer_manager.h"

namespace nubexa::test {
namespace {

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ACE_Log_Msg::instance()->priority_mask(0, ACE_Log_Msg::PROCESS);
        std::filesystem::create_directories(m_dir.path() + "/program");
        std::string error;
        m_service = standin::startLocalStandin(
            m_dir.path() + "/data", [](const std::string&) {}, error);
        ASSERT_TRUE(m_service) << error;
        SessionConfig config;
        config.databasePath = m_dir.path() + "/bin.db";
        config.programFolder = m_dir.path() + "/program/";
        config.service.apiHost = "127.0.0.1:" + std::to_string(m_service->httpPort());
        m_session = std::make_unique<ClientSession>(config, m_notifier);
    }
    void TearDown() override {
        m_session.reset();
        if (m_service)
            m_service->stop();
    }

    SignInResult signIn(const std::string& password) {
        PasswordSignIn request;
        request.account = "demo";
        request.password = password;
        request.firstListing = true;
        return m_session->signIn(request);
    }

    // Transfers that start at once and report every write.
    TransferSettings pushingSettings() const {
        TransferSettings settings;
        settings.programFolder = m_dir.path() + "/program/";
        settings.ftp.trace = nullptr;
        settings.ftp.progressInterval = std::chrono::milliseconds(1);
        return settings;
    }
    void startQueue(const TransferSettings& settings) {
        m_session->startTransfers(settings, m_view);
        ASSERT_TRUE(m_session->takeQueue(false));
    }

    TempDir m_dir;
    std::unique_ptr<standin::StandinService> m_service;
    RecordingNotifier m_notifier;
    NoTransferView m_view;
    std::unique_ptr<ClientSession> m_session;
};

TEST_F(SessionTest, SignInListAndAnItemOperationThatTheNetworkFails) {
    const SignInResult refused = signIn("wrong");
    EXPECT_EQ(refused.failure, Failure::kRefused);
    EXPECT_EQ(m_session->account().signed_in, 0);
    EXPECT_FALSE(m_session->lastSignIn().user);  // a refused sign-in is not recorded

    const SignInResult signedIn = signIn("demo123");
    ASSERT_TRUE(signedIn.ok());
    ASSERT_TRUE(signedIn.listing);
    EXPECT_FALSE(signedIn.account.uid.empty());
    const LastSignIn last = m_session->lastSignIn();
    ASSERT_TRUE(last.user);
    EXPECT_EQ(last.user->userName, signedIn.account.uid);
    // One sign-in row, and a user's first turns automatic resume on.
    EXPECT_EQ(last.user->autoResume, "1");
    EXPECT_EQ(SessionCore::gate(*m_session).run([](LocalStore& store) {
        StoreQuery rows = store.prepareQuery("SELECT COUNT(*) FROM t_user_log");
        return rows.next() ? rows.intAt(0) : -1;
    }),
              1);

    const ClientSession::Listing top = m_session->list(ListingKind::kFolder, "0");
    ASSERT_EQ(top.failure, Failure::kNone);
    ASSERT_TRUE(top.tables);
    EXPECT_FALSE(listedEntries(top.tables->disk_folders).empty());

    const auto made = m_session->disk().makeFolder("0", "session-made");
    ASSERT_TRUE(made.ok()) << made.message;
    const ItemRef folder{made.value.id, true};
    EXPECT_TRUE(m_session->disk().rename(folder, "session-renamed").accepted());

    // The service gone: the operation fails as the network's doing, not as a refusal.
    m_service->stop();
    EXPECT_EQ(m_session->disk().rename(folder, "unreachable").failure, Failure::kNoAnswer);
    EXPECT_EQ(m_session->list(ListingKind::kFolder, "0").failure, Failure::kNoAnswer);
}

// Hears the session's row pushes while it lives; waits for them with a time limit.
class RowsRecorder : public TransferRowsListener {
public:
    using Kind = TransferRowChange::Kind;
    explicit RowsRecorder(ClientSession& session) : m_session(session) {
        m_session.addTransferRowsListener(*this);
    }
    ~RowsRecorder() override { m_session.removeTransferRowsListener(*this); }

    void rowProgressed(const TransferRowProgress& progress) override {
        const std::lock_guard lock(m_mutex);
        m_progress.push_back(progress);
        m_woken.notify_all();
    }
    void rowChanged(const TransferRowChange& change) override {
        const std::lock_guard lock(m_mutex);
        m_changes.push_back(change);
        m_woken.notify_all();
    }
    // The first change of `kind` to `id`, once it came (within half a minute).
    std::optional<TransferRowChange> waitFor(Kind kind, std::int64_t id) {
        std::unique_lock lock(m_mutex);
        std::optional<TransferRowChange> found;
        m_woken.wait_for(lock, std::chrono::seconds(30), [&] {
            for (const TransferRowChange& change : m_changes) {
                if (!found && change.kind == kind && change.taskId == id)
                    found = change;
            }
            return found.has_value();
        });
        return found;
    }
    // The first progress of `id`, once it came.
    bool waitForProgress(std::int64_t id) {
        std::unique_lock lock(m_mutex);
        return m_woken.wait_for(lock, std::chrono::seconds(30), [&] {
            return std::any_of(m_progress.begin(), m_progress.end(),
                               [&](const TransferRowProgress& p) { return p.taskId == id; });
        });
    }
    // The task the first push said was queued; 0 when none was.
    std::int64_t addedTask() {
        const std::lock_guard lock(m_mutex);
        return !m_changes.empty() && m_changes.front().kind == Kind::kAdded
                   ? m_changes.front().taskId
                   : 0;
    }
    std::vector<TransferRowChange> changes() {
        const std::lock_guard lock(m_mutex);
        return m_changes;
    }
    std::vector<TransferRowProgress> progress() {
        const std::lock_guard lock(m_mutex);
        return m_progress;
    }

private:
    ClientSession& m_session;
    std::mutex m_mutex;
    std::condition_variable m_woken;
    std::vector<TransferRowChange> m_changes;
    std::vector<TransferRowProgress> m_progress;
};

TEST_F(SessionTest, QueuedUploadPausesAndResumesThroughThePagesCalls) {
    ASSERT_TRUE(signIn("demo123").ok());
    TransferSettings settings;
    settings.programFolder = m_dir.path() + "/program/";
    settings.ftp.trace = nullptr;
    settings.startAtOnce = false;  // the rows wait for a monitor: nothing moves under the test
    NoTransferView view;
    m_session->startTransfers(settings, view);
    ASSERT_TRUE(m_session->takeQueue(false));
    RowsRecorder pushed(*m_session);

    const std::string file = m_dir.path() + "/upload me.txt";
    std::ofstream(file) << std::string(4096, 'x');
    ASSERT_TRUE(m_session->queueFileUploads({file}, RemoteFolder{}));
    std::vector<TransferRow> rows = m_session->transferRows(Direction::kUpload);
    ASSERT_EQ(rows.size(), 1u);
    const std::int64_t id = rows.front().id;
    EXPECT_TRUE(m_session->transferRows(Direction::kDownload).empty());

    EXPECT_EQ(m_session->pauseTask(id), TaskCommandResult::kDone);
    rows = m_session->transferRows(Direction::kUpload);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.front().task.status, "2");
    EXPECT_EQ(waitReason(rows.front().task.status, rows.front().task.holdMark), "已暂停");

    EXPECT_EQ(m_session->resumeTask(id), TaskCommandResult::kDone);
    rows = m_session->transferRows(Direction::kUpload);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NE(waitReason(rows.front().task.status, rows.front().task.holdMark), "已暂停");

    // A task that is not there (another user's, or deleted) is said as such.
    EXPECT_EQ(m_session->pauseTask(id + 1000), TaskCommandResult::kNoSuchTask);
    EXPECT_EQ(m_session->removeTask(id), TaskCommandResult::kDone);
    EXPECT_TRUE(m_session->transferRows(Direction::kUpload).empty());
    EXPECT_EQ(m_session->resumeTask(id), TaskCommandResult::kNotApplicable);

    // Each command that wrote the row was pushed, in order; those that did not, not at all.
    using Kind = TransferRowChange::Kind;
    const std::vector<TransferRowChange> changes = pushed.changes();
    ASSERT_EQ(changes.size(), 4u);
    EXPECT_EQ(changes[0].kind, Kind::kAdded);
    EXPECT_EQ(changes[0].direction, Direction::kUpload);
    const std::vector<Kind> kinds{Kind::kAdded, Kind::kPaused, Kind::kResumed, Kind::kRemoved};
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        EXPECT_EQ(changes[i].kind, kinds[i]) << i;
        EXPECT_EQ(changes[i].taskId, id) << i;
    }
    EXPECT_TRUE(pushed.progress().empty());
}

// A real upload reaches a listener as it moves and as it ends, from the workers' own news:
// nobody ticks the monitor or reads the rows meanwhile.
TEST_F(SessionTest, AnUploadIsPushedToTheRowsListenersAsItMovesAndEnds) {
    ASSERT_TRUE(signIn("demo123").ok());
    startQueue(pushingSettings());
    RowsRecorder pushed(*m_session);

    const std::string file = m_dir.path() + "/pushed.bin";
    const std::int64_t size = 3 * 1024 * 1024;
    std::ofstream(file, std::ios::binary) << std::string(static_cast<std::size_t>(size), 'p');
    ASSERT_TRUE(m_session->queueFileUploads({file}, RemoteFolder{}));
    const std::int64_t id = pushed.addedTask();
    ASSERT_GT(id, 0);
    const auto finished = pushed.waitFor(RowsRecorder::Kind::kFinished, id);
    ASSERT_TRUE(finished);
    EXPECT_EQ(finished->direction, Direction::kUpload);

    const std::vector<TransferRowProgress> progress = pushed.progress();
    ASSERT_FALSE(progress.empty());
    std::int64_t done = 0;
    for (const TransferRowProgress& step : progress) {
        EXPECT_EQ(step.taskId, id);
        EXPECT_EQ(step.bytes, size);
        EXPECT_GE(step.done, done);  // never backwards
        done = step.done;
    }
    EXPECT_EQ(done, size);
    EXPECT_TRUE(m_session->transferRows(Direction::kUpload).empty());
}

// The file server gone in the middle of an upload: the listener hears the task failed, with
// the words the user gets, and the row stays to be tried again.
TEST_F(SessionTest, AnUploadCutOffByAStoppedServerIsPushedAsFailedWithItsReason) {
    ASSERT_TRUE(signIn("demo123").ok());
    TransferSettings settings = pushingSettings();
    settings.ftp.maxBytesPerSecond = 64 * 1024;  // still moving when the server goes
    settings.ftp.limits.connect = std::chrono::milliseconds(500);
    startQueue(settings);
    RowsRecorder pushed(*m_session);

    const std::string file = m_dir.path() + "/cut off.bin";
    std::ofstream(file, std::ios::binary) << std::string(4 * 1024 * 1024, 'c');
    ASSERT_TRUE(m_session->queueFileUploads({file}, RemoteFolder{}));
    const std::int64_t id = pushed.addedTask();
    ASSERT_TRUE(pushed.waitForProgress(id));
    m_service->stop();

    const auto failed = pushed.waitFor(RowsRecorder::Kind::kFailed, id);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->reason, "网络异常，上传失败");
    EXPECT_TRUE(failed->retried);
    for (const TransferRowChange& change : pushed.changes())
        EXPECT_NE(change.kind, RowsRecorder::Kind::kFinished);
    m_session->pauseTask(id);  // no further tries while the test ends
    const std::vector<TransferRow> rows = m_session->transferRows(Direction::kUpload);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.front().id, id);
}

// The settings dialog's path: choices stored, read back and followed by running transfers at
// once; a log-on start the desktop refuses is said, and the stored choice is what log-on will do.
// The tray's totals follow bin.db as any program writes it: after the first look, a look at a
// queue nobody writes reads nothing, and a task another program queues reaches the rows
// listeners by itself (nobody looks meanwhile) and is in the next look.
TEST_F(SessionTest, QueueTotalsFollowEveryProgramsWritesAndAnUnwrittenQueueIsNotRead) {
    const SignInResult signedIn = signIn("demo123");
    ASSERT_TRUE(signedIn.ok());
    TransferSettings settings = pushingSettings();
    settings.startAtOnce = false;
    startQueue(settings);
    RowsRecorder pushed(*m_session);
    const auto accesses = [&] {
        return SessionCore::gate(*m_session).run([](LocalStore& store) {
            return store.accesses();
        });
    };
    // The sign-in's own writes may still be on their way: until a look reads nothing.
    bool quiet = false;
    for (int i = 0; i < 200 && !quiet; ++i) {
        const std::int64_t before = accesses();
        EXPECT_TRUE(m_session->queueSnapshot().signedIn);
        quiet = accesses() == before;
        if (!quiet)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(quiet) << "every look at an unwritten queue read bin.db";
    const std::int64_t idle = accesses();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m_session->queueSnapshot().totals.first.tasks, 0);
    EXPECT_EQ(accesses(), idle);
    EXPECT_TRUE(pushed.changes().empty());

    // Another program's connection (nubexa-cli put) queues an upload.
    {
        StoreGate other(m_dir.path() + "/bin.db");
        other.run([&](LocalStore& store) {
            TaskTable(store).insertFileUpload({signedIn.account.uid, m_dir.path() + "/",
                                               "other.bin", "other.bin", 10, 2, "\\", "0"});
        });
    }
    const auto added = pushed.waitFor(RowsRecorder::Kind::kAdded, 0);
    ASSERT_TRUE(added) << "the queued task was not pushed";
    EXPECT_EQ(added->direction, Direction::kUpload);
    const ClientSession::QueueSnapshot after = m_session->queueSnapshot();
    EXPECT_EQ(after.totals.first.tasks, 1);
    EXPECT_EQ(after.totals.first.bytes, 10);
    EXPECT_TRUE(after.anythingWaiting);
}

TEST_F(SessionTest, SettingsAreStoredFollowedAndARefusedLogOnStartIsSaid) {
    const SignInResult signedIn = signIn("demo123");
    ASSERT_TRUE(signedIn.ok());
    const std::string uid = signedIn.account.uid;
    TransferSettings transfers;
    transfers.programFolder = m_dir.path() + "/program/";
    transfers.startAtOnce = false;
    NoTransferView view;
    m_session->startTransfers(transfers, view);

    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string kept = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", (m_dir.path() + "/config").c_str(), 1);
    std::unique_ptr<Autostart> autostart = makeSessionAutostart();
    SystemSettings chosen;
    chosen.autoRun = true;
    chosen.autoResume = false;
    chosen.limits = SpeedLimits{300, 0, 2, 7};
    SettingsSaved saved =
        m_session->saveSystemSettings(*autostart, uid, "/usr/bin/nubexa-client", chosen);
    EXPECT_TRUE(saved.ok()) << saved.autostartError;
    // Saved for the signed-in user, the running transfers take the limits at once.
    EXPECT_EQ(SessionCore::manager(*m_session).limits().get(), chosen.limits);
    EXPECT_EQ(SessionCore::manager(*m_session).transferLimit(Direction::kUpload), 2);
    EXPECT_EQ(SessionCore::manager(*m_session).transferLimit(Direction::kDownload), 7);
    SystemSettings stored = m_session->loadSystemSettings(uid);
    EXPECT_TRUE(stored.autoRun);
    EXPECT_FALSE(stored.autoResume);
    EXPECT_EQ(stored.limits, chosen.limits);

    // A configuration "folder" that is a file: the entry cannot be written.
    std::ofstream(m_dir.path() + "/not-a-folder") << "x";
    ::setenv("XDG_CONFIG_HOME", (m_dir.path() + "/not-a-folder").c_str(), 1);
    saved = m_session->saveSystemSettings(*autostart, uid, "/usr/bin/nubexa-client", chosen);
    EXPECT_EQ(saved.problem, SettingsSaved::Problem::kAutostartNotChanged);
    EXPECT_TRUE(saved.autoRunWanted);
    EXPECT_FALSE(saved.autostartError.empty());
    EXPECT_FALSE(m_session->loadSystemSettings(uid).autoRun);
    if (old)
        ::setenv("XDG_CONFIG_HOME", kept.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

// Keeps every fetched file by its tag.
class RemoteFileRecorder : public RemoteFileListener {
public:
    void remoteFileFetched(const RemoteFileResult& result) override {
        std::lock_guard lock(m_mutex);
        m_results[result.tag] = result;
        m_arrived.notify_all();
    }
    // The results once `count` have come, or what came within the time limit.
    std::map<std::string, RemoteFileResult> waitFor(std::size_t count) {
        std::unique_lock lock(m_mutex);
        m_arrived.wait_for(lock, std::chrono::seconds(20),
                           [&] { return m_results.size() >= count; });
        return m_results;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::map<std::string, RemoteFileResult> m_results;
};

// The pictures of thumbnails and previews come through the session's own fetches: a listed file
// whole, one larger than its limit not at all (or its head, cut, when that is enough), a missing
// one said as such; each listener hears only its own, and a forgotten one nothing more.
TEST_F(SessionTest, SmallFilesAreFetchedWholeIntoMemoryOrSaidWhyNot) {
    const SignInResult signedIn = signIn("demo123");
    ASSERT_TRUE(signedIn.ok());
    TransferSettings settings;
    settings.programFolder = m_dir.path() + "/program/";
    settings.ftp.trace = nullptr;
    settings.startAtOnce = false;
    NoTransferView view;
    m_session->startTransfers(settings, view);
    RemoteFileRecorder recorder;
    RemoteFileRecorder other;

    const ClientSession::Listing top = m_session->list(ListingKind::kFolder, "0");
    ASSERT_TRUE(top.tables);
    const auto files = listedEntries(top.tables->disk_files);
    const auto welcome = std::find_if(files.begin(), files.end(),
                                      [](const DiskFileEntry& file) { return file.ext == ".txt"; });
    ASSERT_NE(welcome, files.end());
    const std::string name = welcome->id + welcome->ext;
    const std::int64_t size = std::stoll(welcome->size);
    for (int i = 0; i < 6; ++i)
        m_session->fetchRemoteFile({"whole" + std::to_string(i), name, size}, recorder, i == 5);
    m_session->fetchRemoteFile({"large", name, size - 1}, recorder);
    m_session->fetchRemoteFile({"missing", "999999.png", 1 << 20}, recorder);
    RemoteFileRequest head{"head", name, 10};
    head.headIsEnough = true;
    m_session->fetchRemoteFile(head, other);
    const auto results = recorder.waitFor(8);
    ASSERT_EQ(results.size(), 8u);
    const auto heard = other.waitFor(1);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard.at("head").outcome, RemoteFileResult::Outcome::kFetched);
    EXPECT_TRUE(heard.at("head").cut);
    EXPECT_EQ(heard.at("head").bytes, results.at("whole0").bytes.substr(0, 10));
    for (int i = 0; i < 6; ++i) {
        const RemoteFileResult& whole = results.at("whole" + std::to_string(i));
        EXPECT_EQ(whole.outcome, RemoteFileResult::Outcome::kFetched);
        EXPECT_EQ(static_cast<std::int64_t>(whole.bytes.size()), size);
        EXPECT_NE(whole.bytes.find("Nubexa"), std::string::npos);
    }
    EXPECT_FALSE(results.at("whole0").cut);
    EXPECT_EQ(results.at("large").outcome, RemoteFileResult::Outcome::kTooLarge);
    EXPECT_TRUE(results.at("large").bytes.empty());
    EXPECT_EQ(results.at("missing").outcome, RemoteFileResult::Outcome::kMissing);
    EXPECT_TRUE(m_notifier.messages().empty());

    // Forgetting one listener leaves the others' fetches as they were.
    m_session->forgetRemoteFileListener(other);
    m_session->fetchRemoteFile({"after", name, size}, recorder);
    EXPECT_EQ(recorder.waitFor(9).at("after").outcome, RemoteFileResult::Outcome::kFetched);
    EXPECT_EQ(other.waitFor(1).size(), 1u);

    // The file server gone: a fetch fails and says so, and leaving does not wait for it.
    m_service->stop();
    m_session->fetchRemoteFile({"unreachable", name, size}, recorder);
    EXPECT_EQ(recorder.waitFor(10).at("unreachable").outcome, RemoteFileResult::Outcome::kFailed);
    m_session->endTransfers();
}

// Hears a run; with `stopOnMove` set, stops it at the first push that shows a task running.
class RunRecorder : public QueueRunListener {
public:
    void taskEnded(const TaskEnded& ended) override { reports.push_back(ended.report); }
    void progress(const QueueProgress& now) override {
        if (stopOnMove != nullptr && !now.running.empty())
            stopOnMove->stop();
    }
    void stopping() override { heardStopping = true; }

    QueueRun* stopOnMove = nullptr;
    std::vector<WorkerReport> reports;
    bool heardStopping = false;
};

TEST_F(SessionTest, AQueueRunStoppedMidTransferLeavesTheTaskResumableAndTheNextRunFinishesIt) {
    ASSERT_TRUE(signIn("demo123").ok());
    ASSERT_TRUE(m_session->lockQueue());
    NoTransferView view;
    TransferStart queueOnly{m_dir.path() + "/program/", false, false, std::nullopt};
    startTransfers(*m_session, queueOnly, view);
    const std::string file = m_dir.path() + "/run me.bin";
    const std::string content(2 * 1024 * 1024, 'r');
    std::ofstream(file, std::ios::binary) << content;
    ASSERT_TRUE(QueueRequests(*m_session).fileUpload(file, RemoteFolder{}).queued);

    // Slow enough that the stop comes while the file moves.
    QueueRunOptions slow;
    slow.start = {m_dir.path() + "/program/", true, false, 64 * 1024};
    slow.progressEvery = std::chrono::milliseconds(10);
    QueueRun stopped(*m_session, slow, view);
    RunRecorder stopper;
    stopper.stopOnMove = &stopped;
    const QueueRunResult first = stopped.run(stopper);
    EXPECT_EQ(first.end, QueueRunResult::End::kInterrupted);
    EXPECT_TRUE(stopper.heardStopping);
    EXPECT_EQ(first.completed, 0);
    std::vector<TransferRow> rows = m_session->transferRows(Direction::kUpload);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NE(rows.front().task.status, "1");  // no longer marked running: the next run takes it

    QueueRunOptions full;
    full.start = {m_dir.path() + "/program/", true, false, std::nullopt};
    QueueRun finishing(*m_session, full, view);
    RunRecorder recorder;
    const QueueRunResult second = finishing.run(recorder);
    EXPECT_EQ(second.end, QueueRunResult::End::kFinished);
    EXPECT_EQ(second.completed, 1);
    EXPECT_EQ(second.failed, 0);
    EXPECT_EQ(second.left.waiting, 0);
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(recorder.reports.front().outcome, WorkerReport::Outcome::kCompleted);
    EXPECT_TRUE(m_session->transferRows(Direction::kUpload).empty());
    const auto top = m_session->disk().folderEntries("0");
    ASSERT_TRUE(top.ok());
    bool listed = false;
    for (const DiskFileEntry& entry : top.value.files)
        listed = listed || (entry.name + entry.ext == "run me.bin" &&
                            entry.size == std::to_string(content.size()));
    EXPECT_TRUE(listed);
}

TEST_F(SessionTest, TheCommandLinesCallsSayWhatFailedWhenTheServiceOrTheServerIsGone) {
    // Before any sign-in there is no last user, and nothing to forget.
    EXPECT_FALSE(lastUserId(*m_session));
    EXPECT_EQ(forgetLastSignIn(*m_session).outcome, ForgottenSignIn::Outcome::kNobody);
    const SignInResult signedIn = signIn("demo123");
    ASSERT_TRUE(signedIn.ok());
    EXPECT_EQ(lastUserId(*m_session), signedIn.account.uid);

    const auto top = m_session->disk().folderEntries("0");
    ASSERT_TRUE(top.ok());
    ASSERT_FALSE(top.value.folders.empty());
    const FolderItemLc& folder = top.value.folders.front();
    NoTransferView view;
    startTransfers(*m_session, {m_dir.path() + "/program/", false, false, std::nullopt}, view);

    // The service gone: no answer, not an empty folder; nothing queued, no local folder made.
    m_service->stop();
    EXPECT_EQ(m_session->disk().folderEntries("0").failure, Failure::kNoAnswer);
    const std::string into = m_dir.path() + "/downloads";
    std::filesystem::create_directories(into);
    const FolderDownloadQueued queued =
        QueueRequests(*m_session)
            .folderDownload(DiskItem{folder.id, folder.name, "", "0", true}, into, "\\", false);
    EXPECT_EQ(queued.failure, Failure::kNoAnswer);
    EXPECT_TRUE(m_session->transferRows(Direction::kDownload).empty());
    EXPECT_TRUE(std::filesystem::is_empty(into));
    const std::string local = m_dir.path() + "/to send";
    std::filesystem::create_directories(local);
    std::ofstream(local + "/a.txt") << "a";
    const FolderUploadQueued sent = QueueRequests(*m_session).folderUpload(local, RemoteFolder{});
    EXPECT_FALSE(sent.ok());
    EXPECT_EQ(sent.failure, Failure::kNoAnswer);
    EXPECT_TRUE(m_session->transferRows(Direction::kUpload).empty());

    // A file server that refuses the connection: said as unreachable, and no row is left.
    RefusingPort refusing;
    PlainFtpRequest request;
    request.host = "127.0.0.1";
    request.port = refusing.port();
    request.user = "anyone";
    request.password = "secret";
    request.fileName = "absent.bin";
    request.owner = "anyone@127.0.0.1";
    request.localFile = into + "/absent.bin";
    request.databasePath = m_dir.path() + "/plain.db";
    struct : PlainFtpListener {
        void progress(const PlainFtpProgress&) override {}
        void signedInClear() override {}
    } quiet;
    const PlainFtpResult unreachable = transferPlainFtp(request, quiet, m_notifier);
    EXPECT_EQ(unreachable.outcome, PlainFtpResult::Outcome::kUnreachable);
    EXPECT_FALSE(std::filesystem::exists(request.localFile));

    EXPECT_EQ(forgetLastSignIn(*m_session).outcome, ForgottenSignIn::Outcome::kForgotten);
}

// The service ends every sign-in of the account (as it does past its newest ones, or when a
// session expires): the pages' calls sign in again with the remembered password, once, and go
// on; without a way to sign in again they say the service's words instead of an empty listing.
TEST_F(SessionTest, ASessionTheServiceEndedIsTakenUpAgainByThePagesCalls) {
    PasswordSignIn request;
    request.account = "demo";
    request.password = "demo123";
    request.rememberPassword = true;
    ASSERT_TRUE(m_session->signIn(request).ok());
    const auto endEverySession = [&] {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((m_service->dataFolder() + "/nubexa.db").c_str(), &db), SQLITE_OK);
        sqlite3_busy_timeout(db, 5000);
        EXPECT_EQ(sqlite3_exec(db, "DELETE FROM sessions", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    };

    endEverySession();
    const ClientSession::Listing bin = m_session->list(ListingKind::kRecycle, "0");
    EXPECT_EQ(bin.refusal, kSessionEnded);  // no renewer yet: the service's words, not an empty bin
    EXPECT_EQ(bin.failure, Failure::kRefused);

    int renewals = 0;
    m_session->setSessionRenewer([&] {
        ++renewals;
        return m_session->renewSignIn();
    });
    const ClientSession::Listing top = m_session->list(ListingKind::kFolder, "0");
    EXPECT_EQ(top.failure, Failure::kNone);
    EXPECT_EQ(renewals, 1);

    endEverySession();
    const auto made = m_session->disk().makeFolder("0", "after-the-end");
    ASSERT_TRUE(made.ok()) << made.value.message;
    EXPECT_TRUE(m_session->disk().rename({made.value.id, true}, "renamed-after").accepted());
    EXPECT_EQ(renewals, 2);
    endEverySession();
    ServiceVerdict shared;
    EXPECT_FALSE(m_session->disk().share({made.value.id, true}, "", "0", &shared).empty());
    EXPECT_TRUE(shared.accepted()) << shared.message;
    EXPECT_EQ(renewals, 3);
    // What the service keeps of a share too: before, an ended session read as no address.
    endEverySession();
    const ServiceResult<std::string> address = m_session->disk().shareLink({made.value.id, true});
    EXPECT_TRUE(address.ok()) << address.message;
    EXPECT_FALSE(address.value.empty());
    EXPECT_EQ(renewals, 4);

    // A renewal that fails is not tried again for the same ended session.
    m_session->setSessionRenewer([&] {
        ++renewals;
        return false;
    });
    endEverySession();
    const ServiceVerdict refused = m_session->disk().rename({made.value.id, true}, "no-session");
    EXPECT_EQ(refused.failure, Failure::kRefused);
    EXPECT_EQ(refused.message, kSessionEnded);
    EXPECT_EQ(m_session->list(ListingKind::kFolder, "0").refusal, kSessionEnded);
    const ServiceResult<std::string> unread = m_session->disk().shareLink({made.value.id, true});
    EXPECT_EQ(unread.failure, Failure::kRefused);
    EXPECT_EQ(unread.message, kSessionEnded);
    EXPECT_TRUE(unread.value.empty());
    EXPECT_EQ(renewals, 5);
}

// Hears the avatar; the rest is not this test's.
class AvatarListener : public TransferListener {
public:
    void workerEnded(const WorkerReport&) override {}
    void avatarReady(const std::string& fullPath) override {
        std::lock_guard lock(m_mutex);
        m_ready = fullPath;
    }
    std::string ready() const {
        std::lock_guard lock(m_mutex);
        return m_ready;
    }

private:
    mutable std::mutex m_mutex;
    std::string m_ready;
};

// The user's picture comes like any small file of the file server, from the account pictures'
// folder, and is kept whole below the program folder, noted in the account and the sign-in row;
// one that cannot be fetched is said and leaves no file.
TEST_F(SessionTest, TheAvatarComesAsASmallFileAndIsKeptWholeOrSaidToHaveFailed) {
    m_session->startTransfers(pushingSettings(), m_view);
    AvatarListener listener;
    m_session->setTransferListener(&listener);
    PasswordSignIn request;
    request.account = "demo";
    request.password = "demo123";
    request.fetchAvatar = true;
    const SignInResult signedIn = m_session->signIn(request);
    ASSERT_TRUE(signedIn.ok());
    const std::string avatar = signedIn.account.avatar;
    ASSERT_FALSE(avatar.empty());
    const std::string path = m_dir.path() + "/program/image/userFile/" + avatar;
    ASSERT_TRUE(waitUntil([&] { return !listener.ready().empty(); }, std::chrono::seconds(30)));
    EXPECT_EQ(listener.ready(), path);
    EXPECT_EQ(readFile(path).substr(1, 3), "PNG");
    EXPECT_EQ(m_session->account().avatar_cached, 1);
    EXPECT_EQ(m_session->account().avatar_path, "image/userFile/" + avatar);
    SessionCore::gate(*m_session).run([&](LocalStore& store) {
        auto query = store.prepareQuery(
            "SELECT avatarpath, avatarIsDown FROM t_user_log ORDER BY id DESC LIMIT 1");
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.textAt(0), "image/userFile/" + avatar);
        EXPECT_EQ(query.intAt(1), 1);
    });
    EXPECT_TRUE(m_notifier.texts().empty());
    // The fetches after it still find the user's files: the picture's folder was left behind.
    const ClientSession::Listing top = m_session->list(ListingKind::kFolder, "0");
    ASSERT_TRUE(top.tables);
    const auto files = listedEntries(top.tables->disk_files);
    const auto text = std::find_if(files.begin(), files.end(),
                                   [](const DiskFileEntry& file) { return file.ext == ".txt"; });
    ASSERT_NE(text, files.end());
    RemoteFileRecorder recorder;
    for (int i = 0; i < 4; ++i)
        m_session->fetchRemoteFile({std::to_string(i), text->id + text->ext, 1 << 20}, recorder);
    for (const auto& [tag, result] : recorder.waitFor(4))
        EXPECT_EQ(result.outcome, RemoteFileResult::Outcome::kFetched) << tag << result.problem;

    const std::string elsewhere = m_dir.path() + "/other/";
    AvatarKeeper keeper(SessionCore::gate(*m_session), SessionCore::service(*m_session), m_notifier,
                        elsewhere, {});
    RemoteFileResult failed;
    failed.tag = "avatar";
    failed.outcome = RemoteFileResult::Outcome::kFailed;
    keeper.remoteFileFetched(failed);
    EXPECT_EQ(m_notifier.texts(), std::vector<std::string>{"网络异常，头像下载失败"});
    EXPECT_FALSE(std::filesystem::exists(elsewhere + "image/userFile/" + avatar));
}

}  // namespace
}  // namespace nubexa::test
