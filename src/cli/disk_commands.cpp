#include "cli/disk_commands.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/cli_context.h"
#include "cli/cli_session.h"
#include "cli/password_prompt.h"
#include "cli/remote_disk.h"
#include "transfer/transfer_page_text.h"
#include "transfer/transfer_queue.h"

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
        complain("--auto-resume takes on or off");
        return kUsage;
    }
    const auto password = readPassword(args.passwordStdin);
    if (!password) {
        complain(
            "no password: type it at the prompt, or give it on standard input with "
            "--password-stdin");
        return kUsage;
    }
    CliSession session(context);
    return session.signIn(args.account, *password, autoResume);
}

int listFolder(const CliContext& context, const std::string& path) {
    CliSession session(context);
    if (!session.signInAgain())
        return kFailed;
    RemoteDisk disk(session.service());
    std::string error;
    const auto folder = disk.folder(path, error);
    const auto listing = folder ? disk.list(*folder, error) : std::nullopt;
    if (!listing) {
        complain(error);
        return kFailed;
    }
    for (const auto& entry : listing->folders)
        std::printf("%s/\t-\t%s\tid=%s\n", entry.name.c_str(), entry.time.c_str(),
                    entry.id.c_str());
    for (const auto& entry : listing->files) {
        std::printf("%s%s\t%s\t%s\tid=%s\n", entry.name.c_str(), entry.ext.c_str(),
                    sizeText(entry.size).c_str(), entry.time.c_str(), entry.id.c_str());
    }
    return kDone;
}

struct TransferArgs {
    std::vector<std::string> paths;
    std::string to;
};

int put(const CliContext& context, const TransferArgs& args) {
    CliSession session(context);
    if (!session.signInAgain())
        return kFailed;
    RemoteDisk disk(session.service());
    std::string error;
    const auto target = disk.folder(args.to, error);
    if (!target) {
        complain(error);
        return kFailed;
    }
    TransferQueue& queue = session.queue();
    int exitCode = kDone;
    for (const auto& local : args.paths) {
        std::error_code fsError;
        if (std::filesystem::is_directory(local, fsError)) {
            const auto result = queue.QueueFolderUpload(local, *target);
            std::printf("queued %zu file(s) of folder %s\n", result.taskIds.size(), local.c_str());
            for (const auto& entry : result.renamed)
                std::printf("  renamed: %s -> %s\n", entry.localPath.c_str(), entry.text.c_str());
            for (const auto& entry : result.skipped)
                std::printf("  skipped: %s (%s)\n", entry.localPath.c_str(), entry.text.c_str());
            if (result.remoteFolderId.empty() || !result.skippedFolders.empty() ||
                !result.oversizedFiles.empty()) {
                exitCode = kFailed;
            }
        } else if (std::filesystem::is_regular_file(local, fsError)) {
            const auto queued = queue.QueueFileUpload(local, *target);
            if (queued.queued) {
                std::printf("queued task %lld: upload %s\n", static_cast<long long>(queued.id),
                            local.c_str());
                if (!queued.remoteName.empty())
                    std::printf("  renamed: %s -> %s\n", local.c_str(), queued.remoteName.c_str());
            } else {
                exitCode = kFailed;
            }
        } else {
            complain("no such file or folder: " + local);
            exitCode = kFailed;
        }
    }
    return exitCode;
}

int get(const CliContext& context, const TransferArgs& args) {
    std::error_code fsError;
    if (!std::filesystem::is_directory(args.to, fsError)) {
        complain("no such local folder: " + args.to);
        return kFailed;
    }
    CliSession session(context);
    if (!session.signInAgain())
        return kFailed;
    RemoteDisk disk(session.service());
    TransferQueue& queue = session.queue();
    int exitCode = kDone;
    for (const auto& path : args.paths) {
        std::string error;
        const auto item = disk.item(path, error);
        if (!item) {
            complain(error);
            exitCode = kFailed;
            continue;
        }
        if (item->isFolder) {
            if (queue.QueueFolderDownload(*item, args.to) == 1) {
                std::printf("queued folder %s\n", path.c_str());
            } else {
                exitCode = kFailed;
            }
            continue;
        }
        // Refused at once rather than by the transfer: the file there is not ours to replace.
        const auto local = std::filesystem::path(args.to) / (item->name + item->ext);
        if (std::filesystem::exists(std::filesystem::symlink_status(local, fsError))) {
            complain(local.string() + " exists already; remove it or choose another folder");
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
        const auto queued = queue.QueueFileDownload(*item, args.to, shown);
        if (queued.queued) {
            std::printf("queued task %lld: download %s\n", static_cast<long long>(queued.id),
                        path.c_str());
        } else {
            exitCode = kFailed;
        }
    }
    return exitCode;
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
    loginCommand->add_option("--auto-resume", loginArgs->autoResume,
                             "on: unfinished tasks start by themselves; off: they wait for "
                             "\"resume\" (default: as at the last sign-in)");
    loginCommand->callback(
        [&context, &exitCode, loginArgs] { exitCode = login(context, *loginArgs); });

    auto lsPath = std::make_shared<std::string>();
    CLI::App* ls = app.add_subcommand("ls", "List a folder of the disk (default: the top folder)");
    ls->add_option("folder", *lsPath, "FOLDER-PATH, e.g. /照片/旅行");
    ls->callback([&context, &exitCode, lsPath] { exitCode = listFolder(context, *lsPath); });

    auto putArgs = std::make_shared<TransferArgs>();
    CLI::App* putCommand = app.add_subcommand(
        "put", "Queue uploads of local files and folders (\"run\" transfers them)");
    putCommand->add_option("local", putArgs->paths, "LOCAL files and folders")->required();
    putCommand->add_option("--to", putArgs->to, "FOLDER-PATH on the disk (default: the top)");
    putCommand->callback([&context, &exitCode, putArgs] { exitCode = put(context, *putArgs); });

    auto getArgs = std::make_shared<TransferArgs>();
    CLI::App* getCommand = app.add_subcommand(
        "get", "Queue downloads of disk files and folders (\"run\" transfers them)");
    getCommand->add_option("remote", getArgs->paths, "REMOTE-PATH of files and folders")
        ->required();
    getCommand->add_option("--to", getArgs->to, "LOCALDIR, an existing folder")->required();
    getCommand->callback([&context, &exitCode, getArgs] { exitCode = get(context, *getArgs); });
}

}  // namespace nubexa::cli
