#include "cli/queue_commands.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "cli/argument_checks.h"
#include "cli/cli_context.h"
#include "cli/cli_session.h"
#include "cli/messages.h"
#include "cli/queue_view.h"
#include "cli/run_loop.h"
#include "session/run_lock.h"

namespace nubexa::cli {

namespace {

int showQueue(const CliContext& context) {
    CliSession session(context);
    if (!session.adoptLastUser())
        return kFailed;
    ClientSession& client = session.client();
    const auto uploads = client.transferRows(Direction::kUpload);
    const auto downloads = client.transferRows(Direction::kDownload);
    // A run that holds the queue now is what makes a "running" row move.
    const bool transferring = RunLock::heldElsewhere(session.databasePath());
    std::printf("%s\n", say("ID\tDIRECTION\tLOCAL\tREMOTE\tSIZE\tPROGRESS\tSPEED\tSTATE",
                            "ID\t方向\t本地文件信息\t网盘文件信息\t大小\t进度\t速度\t状态")
                            .c_str());
    for (const auto& line : makeQueueLines(uploads, downloads, transferring)) {
        const std::string direction =
            line.direction == Direction::kUpload ? say("upload", "上传") : say("download", "下载");
        std::printf("%s\t%s\t%s\t%s\t%s\t%d%%\t%s\t%s\n", line.id.c_str(), direction.c_str(),
                    forTerminal(line.local).c_str(), forTerminal(line.remote).c_str(),
                    line.size.c_str(), line.progress, line.speed.c_str(), line.state.c_str());
    }
    return kDone;
}

enum class Command { kPause, kResume, kDelete };

int changeTask(const CliContext& context, Command command, std::int64_t id) {
    CliSession session(context);
    if (!session.adoptLastUser())
        return kFailed;
    session.startQueueOnly();
    ClientSession& client = session.client();
    TaskCommandResult result = TaskCommandResult::kNoSuchTask;
    switch (command) {
        case Command::kPause:
            result = client.pauseTask(id);
            break;
        case Command::kResume:
            result = client.resumeTask(id);
            break;
        case Command::kDelete:
            result = client.removeTask(id);
            break;
    }
    const std::string task = std::to_string(id);
    switch (result) {
        case TaskCommandResult::kDone:
            switch (command) {
                case Command::kPause:
                    std::printf("%s\n", say("task {} paused", "任务 {} 已暂停", {task}).c_str());
                    break;
                case Command::kResume:
                    std::printf("%s\n", say("task {} resumed: \"nubexa-cli run\" transfers it",
                                            "任务 {} 已续传：\"nubexa-cli run\" 会传输它", {task})
                                            .c_str());
                    break;
                case Command::kDelete:
                    std::printf("%s\n", say("task {} deleted", "任务 {} 已删除", {task}).c_str());
                    break;
            }
            return kDone;
        case TaskCommandResult::kNoSuchTask:
            complain(say("no task {} in the queue (\"nubexa-cli queue\" lists them)",
                         "队列中没有任务 {}（\"nubexa-cli queue\" 列出任务）", {task}));
            return kFailed;
        case TaskCommandResult::kNotApplicable:
            complain(
                say("task {} is neither running nor waiting", "任务 {} 既未运行也未等待", {task}));
            return kFailed;
        case TaskCommandResult::kNotWritten:
            complain(say("task {} is unchanged: bin.db could not be written",
                         "任务 {} 未改变：无法写入 bin.db", {task}));
            return kFailed;
    }
    return kFailed;
}

void addTaskCommand(CLI::App& app, const CliContext& context, int& exitCode, const char* name,
                    const char* description, Command command) {
    auto id = std::make_shared<std::int64_t>(0);
    CLI::App* sub = app.add_subcommand(name, description);
    sub->add_option("task", *id, "TASK-ID as \"queue\" shows it")
        ->required()
        ->check(positiveWholeNumber("TASK-ID"));
    sub->callback(
        [&context, &exitCode, id, command] { exitCode = changeTask(context, command, *id); });
}

}  // namespace

void addQueueCommands(CLI::App& app, const CliContext& context, int& exitCode) {
    app.add_subcommand("queue", "Show the unfinished transfers as the transfer pages list them")
        ->callback([&context, &exitCode] { exitCode = showQueue(context); });
    addTaskCommand(app, context, exitCode, "pause", "Pause a task (\"暂停\")", Command::kPause);
    addTaskCommand(app, context, exitCode, "resume",
                   "Resume a task (\"续传\"): the next or running \"run\" transfers it",
                   Command::kResume);
    addTaskCommand(app, context, exitCode, "delete",
                   "Delete a task (\"删除\"); files stay where they are", Command::kDelete);

    auto args = std::make_shared<RunArgs>();
    CLI::App* run = app.add_subcommand(
        "run",
        "Transfer the queue: the monitor every few seconds until no task waits or runs; "
        "Ctrl-C leaves every task resumable");
    run->add_option("--limit-rate", args->limitRate,
                    "at most this many bytes per second for all uploads together, and as many for "
                    "all downloads (suffix K, M or G); without it, the limits set in the "
                    "desktop client's settings");
    run->add_option("--transfers", args->transfers,
                    "how many uploads, and as many downloads, run at once (1 to 10); without "
                    "it, the numbers set in the desktop client's settings")
        ->check(CLI::Range(1, 10));
    run->add_option("--interval", args->intervalSeconds, "seconds between monitor ticks")
        ->check(secondsBetween(0.05, 60.0))
        ->capture_default_str();
    run->add_option("--give-up-after", args->giveUpAfter,
                    "how long run keeps trying when the file server refuses or does not answer "
                    "the sign-in (seconds, or suffix s, m or h)")
        ->check(durationText("--give-up-after"))
        ->capture_default_str();
    run->add_flag("--tick-only", args->tickOnly,
                  "start tasks only at the monitor's ticks, as the desktop client does");
    run->callback([&context, &exitCode, args] { exitCode = runQueue(context, *args); });
}

}  // namespace nubexa::cli
