#include "cli/run_loop.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "cli/argument_checks.h"
#include "cli/cli_context.h"
#include "cli/cli_session.h"
#include "cli/message_notifier.h"
#include "cli/messages.h"
#include "cli/progress_line.h"
#include "cli/rate_text.h"
#include "cli/stop_on_signal.h"
#include "platform/paths.h"
#include "session/queue_run.h"

namespace nubexa::cli {

namespace {

constexpr auto kRedraw = std::chrono::milliseconds(250);

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

// What the run reports, on standard error: each task's end on a line of its own and, on a
// terminal, a live line with the summed speeds and every running task's progress.
class RunDisplay : public QueueRunListener {
public:
    bool live() const { return m_live; }

    void progress(const QueueProgress& now) override {
        std::string tasks;
        for (const RunningTask& task : now.running)
            tasks +=
                "  #" + task.id + " " + task.fileName + " " + std::to_string(task.percent) + "%";
        m_line.showText(say("up {}  down {}", "上传 {}  下载 {}",
                            {speedText(now.uploadKBps), speedText(now.downloadKBps)}) +
                        tasks);
    }

    void stopping() override {
        print(say("stopping: every task stays resumable (\"nubexa-cli run\" continues them)",
                  "正在停止：每个任务都可续传（\"nubexa-cli run\" 继续）"));
    }

    void taskEnded(const TaskEnded& ended) override;

    void end() { m_line.finish(); }

private:
    void print(const std::string& text) {
        m_line.finish();
        std::fprintf(stderr, "%s\n", forTerminal(text).c_str());
    }

