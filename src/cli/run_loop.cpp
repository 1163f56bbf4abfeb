#include "cli/run_loop.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <mutex>
#include <vector>

#include "cli/argument_checks.h"
#include "cli/cli_context.h"
#include "cli/cli_session.h"
#include "cli/message_notifier.h"
#include "cli/messages.h"
#include "cli/progress_line.h"
#include "cli/rate_text.h"
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
    // A worker reports its task before it looks for the next one: the end of the run comes
    // with its thread's end.
    void workerThreadEnded() override { pthread_kill(m_loopThread, kReportSignal); }
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

// The live line on a terminal: the summed speeds and every running task's progress, read from
// the rows as the transfer pages read them. Reports go on lines of their own.
class RunDisplay {
public:
    RunDisplay(StoreGate& gate, std::string uid)
        : m_gate(gate), m_uid(std::move(uid)), m_live(isatty(STDERR_FILENO) == 1) {}

    // The summed speeds of both directions, then every running task's progress.
    void redraw() {
        if (!m_live)
            return;
        std::string tasks;
        std::int64_t speeds[2] = {0, 0};
        for (const Direction page : {Direction::kUpload, Direction::kDownload}) {
            for (const auto& row : loadTaskRows(m_gate, m_uid, page)) {
                if (row.status != "1")
                    continue;
                speeds[page == Direction::kUpload ? 0 : 1] += std::atoll(row.speed.c_str());
                tasks += "  #" + row.id + " " + row.localFileName + " " +
                         std::to_string(row.scheduleValue) + "%";
            }
        }
        m_line.showText(say("up {}  down {}", "上传 {}  下载 {}",
                            {speedText(speeds[0]), speedText(speeds[1])}) +
                        tasks);
    }

    void print(const std::string& text) {
        m_line.finish();
        std::fprintf(stderr, "%s\n", forTerminal(text).c_str());
    }

    void end() { m_line.finish(); }

private:
    StoreGate& m_gate;
    const std::string m_uid;
    const bool m_live;
    ProgressLine m_line;
};

// What a run leaves in the queue, by what it waits for.
struct QueueLeft {
    int waiting = 0;        // every unfinished task
    int heldForResume = 0;  // from an earlier session, automatic resume off
    int paused = 0;         // paused by the user
    int failed = 0;         // refused for a reason a retry cannot change, held for the user
};

QueueLeft whatIsLeft(StoreGate& gate, const std::string& uid) {
    QueueLeft left;
    for (const Direction page : {Direction::kUpload, Direction::kDownload}) {
        for (const auto& row : loadTaskRows(gate, uid, page)) {
            ++left.waiting;
            left.heldForResume += row.holdMark == hold_mark::kEarlierSession ? 1 : 0;
            // A failed task is held as a paused one is, but the user did not pause it.
            const bool failed = !row.failReason.empty();
            left.failed += failed ? 1 : 0;
            left.paused += !failed && row.holdMark == hold_mark::kUserPause ? 1 : 0;
        }
    }
    return left;
}

// Whether the file server's sign-in has failed for longer than the run waits out: the next
// round would begin past `giveUpAfter` from the streak's first failure.
bool outageTooLong(const LoginBackoff& backoff, std::chrono::milliseconds giveUpAfter) {
    const auto began = backoff.streakBegan();
    const auto retryAt = backoff.retryAt();
    return began && retryAt && *retryAt > *began + giveUpAfter;
}

std::string secondsText(Clock::duration duration) {
    char text[32];
    std::snprintf(
        text, sizeof text, "%.1f",
        std::chrono::duration<double>(std::max(duration, Clock::duration::zero())).count());
    return text;
}

struct Tally {
    int completed = 0;
    int failed = 0;
};

