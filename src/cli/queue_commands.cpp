#include "cli/queue_commands.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "cli/cli_context.h"
#include "cli/cli_session.h"
#include "cli/run_loop.h"
#include "transfer/task_commands.h"
#include "transfer/transfer_page_text.h"

namespace nubexa::cli {

namespace {

int showQueue(const CliContext& context) {
    CliSession session(context);
    if (!session.adoptLastUser())
        return kFailed;
    const std::string uid = session.service().account().uid;
    std::printf("ID\t方向\t本地文件信息\t网盘文件信息\t大小\t进度\t速度\t状态\n");
    for (const Direction page : {Direction::kUpload, Direction::kDownload}) {
        for (const auto& row : loadTransferPage(session.gate(), uid, page)) {
            const std::string state =
                row.reason.empty() ? row.state : row.state + "：" + row.reason;
            std::printf("%s\t%s\t%s\t%s\t%s\t%d%%\t%s\t%s\n", row.id.c_str(),
                        page == Direction::kUpload ? "上传" : "下载", row.localInfo.c_str(),
                        row.remoteInfo.c_str(), row.size.c_str(), row.progress, row.speed.c_str(),
                        state.c_str());
        }
    }
    return kDone;
}

enum class Command { kPause, kResume, kDelete };

int changeTask(const CliContext& context, Command command, std::int64_t id) {
    CliSession session(context);
    if (!session.adoptLastUser())
        return kFailed;
    TaskCommands commands(session.manager());
    TaskCommands::Result result = TaskCommands::Result::kNoSuchTask;
    switch (command) {
        case Command::kPause:
            result = commands.pause(id);
            break;
        case Command::kResume:
            result = commands.resume(id);
            break;
        case Command::kDelete:
            result = commands.remove(id);
            break;
    }
    switch (result) {
        case TaskCommands::Result::kDone:
            return kDone;
        case TaskCommands::Result::kNoSuchTask:
            complain("no task " + std::to_string(id) + " in the queue");
            return kFailed;
        case TaskCommands::Result::kNotApplicable:
            complain("task " + std::to_string(id) + " is neither running nor waiting");
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
        ->check(CLI::PositiveNumber);
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
                    "at most this many bytes per second per transfer (suffix K, M or G)");
    run->add_option("--interval", args->intervalSeconds, "seconds between monitor ticks")
        ->check(CLI::Range(0.05, 60.0))
        ->capture_default_str();
    run->add_option("--give-up-after", args->giveUpAfter,
                    "file-server sign-in failures in a row after which run ends")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    run->add_flag("--tick-only", args->tickOnly,
                  "start tasks only at the monitor's ticks, as the desktop client does");
    run->callback([&context, &exitCode, args] { exitCode = runQueue(context, *args); });
}

}  // namespace nubexa::cli