    const bool m_live = isatty(STDERR_FILENO) == 1;
    ProgressLine m_line;
};

void RunDisplay::taskEnded(const TaskEnded& ended) {
    using Outcome = WorkerReport::Outcome;
    const WorkerReport& report = ended.report;
    const std::string id = std::to_string(report.taskId);
    const std::string name = forTerminal(report.fileName);
    switch (report.outcome) {
        case Outcome::kCompleted:
            print(report.direction == Direction::kUpload
                      ? say("uploaded: task {} ({})", "上传完成：任务 {}（{}）", {id, name})
                      : say("downloaded: task {} ({})", "下载完成：任务 {}（{}）", {id, name}));
            break;
        case Outcome::kFailed:
            print(say("task {} ({}) did not finish; it waits for another try",
                      "任务 {}（{}）未完成，稍后再试", {id, name}));
            break;
        case Outcome::kHeldAfterFailures:
            print(
                say("task {} ({}) failed again and again and waits before another try; "
                    "\"nubexa-cli resume {}\" tries again at once",
                    "任务 {}（{}）多次失败，稍后再试；\"nubexa-cli resume {}\" 立即重试",
                    {id, name, id}));
            break;
        case Outcome::kRefused:
            print(say("task {} ({}) failed: {}; \"nubexa-cli resume {}\" tries once more{}",
                      "任务 {}（{}）失败：{}；\"nubexa-cli resume {}\" 再试一次{}",
                      {id, name, coreMessageText(report.reason), id,
                       ended.sessionEnded ? say("; run \"nubexa-cli login\" first",
                                                "；请先运行 \"nubexa-cli login\"")
                                          : std::string()}));
            break;
        case Outcome::kSignInFailed: {
            const std::string why =
                report.reason.empty() ? std::string() : ": " + coreMessageText(report.reason);
            if (ended.outageTooLong) {
                print(
                    say("cannot sign in to the file server for task {} ({}){}; no "
                        "further try: it has failed for {} s (--give-up-after)",
                        "任务 {}（{}）无法登录文件服务器{}；不再重试：已失败 {} 秒"
                        "（--give-up-after）",
                        {id, name, why, secondsText(ended.seconds)}));
            } else {
                print(say("cannot sign in to the file server for task {} ({}){}; next try in {} s",
                          "任务 {}（{}）无法登录文件服务器{}；{} 秒后重试",
                          {id, name, why, secondsText(ended.seconds)}));
            }
        } break;
        case Outcome::kStopped:
            print(say("task {} ({}) stopped", "任务 {}（{}）已停止", {id, name}));
            break;
        case Outcome::kNotRun:
            break;
    }
}

void printLeft(const QueueRunResult& result) {
    const QueueLeft& left = result.left;
    std::printf("%s\n",
                say("{} completed, {} failed{}, {} waiting", "{} 个完成，{} 个失败{}，{} 个等待",
                    {std::to_string(result.completed), std::to_string(result.failed),
                     result.failed > 0 ? say(" (see above)", "（见上文）") : "",
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
}

bool argumentsValid(const RunArgs& args) {
    if (!parseRate(args.limitRate)) {
        complain(say("bad --limit-rate: {} (a number of bytes per second, suffix K, M or G)",
                     "--limit-rate 无效：{}（每秒字节数，可加 K、M 或 G）", {args.limitRate}));
        return false;
    }
    if (!parseDuration(args.giveUpAfter)) {
        complain(say("bad --give-up-after: {} (a duration: seconds, or suffix s, m or h)",
                     "--give-up-after 无效：{}（时长：秒数，可加 s、m 或 h）", {args.giveUpAfter}));
        return false;
    }
    return true;
}

int runHeld(CliSession& session, const RunArgs& args, const sigset_t& awaited) {
    const auto rate = parseRate(args.limitRate);
    const auto giveUpAfter = parseDuration(args.giveUpAfter);
    RunDisplay display;
    QueueRunOptions options;
    options.start.programFolder = homeFolder();
    options.start.ftpTrace = session.verbose();
    if (!args.limitRate.empty())
        options.start.rateLimit = *rate;
    options.transfers = args.transfers;
    options.interval = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::duration<double>(args.intervalSeconds));
    options.giveUpAfter = *giveUpAfter;
    options.tickOnly = args.tickOnly;
    if (display.live())
        options.progressEvery = kRedraw;
    // A session the service ended mid-run is taken up again with the remembered password.
    options.renewSignIn = [&session] { return session.signInAgain(); };
    QueueRun run(session.client(), options, session.view());
    QueueRunResult result;
    {
        StopOnSignal stopper(awaited, [&run] { run.stop(); });
        result = run.run(display);
    }
    display.end();
    switch (result.end) {
        case QueueRunResult::End::kInterrupted:
            return kInterrupted;
        case QueueRunResult::End::kGaveUp:
            complain(say(
                "the file server refused or did not answer the sign-in for {} s "
                "(--give-up-after {}); the tasks wait for the next run",
                "文件服务器 {} 秒内一直拒绝或未应答登录（--give-up-after {}）；任务等待下次 run",
                {secondsText(result.outageSeconds), args.giveUpAfter}));
            return kFailed;
        case QueueRunResult::End::kStoreFailed:
            complain(
                say("no further task was started because {} cannot be written; the tasks "
                    "wait for the next run",
                    "由于无法写入 {}，没有再启动任务；任务等待下次 run", {session.databasePath()}));
            return kFailed;
        case QueueRunResult::End::kFinished:
            break;
    }
    printLeft(result);
    return result.failed > 0 ? kFailed : kDone;
}

}  // namespace

int runQueue(const CliContext& context, const RunArgs& args) {
    if (!argumentsValid(args))
        return kUsage;
    const sigset_t awaited = blockStopSignals();
    CliSession session(context);
    // A run queues nothing: the upload limit was applied when the tasks were queued.
    if (!session.driveQueue(CliSession::Details::kNotNeeded))
        return kFailed;
    return runHeld(session, args, awaited);
}

int runQueueIn(CliSession& session, const RunArgs& args, const sigset_t& awaited) {
    if (!argumentsValid(args))
        return kUsage;
    if (!session.takeQueue())
        return kFailed;
    return runHeld(session, args, awaited);
}

}  // namespace nubexa::cli