void report(RunDisplay& display, const WorkerReport& report, const LoginBackoff& backoff,
            std::chrono::milliseconds giveUpAfter, Tally& tally) {
    using Outcome = WorkerReport::Outcome;
    const std::string id = std::to_string(report.taskId);
    const std::string name = forTerminal(report.fileName);
    switch (report.outcome) {
        case Outcome::kCompleted:
            ++tally.completed;
            display.print(
                report.direction == Direction::kUpload
                    ? say("uploaded: task {} ({})", "上传完成：任务 {}（{}）", {id, name})
                    : say("downloaded: task {} ({})", "下载完成：任务 {}（{}）", {id, name}));
            break;
        case Outcome::kFailed:
            display.print(say("task {} ({}) did not finish; it waits for another try",
                              "任务 {}（{}）未完成，稍后再试", {id, name}));
            break;
        case Outcome::kHeldAfterFailures:
            ++tally.failed;
            display.print(
                say("task {} ({}) failed again and again and waits before another try; "
                    "\"nubexa-cli resume {}\" tries again at once",
                    "任务 {}（{}）多次失败，稍后再试；\"nubexa-cli resume {}\" 立即重试",
                    {id, name, id}));
            break;
        case Outcome::kRefused:
            ++tally.failed;
            display.print(say(
                "task {} ({}) failed: {}; \"nubexa-cli resume {}\" tries once more{}",
                "任务 {}（{}）失败：{}；\"nubexa-cli resume {}\" 再试一次{}",
                {id, name, coreMessageText(report.reason), id,
                 report.reason == kSessionEnded
                     ? say("; run \"nubexa-cli login\" first", "；请先运行 \"nubexa-cli login\"")
                     : std::string()}));
            break;
        case Outcome::kSignInFailed: {
            const std::string why =
                report.reason.empty() ? std::string() : ": " + coreMessageText(report.reason);
            if (outageTooLong(backoff, giveUpAfter)) {
                const auto began = backoff.streakBegan().value_or(Clock::now());
                display.print(
                    say("cannot sign in to the file server for task {} ({}){}; no "
                        "further try: it has failed for {} s (--give-up-after)",
                        "任务 {}（{}）无法登录文件服务器{}；不再重试：已失败 {} 秒"
                        "（--give-up-after）",
                        {id, name, why, secondsText(Clock::now() - began)}));
            } else {
                const auto retryAt = backoff.retryAt().value_or(Clock::now());
                display.print(
                    say("cannot sign in to the file server for task {} ({}){}; next try in {} s",
                        "任务 {}（{}）无法登录文件服务器{}；{} 秒后重试",
                        {id, name, why, secondsText(retryAt - Clock::now())}));
            }
        } break;
        case Outcome::kStopped:
            display.print(say("task {} ({}) stopped", "任务 {}（{}）已停止", {id, name}));
            break;
        case Outcome::kNotRun:
            break;
    }
}

}  // namespace

