#include "cli/run_loop.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <mutex>
#include <vector>

#include "cli/cli_context.h"
#include "cli/cli_session.h"
#include "cli/progress_line.h"
#include "cli/rate_text.h"
#include "cli/run_lock.h"
#include "platform/paths.h"
#include "transfer/service_registrar.h"
#include "transfer/transfer_monitor.h"
#include "transfer/transfer_page_text.h"

namespace nubexa::cli {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kRedraw = std::chrono::milliseconds(250);

// A worker's report wakes the run loop from its wait, so that a freed slot or the end of the
// run is seen at once rather than at the next redraw.
constexpr int kReportSignal = SIGUSR1;

// Collects the workers' reports for the run loop's thread, which prints them.
class ReportQueue : public TransferListener {
public:
    void workerEnded(const WorkerReport& report) override {
        {
            std::lock_guard lock(m_mutex);
            m_reports.push_back(report);
        }
        pthread_kill(m_loopThread, kReportSignal);
    }
    void avatarReady(const std::string&) override {}

    std::vector<WorkerReport> take() {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_reports, {});
    }

private:
    const pthread_t m_loopThread = pthread_self();
    std::mutex m_mutex;
    std::vector<WorkerReport> m_reports;
};

class StatusView : public NoTransferView {
public:
    void showStatusText(const std::string& text) override { m_text = text; }
    const std::string& text() const { return m_text; }

private:
    std::string m_text = "上传：0 KB/S 下载：0 KB/S";
};

// The live line on a terminal: the summed speeds and every running task's progress, read from
// the rows as the transfer pages read them. Reports go on lines of their own.
class RunDisplay {
public:
    RunDisplay(StoreGate& gate, std::string uid)
        : m_gate(gate), m_uid(std::move(uid)), m_live(isatty(STDERR_FILENO) == 1) {}

    void redraw(const std::string& statusText) {
        if (!m_live)
            return;
        std::string text = statusText;
        for (const Direction page : {Direction::kUpload, Direction::kDownload}) {
            for (const auto& row : loadTransferPage(m_gate, m_uid, page)) {
                if (row.status != "1")
                    continue;
                text += "  #" + row.id + " " + fileNameOf(row.localInfo) + " " +
                        std::to_string(row.progress) + "%";
            }
        }
        m_line.showText(text);
    }

    void print(const std::string& text) {
        m_line.finish();
        std::fprintf(stderr, "%s\n", text.c_str());
    }

    void end() { m_line.finish(); }

private:
    static std::string fileNameOf(const std::string& path) {
        const auto slash = path.rfind('/');
        return slash == std::string::npos ? path : path.substr(slash + 1);
    }

    StoreGate& m_gate;
    const std::string m_uid;
    const bool m_live;
    ProgressLine m_line;
};

struct Tally {
    int completed = 0;
    int failed = 0;
};

void report(RunDisplay& display, const WorkerReport& report, const LoginBackoff& backoff,
            Tally& tally) {
    using Outcome = WorkerReport::Outcome;
    const std::string task = "task " + std::to_string(report.taskId) + " (" + report.fileName + ")";
    switch (report.outcome) {
        case Outcome::kCompleted:
            ++tally.completed;
            display.print(std::string(report.direction == Direction::kUpload ? "上传" : "下载") +
                          "完成: " + task);
            break;
        case Outcome::kFailed:
            display.print(task + " did not finish; it waits for another try");
            break;
        case Outcome::kHeldAfterFailures:
            ++tally.failed;
            display.print(task + " failed again and again and waits before another try; " +
                          "\"nubexa-cli resume " + std::to_string(report.taskId) +
                          "\" tries again at once");
            break;
        case Outcome::kRefused:
            ++tally.failed;
            display.print(
                task + " failed: " + report.reason + "; \"nubexa-cli resume " +
                std::to_string(report.taskId) + "\" tries once more" +
                (report.reason == kSessionEnded ? "; run \"nubexa-cli login\" first" : ""));
            break;
        case Outcome::kSignInFailed: {
            char delay[32];
            std::snprintf(delay, sizeof delay, "%.1f", backoff.currentDelay().count() / 1000.0);
            display.print("cannot sign in to the file server for " + task + "; next try in " +
                          delay + " s");
        } break;
        case Outcome::kStopped:
            display.print(task + " stopped");
            break;
        case Outcome::kNotRun:
            break;
    }
}

}  // namespace

