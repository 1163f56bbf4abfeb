#include "cli/disk_commands.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "cli/cli_context.h"
#include "cli/cli_session.h"
#include "cli/disk_targets.h"
#include "cli/listing_output.h"
#include "cli/message_notifier.h"
#include "cli/messages.h"
#include "cli/password_prompt.h"
#include "cli/remote_disk.h"
#include "cli/run_loop.h"
#include "cli/stop_on_signal.h"
#include "session/transfer_requests.h"

namespace nubexa::cli {

namespace {

struct LoginArgs {
    std::string account;
    bool passwordStdin = false;
    std::string autoResume;
};

int login(const CliContext& context, const LoginArgs& args) {
    std::optional<bool> autoResume;
    if (args.autoResume == "on" || args.autoResume == "off") {
        autoResume = args.autoResume == "on";
    } else if (!args.autoResume.empty()) {
        complain(say("--auto-resume takes on or off", "--auto-resume 只接受 on 或 off"));
        return kUsage;
    }
    const auto password = readPassword(args.passwordStdin, say("Password: ", "密码: "));
    if (!password) {
        complain(
            "no password: type it at the prompt, or give it on standard input with "
            "--password-stdin");
        return kUsage;
    }
    CliSession session(context);
    return session.signIn(args.account, *password, autoResume);
}

int listFolder(const CliContext& context, const std::string& path, const ListingFormat& format,
               bool passwordStdin) {
    CliSession session(context);
    if (!session.signInAgain())
        return kFailed;
    RemoteDisk disk(session.client().disk());
    if (!unlockFolders(disk, path, passwordStdin))
        return kFailed;
    std::string error;
    const auto folder = disk.folder(path, error);
    const auto listing = folder ? disk.list(*folder, error) : std::nullopt;
    if (!listing) {
        complain(error);
        return kFailed;
    }
    std::fputs(listingText(*listing, format).c_str(), stdout);
    return kDone;
}

constexpr const char* kRunFlagHelp =
    "then transfer the queue as \"run\" does (every waiting task, not only these), in the "
    "same sign-in";

struct TransferArgs {
    std::vector<std::string> paths;
    std::string to;
    bool folderPasswordStdin = false;
    bool byId = false;          // get: the paths are ids as "ls" shows them
    bool skipExisting = false;  // get: files that exist locally are left out, not refused
    bool run = false;           // the queue is transferred next, in the same sign-in
    int transfers = 0;          // with run: as "run --transfers"; 0: the user's choice
};

// Before the session makes a thread when the command runs the queue too: only the watcher
// hears SIGINT and SIGTERM, and the transfers stop resumable.
std::optional<sigset_t> stopSignalsFor(const TransferArgs& args) {
    if (!args.run)
        return std::nullopt;
    return blockStopSignals();
}

void addRunOptions(CLI::App& command, TransferArgs& args) {
    CLI::Option* run = command.add_flag("--run", args.run, kRunFlagHelp);
    command
        .add_option("--transfers", args.transfers,
                    "with --run: how many uploads, and as many downloads, run at once (1 to 10)")
        ->check(CLI::Range(1, 10))
        ->needs(run);
}

// What the command comes to once its tasks are queued: with --run, the run's end counts too.
int thenRun(CliSession& session, const TransferArgs& args, const std::optional<sigset_t>& awaited,
            int queued) {
    if (!args.run || !awaited)
        return queued;
    std::fflush(stdout);  // what was queued is said before the run's lines
    RunArgs run;
    run.transfers = args.transfers;
    return worseExitCode(queued, runQueueIn(session, run, *awaited));
}

// The stored form ("\照片\旅行"; "\" the top) of the folder that holds `path`.
std::string storedParentOf(const std::string& path) {
    auto parts = splitDiskPath(path);
    if (!parts.empty())
        parts.pop_back();
    std::string stored;
    for (const auto& part : parts)
        stored += "\\" + part;
    return stored.empty() ? "\\" : stored;
}

int put(const CliContext& context, const TransferArgs& args) {
    const auto awaited = stopSignalsFor(args);
    CliSession session(context);
    if (!session.signInAgain())
        return kFailed;
    RemoteDisk disk(session.client().disk());
    std::string error;
    const auto target = disk.folder(args.to, error);
    if (!target) {
        complain(error);
        return kFailed;
    }
    QueueRequests queue = session.queue();
    int exitCode = kDone;
    for (const auto& local : args.paths) {
        std::error_code fsError;
        if (std::filesystem::is_directory(local, fsError)) {
            const FolderUploadQueued queued = queue.folderUpload(local, *target);
            const FolderUploadResult& result = queued.entries;
            // A folder refused as a whole was said why already; "queued 0" would read as done.
            if (queued.ok() || !result.taskIds.empty()) {
                std::printf("%s\n",
                            say("queued {} file(s) of folder {}", "已加入 {} 个文件（文件夹 {}）",
                                {std::to_string(result.taskIds.size()), local})
                                .c_str());
            }
            for (const auto& entry : result.renamed) {
                std::printf("  %s\n", say("renamed: {} -> {}", "已改名：{} -> {}",
                                          {forTerminal(entry.localPath), forTerminal(entry.text)})
                                          .c_str());
            }
            for (const auto& entry : result.numbered) {
                std::printf("  %s\n",
                            say("renamed: {} -> {} (its name would be another entry's on the disk)",
                                "已改名：{} -> {}（原名称在网盘上会与其他项目重名）",
                                {forTerminal(entry.localPath), forTerminal(entry.text)})
                                .c_str());
            }
            for (const auto& entry : result.skipped) {
                std::printf("  %s\n", say("skipped: {} ({})", "已跳过：{}（{}）",
                                          {forTerminal(entry.localPath),
                                           forTerminal(coreMessageText(entry.text))})
                                          .c_str());
            }
            if (!queued.ok()) {
                exitCode = kFailed;
            } else if (!result.skipped.empty() || !result.skippedFolders.empty() ||
                       !result.oversizedFiles.empty()) {
                exitCode = worseExitCode(exitCode, kLeftOut);
            }
        } else if (std::filesystem::is_regular_file(local, fsError)) {
            const auto queued = queue.fileUpload(local, *target);
            if (queued.alreadyQueued) {
                std::printf("%s\n", say("already queued as task {}: upload {}",
                                        "已在队列中（任务 {}）：上传 {}",
                                        {std::to_string(queued.id), local})
                                        .c_str());
            } else if (queued.queued) {
                std::printf("%s\n", say("queued task {}: upload {}", "已加入任务 {}：上传 {}",
                                        {std::to_string(queued.id), local})
                                        .c_str());
                if (!queued.remoteName.empty()) {
                    std::printf("  %s\n", say("renamed: {} -> {}", "已改名：{} -> {}",
                                              {forTerminal(local), forTerminal(queued.remoteName)})
                                              .c_str());
                }
            } else {
                exitCode = kFailed;
            }
        } else {
            complain(say("no such file or folder: {}", "没有文件或文件夹 {}", {local}));
            exitCode = kFailed;
        }
    }
    return thenRun(session, args, awaited, exitCode);
}

int get(const CliContext& context, const TransferArgs& args) {
    std::error_code fsError;
    const auto toStatus = std::filesystem::status(args.to, fsError);
    if (std::filesystem::exists(toStatus) && !std::filesystem::is_directory(toStatus)) {
        complain(say("{} is a file, not a folder", "{} 是文件，不是文件夹", {args.to}));
        return kFailed;
    }
    if (!std::filesystem::is_directory(toStatus)) {
        complain(say("no such local folder: {}", "本地没有文件夹 {}", {args.to}));
        return kFailed;
    }
    const auto awaited = stopSignalsFor(args);
    CliSession session(context);
    // Downloads only: the user's details (the upload limit) are not needed.
    if (!session.signInAgain(CliSession::Details::kNotNeeded))
        return kFailed;
    RemoteDisk disk(session.client().disk());
    QueueRequests queue = session.queue();
    int exitCode = kDone;
    for (const auto& given : args.paths) {
        std::string error;
        std::string path = given;
        if (args.byId) {
            const auto found = disk.pathOfId(given, error);
            if (!found) {
                complain(error);
                exitCode = kFailed;
                continue;
            }
            path = *found;
        }
        if (!unlockFolders(disk, path, args.folderPasswordStdin)) {
            exitCode = kFailed;
            continue;
        }
        const auto item = disk.item(path, error);
        if (!item) {
            complain(error);
            exitCode = kFailed;
            continue;
        }
        if (item->isFolder) {
            const FolderDownloadQueued queued =
                queue.folderDownload(*item, args.to, storedParentOf(path), args.skipExisting);
            if (!queued.ok()) {
                exitCode = kFailed;
                continue;
            }
            std::printf("%s\n",
                        say("queued {} file(s) of folder {}", "已加入 {} 个文件（文件夹 {}）",
                            {std::to_string(queued.added), forTerminal(path)})
                            .c_str());
            if (queued.alreadyQueued > 0) {
                std::printf("  %s\n", say("{} file(s) were queued already", "{} 个文件已在队列中",
                                          {std::to_string(queued.alreadyQueued)})
                                          .c_str());
            }
            if (queued.skippedExisting > 0) {
                std::printf("  %s\n",
                            say("skipped {} file(s) that exist already", "已跳过 {} 个已存在的文件",
                                {std::to_string(queued.skippedExisting)})
                                .c_str());
            }
            continue;
        }
        // Refused at once rather than by the transfer: the file there is not ours to replace.
        const auto local = std::filesystem::path(args.to) / (item->name + item->ext);
        if (std::filesystem::exists(std::filesystem::symlink_status(local, fsError))) {
            if (args.skipExisting) {
                std::printf("%s\n",
                            say("skipped: {} exists already", "已跳过：{} 已存在", {local.string()})
                                .c_str());
                continue;
            }
            complain(say("{} exists already; remove it or choose another folder",
                         "{} 已存在；请删除它或选择其他文件夹", {local.string()}));
            exitCode = kFailed;
            continue;
        }
        // The row names the folder the file was listed in, as the disk page would.
        auto parts = splitDiskPath(path);
        parts.pop_back();
        std::string parentPath;
        for (const auto& part : parts)
            parentPath += "/" + part;
        const auto shown = disk.folder(parentPath, error).value_or(RemoteFolder{});
        const auto queued = queue.fileDownload(*item, args.to, shown);
        if (queued.alreadyQueued) {
            std::printf("%s\n", say("already queued as task {}: download {}",
                                    "已在队列中（任务 {}）：下载 {}",
                                    {std::to_string(queued.id), forTerminal(path)})
                                    .c_str());
        } else if (queued.queued) {
            std::printf("%s\n", say("queued task {}: download {}", "已加入任务 {}：下载 {}",
                                    {std::to_string(queued.id), forTerminal(path)})
                                    .c_str());
        } else {
            exitCode = kFailed;
        }
    }
    return thenRun(session, args, awaited, exitCode);
}

}  // namespace

void addDiskCommands(CLI::App& app, const CliContext& context, int& exitCode) {
    auto loginArgs = std::make_shared<LoginArgs>();
    CLI::App* loginCommand = app.add_subcommand(
        "login",
        "Sign in and remember the sign-in for the other commands (as the client's "
        "sign-in window does with the remember box checked)");
    loginCommand->add_option("account", loginArgs->account, "account name or id")->required();
    loginCommand->add_flag("--password-stdin", loginArgs->passwordStdin,
                           "read the password from the first line of standard input");
    loginCommand->add_option(
        "--auto-resume", loginArgs->autoResume,
        "on: unfinished tasks start by themselves; off: they wait for "
        "\"resume\" (default: as at the user's last sign-in, on at the first)");
    loginCommand->callback(
        [&context, &exitCode, loginArgs] { exitCode = login(context, *loginArgs); });

    app.add_subcommand("logout",
                       "Forget the remembered sign-in (secret store and bin.db); queued tasks stay")
        ->callback([&context, &exitCode] { exitCode = CliSession(context).forgetSignIn(); });

    auto lsPath = std::make_shared<std::string>();
    auto lsFormat = std::make_shared<ListingFormat>();
    CLI::App* ls = app.add_subcommand(
        "ls",
        "List a folder of the disk (default: the top folder): name, size, time (ISO 8601) and "
        "id, tab-separated");
    ls->add_option("folder", *lsPath, "FOLDER-PATH, e.g. /照片/旅行");
    ls->add_flag("--bytes", lsFormat->bytes, "sizes in bytes");
    ls->add_flag("--json", lsFormat->json,
                 "a JSON array of {name, type, size, time, id, protected}");
    auto lsPasswordStdin = std::make_shared<bool>(false);
    ls->add_flag("--folder-password-stdin", *lsPasswordStdin,
                 "read the password of each protected folder on the path from a line of standard "
                 "input (else asked for)");
    ls->callback([&context, &exitCode, lsPath, lsFormat, lsPasswordStdin] {
        exitCode = listFolder(context, *lsPath, *lsFormat, *lsPasswordStdin);
    });

    auto putArgs = std::make_shared<TransferArgs>();
    CLI::App* putCommand = app.add_subcommand(
        "put", "Queue uploads of local files and folders (\"run\" transfers them)");
    putCommand->add_option("local", putArgs->paths, "LOCAL files and folders")->required();
    putCommand->add_option("--to", putArgs->to, "FOLDER-PATH on the disk (default: the top)");
    addRunOptions(*putCommand, *putArgs);
    putCommand->callback([&context, &exitCode, putArgs] { exitCode = put(context, *putArgs); });

    auto getArgs = std::make_shared<TransferArgs>();
    CLI::App* getCommand = app.add_subcommand(
        "get", "Queue downloads of disk files and folders (\"run\" transfers them)");
    getCommand->add_option("remote", getArgs->paths, "REMOTE-PATH of files and folders")
        ->required();
    getCommand->add_flag("--id", getArgs->byId,
                         "the arguments are ids as \"ls\" shows them, not paths");
    getCommand->add_flag("--skip-existing", getArgs->skipExisting,
                         "leave out files that exist in LOCALDIR already (a folder download "
                         "continues into its existing folder) instead of refusing them");
    getCommand->add_option("--to", getArgs->to, "LOCALDIR, an existing folder")->required();
    addRunOptions(*getCommand, *getArgs);
    getCommand->add_flag("--folder-password-stdin", getArgs->folderPasswordStdin,
                         "read the password of each protected folder on the paths from a line of "
                         "standard input (else asked for)");
    getCommand->callback([&context, &exitCode, getArgs] { exitCode = get(context, *getArgs); });
}

}  // namespace nubexa::cli