int runQueue(const CliContext& context, const RunArgs& args) {
    const auto rate = parseRate(args.limitRate);
    if (!rate) {
        complain(say("bad --limit-rate: {} (a number of bytes per second, suffix K, M or G)",
                     "--limit-rate 无效：{}（每秒字节数，可加 K、M 或 G）", {args.limitRate}));
        return kUsage;
    }
    const auto giveUpAfter = parseDuration(args.giveUpAfter);
    if (!giveUpAfter) {
        complain(say("bad --give-up-after: {} (a duration: seconds, or suffix s, m or h)",
                     "--give-up-after 无效：{}（时长：秒数，可加 s、m 或 h）", {args.giveUpAfter}));
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

    CliSession session(context);
    if (!session.client().lockQueue()) {
        complain(say("another nubexa-cli run or the desktop client is transferring the tasks of {}",
                     "另一个 nubexa-cli run 或桌面客户端正在传输 {} 的任务",
                     {session.gate().databasePath()}));
        return kFailed;
    }
    if (!session.signInAgain())
        return kFailed;
    TransferSettings settings;
    settings.programFolder = homeFolder();
    // A rate given here holds for this run, shared by the workers of each direction as the
    // desktop client shares the user's stored limits.
    if (!args.limitRate.empty()) {
        settings.ftp.uploadLimit = std::make_shared<RateLimiter>(*rate);
        settings.ftp.downloadLimit = std::make_shared<RateLimiter>(*rate);
    }
    ReportQueue reports;
    TransferManager& manager = session.manager(settings);
    manager.loadSpeedLimits();
    // What is given here holds for this run only; the stored choices stay.
    if (args.transfers > 0) {
        SpeedLimits limits = manager.speedLimits();
        limits.uploadTransfers = limits.downloadTransfers = args.transfers;
        manager.setSpeedLimits(limits);
    }
    if (!args.limitRate.empty()) {
        settings.ftp.uploadLimit->setRate(*rate);
        settings.ftp.downloadLimit->setRate(*rate);
    }
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
            report(display, one, manager.backoff(one.direction), *giveUpAfter, tally);
            completed = completed || one.outcome == WorkerReport::Outcome::kCompleted;
        }
        return completed;
    };
    const auto finished = [&] {
        return manager.workers().liveCount() == 0 && !monitor.anythingWaiting();
    };
    const auto interval = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(args.intervalSeconds));

    const auto outageTooLongNow = [&] {
        return outageTooLong(manager.backoff(Direction::kUpload), *giveUpAfter) ||
               outageTooLong(manager.backoff(Direction::kDownload), *giveUpAfter);
    };
    // The next tick, or the end of a sign-in back-off when that comes first: a next try that
    // was announced happens when it was announced.
    const auto nextTickAfter = [&](Clock::time_point now) {
        auto next = now + interval;
        for (const Direction direction : {Direction::kUpload, Direction::kDownload}) {
            if (const auto retryAt = manager.backoff(direction).retryAt();
                retryAt && *retryAt > now)
                next = std::min(next, *retryAt);
        }
        return next;
    };

    bool interrupted = false;
    bool gaveUp = false;
    bool storeFailed = false;
    bool done = false;
    while (!done && !interrupted) {
        // A tick starts at most one task per direction; a run fills every free slot at once.
        for (auto tick = monitor.MonitorTick();
             !args.tickOnly && (tick.startedUpload > 0 || tick.startedDownload > 0);)
            tick = monitor.MonitorTick();
        drain();
        if (manager.workers().liveCount() == 0 && outageTooLongNow()) {
            gaveUp = true;
            break;
        }
        // Nothing more can be started: the run ends once the running tasks have.
        if (manager.workers().liveCount() == 0 && manager.storeFailure()) {
            storeFailed = true;
            break;
        }
        const auto nextTick = nextTickAfter(Clock::now());
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
            display.redraw();
            if (finished()) {
                done = true;
                break;
            }
            if (slotFreed && !args.tickOnly)
                break;
        }
    }
    if (interrupted) {
        display.print(
            say("stopping: every task stays resumable (\"nubexa-cli run\" continues them)",
                "正在停止：每个任务都可续传（\"nubexa-cli run\" 继续）"));
        manager.stopWorkers();
        drain();
        // What the workers left running waits for the next run, so that "queue" shows it so.
        manager.recoverInterrupted();
        display.end();
        return kInterrupted;
    }
    manager.waitForWorkers();
    drain();
    display.end();
    if (gaveUp) {
        auto began = Clock::now();
        for (const Direction direction : {Direction::kUpload, Direction::kDownload})
            began = std::min(began, manager.backoff(direction).streakBegan().value_or(began));
        complain(
            say("the file server refused or did not answer the sign-in for {} s "
                "(--give-up-after {}); the tasks wait for the next run",
                "文件服务器 {} 秒内一直拒绝或未应答登录（--give-up-after {}）；任务等待下次 run",
                {secondsText(Clock::now() - began), args.giveUpAfter}));
        return kFailed;
    }
    if (storeFailed) {
        complain(say(
            "no further task was started because {} cannot be written; the tasks wait "
            "for the next run",
            "由于无法写入 {}，没有再启动任务；任务等待下次 run", {session.gate().databasePath()}));
        return kFailed;
    }
    const QueueLeft left = whatIsLeft(session.gate(), session.service().account().uid);
    std::printf("%s\n",
                say("{} completed, {} failed{}, {} waiting", "{} 个完成，{} 个失败{}，{} 个等待",
                    {std::to_string(tally.completed), std::to_string(tally.failed),
                     tally.failed > 0 ? say(" (see above)", "（见上文）") : "",
                     std::to_string(left.waiting)})
                    .c_str());
    if (left.heldForResume > 0) {
        std::printf("%s\n",
                    say("{} task(s) wait for \"nubexa-cli resume\" (automatic resume is off: "
                        "\"nubexa-cli login ACCOUNT --auto-resume on\" turns it on)",
                        "{} 个任务等待 \"nubexa-cli resume\"（自动续传已关闭：\"nubexa-cli login "
                        "ACCOUNT --auto-resume on\" 可打开）",
                        {std::to_string(left.heldForResume)})
                        .c_str());
    }
    if (left.failed > 0) {
        std::printf("%s\n", say("{} failed task(s) wait for \"nubexa-cli resume\" (\"nubexa-cli "
                                "queue\" says why)",
                                "{} 个失败的任务等待 \"nubexa-cli resume\"（\"nubexa-cli queue\" "
                                "显示原因）",
                                {std::to_string(left.failed)})
                                .c_str());
    }
    if (left.paused > 0) {
        std::printf("%s\n", say("{} paused task(s) wait for \"nubexa-cli resume\"",
                                "{} 个已暂停的任务等待 \"nubexa-cli resume\"",
                                {std::to_string(left.paused)})
                                .c_str());
    }
    return tally.failed > 0 ? kFailed : kDone;
}

}  // namespace nubexa::cli
