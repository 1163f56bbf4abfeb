#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "session/transfer_requests.h"
#include "transfer/transfer_view.h"

namespace nubexa {

class ClientSession;

// How a run drives the queue (nubexa-cli's "run").
struct QueueRunOptions {
    TransferStart start;  // with startAtOnce, and rateLimit for this run only
    int transfers = 0;    // uploads, and as many downloads, at once; 0: the user's stored choice
    std::chrono::milliseconds interval{3000};  // between monitor ticks
    // How long an outage of the file server's sign-in is waited out.
    std::chrono::milliseconds giveUpAfter{std::chrono::minutes(10)};
    // One start per direction per tick, as the desktop client drives the queue; otherwise every
    // free slot is filled at once.
    bool tickOnly = false;
    // How often the running tasks' progress is pushed; zero: never.
    std::chrono::milliseconds progressEvery{0};
    // Signs in again after the service ended the session mid-run (true when it could).
    std::function<bool()> renewSignIn;
};

// The running tasks as the transfer pages' rows show them now.
struct RunningTask {
    std::string id;
    std::string fileName;
    int percent = 0;
};
struct QueueProgress {
    std::int64_t uploadKBps = 0;
    std::int64_t downloadKBps = 0;
    std::vector<RunningTask> running;
};

// A worker's end, with the file server's sign-in back-off when that is why it ended.
struct TaskEnded {
    WorkerReport report;
    // kSignInFailed: true when the sign-in has failed for longer than the run waits out
    // (`seconds`: since the outage began); else `seconds` until the next try.
    bool outageTooLong = false;
    double seconds = 0;
    // kRefused: the service ended the session; a new sign-in comes first.
    bool sessionEnded = false;
};

// What a run leaves in the queue, by what it waits for.
struct QueueLeft {
    int waiting = 0;        // every unfinished task
    int heldForResume = 0;  // from an earlier session, automatic resume off
    int paused = 0;         // paused by the user
    int failed = 0;         // refused for a reason a retry cannot change, held for the user
};

struct QueueRunResult {
    enum class End {
        kFinished,     // no task waits or runs
        kInterrupted,  // stop(): every transfer stopped, its row resumable
        kGaveUp,       // the file server's sign-in failed past giveUpAfter
        kStoreFailed,  // bin.db refused a write: nothing more could be started
    };
    End end = End::kFinished;
    int completed = 0;
    int failed = 0;            // refused, or held after failing again and again
    double outageSeconds = 0;  // kGaveUp: how long the sign-in failed
    QueueLeft left;            // kFinished
};

// Hears a run's events on the run's own thread, as they come.
class QueueRunListener {
public:
    virtual ~QueueRunListener() = default;
    virtual void taskEnded(const TaskEnded& ended) = 0;
    virtual void progress(const QueueProgress& /*now*/) {}
    // stop() was heard: every transfer is being stopped.
    virtual void stopping() {}
};

// Drives the signed-in user's queue until no task waits or runs: the monitor's ticks, a
// freed slot filled at once, the workers' ends pushed to the listener as they come. The
// caller holds the queue's lock (ClientSession::lockQueue) and has signed in; the run starts
// the session's transfers with its own settings (ending those started before).
// run() on the session's owner thread; stop() from any thread.
class QueueRun : private TransferListener {
public:
    QueueRun(ClientSession& session, QueueRunOptions options, TransferView& view)
        : m_session(session), m_options(std::move(options)), m_view(view) {}

    QueueRunResult run(QueueRunListener& listener);
    void stop();

private:
    void workerEnded(const WorkerReport& report) override;
    void workerThreadEnded() override;
    void avatarReady(const std::string&) override {}

    // Hands the reports to the listener; true when one of them completed its task.
    bool drain(QueueRunListener& listener, QueueRunResult& result);
    // Waits up to `slice` for a report or stop(); true when stop() was called.
    bool waitFor(std::chrono::steady_clock::duration slice);
    QueueProgress progressNow();
    QueueLeft leftNow();

    ClientSession& m_session;
    const QueueRunOptions m_options;
    TransferView& m_view;
    std::mutex m_mutex;
    std::condition_variable m_woken;
    std::vector<WorkerReport> m_reports;  // guarded by m_mutex
    bool m_news = false;                  // guarded by m_mutex
    bool m_stop = false;                  // guarded by m_mutex
};

}  // namespace nubexa