int runQueue(const CliContext& context, const RunArgs& args) {
    const auto rate = parseRate(args.limitRate);
    if (!rate) {
        complain("bad --limit-rate: " + args.limitRate);
        return kUsage;
    }
    // Blocked before any thread exists, so that every thread inherits it and only the wait
    // below receives them.
    sigset_t awaited;
    sigemptyset(&awaited);
    sigaddset(&awaited, SIGINT);
    sigaddset(&awaited, SIGTERM);
    sigaddset(&awaited, kReportSignal);
    pthread_sigmask(SIG_BLOCK, &awaited, nullptr);

    StatusView view;  // before the session: its transfers use it until they end
    CliSession session(context);
    RunLock lock(session.gate().databasePath());
    if (!lock.held()) {
        complain("another nubexa-cli run or the desktop client is transferring the tasks of " +
                 session.gate().databasePath());
        return kFailed;
    }
    if (!session.signInAgain())
        return kFailed;
    TransferSettings settings;
    settings.programFolder = homeFolder();
    settings.ftp.maxBytesPerSecond = *rate;
    ReportQueue reports;
    TransferManager& manager = session.manager(settings, view);
    manager.setListener(&reports);
    // A session the service ended mid-run is taken up again with the remembered password.
    manager.setSessionRenewer([&session] { return session.signInAgain(); });
    manager.recoverInterrupted();
    TransferMonitor& monitor = session.client().monitor();
    RunDisplay display(session.gate(), session.service().account().uid);
    Tally tally;
    // Prints what the workers reported; true when one of them completed its task, so that a
    // freed slot takes the next waiting task at once instead of at the next tick.
    const auto drain = [&] {
        bool completed = false;
        for (const auto& one : reports.take()) {
            report(display, one, manager.backoff(one.direction), tally);
            completed = completed || one.outcome == WorkerReport::Outcome::kCompleted;
        }
        return completed;
    };
    const auto finished = [&] {
        return manager.workers().liveCount() == 0 && !monitor.anythingWaiting();
    };
    const auto interval = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(args.intervalSeconds));

    bool interrupted = false;
    bool gaveUp = false;
    bool done = false;
    while (!done && !interrupted) {
        // A tick starts at most one task per direction; a run fills every free slot at once.
        for (auto tick = monitor.MonitorTick();
             !args.tickOnly && (tick.startedUpload > 0 || tick.startedDownload > 0);)
            tick = monitor.MonitorTick();
        drain();
        if (manager.workers().liveCount() == 0 && manager.signInFailures() >= args.giveUpAfter) {
            gaveUp = true;
            break;
        }
        const auto nextTick = Clock::now() + interval;
        for (auto now = Clock::now(); now < nextTick; now = Clock::now()) {
            const auto slice = std::min<Clock::duration>(kRedraw, nextTick - now);
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(slice).count();
            const timespec wait{static_cast<time_t>(ns / 1000000000),
                                static_cast<long>(ns % 1000000000)};
            const int received = sigtimedwait(&awaited, nullptr, &wait);
            if (received > 0 && received != kReportSignal) {
                interrupted = true;
                break;
            }
            const bool slotFreed = drain();
            display.redraw(view.text());
            if (finished()) {
                done = true;
                break;
            }
            if (slotFreed && !args.tickOnly)
                break;
        }
    }
    if (interrupted) {
        display.print("stopping: every task stays resumable (\"nubexa-cli run\" continues them)");
        manager.stopWorkers();
        drain();
        display.end();
        return kFailed;
    }
    manager.waitForWorkers();
    drain();
    display.end();
    if (gaveUp) {
        complain("the file server refused or did not answer the sign-in " +
                 std::to_string(manager.signInFailures()) +
                 " times in a row; the tasks wait for the next run");
        return kFailed;
    }
    std::printf("%d transfer(s) completed%s\n", tally.completed,
                tally.failed > 0 ? ", some failed (see above)" : "");
    return tally.failed > 0 ? kFailed : kDone;
}

}  // namespace nubexa::cli
