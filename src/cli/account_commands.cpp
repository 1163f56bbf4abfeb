// protect, unprotect, info and du: the encrypt and decrypt dialogs, the user panel, and the
// size of a folder tree.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "cli/cli_session.h"
#include "cli/disk_targets.h"
#include "cli/listing_output.h"
#include "cli/messages.h"
#include "cli/operation_commands.h"
#include "cli/password_prompt.h"
#include "cli/rate_text.h"

namespace nubexa::cli {

namespace {

// Whether the listing of its folder marks `target` as protected.
std::optional<bool> isProtected(RemoteDisk& disk, const DiskTarget& target) {
    auto parts = splitDiskPath(target.path);
    parts.pop_back();
    std::string parentPath;
    for (const auto& part : parts)
        parentPath += "/" + part;
    std::string error;
    const auto parent = disk.folder(parentPath, error);
    const auto listing = parent ? disk.list(*parent, error) : std::nullopt;
    if (!listing) {
        complain(error);
        return std::nullopt;
    }
    if (target.item.isFolder) {
        for (const auto& folder : listing->folders) {
            if (folder.id == target.item.id)
                return folder.ispwd == "1";
        }
    }
    for (const auto& file : listing->files) {
        if (file.id == target.item.id)
            return file.ispwd == "1";
    }
    return false;
}

struct ProtectArgs {
    std::string path;
    std::string hint;
    bool passwordStdin = false;
    TargetOptions target{false, false, false};
};

// The password protect sets: on a terminal typed twice, as the encrypt dialog asks.
std::optional<std::string> newPassword(bool fromStdin) {
    const auto password = readPassword(fromStdin, say("New password: ", "密码："));
    if (!password || password->empty()) {
        complain(say("give a password at the prompt or on standard input with --password-stdin",
                     "请输入密码（在提示处输入，或用 --password-stdin 从标准输入给出）"));
        return std::nullopt;
    }
    if (!fromStdin && readPassword(false, say("Repeat it: ", "重复密码：")) != password) {
        complain(say("the two passwords differ", "两次输入密码不一致"));
        return std::nullopt;
    }
    return password;
}

int protectItem(CliSession& session, RemoteDisk& disk, const ProtectArgs& args) {
    const auto target = findTarget(disk, args.path, args.target);
    if (!target)
        return kFailed;
    // Only an open item offers protection: a new password must not replace one unknown.
    const auto locked = isProtected(disk, *target);
    if (!locked)
        return kFailed;
    if (*locked) {
        complain(say("{} is protected already; unprotect it first", "{} 已加密；请先解密",
                     {target->path}));
        return kFailed;
    }
    const auto password = newPassword(args.passwordStdin);
    if (!password)
        return kUsage;
    const ServiceVerdict why = session.client().disk().encrypt(target->ref(), *password, args.hint);
    if (!why.accepted())
        return refused(session, say("cannot protect {}", "无法加密 {}", {target->path}), why,
                       "加密失败");
    report(say("protected {}", "已加密 {}", {target->path}));
    return kDone;
}

int unprotectItem(CliSession& session, RemoteDisk& disk, const ProtectArgs& args) {
    const auto target = findTarget(disk, args.path, args.target);
    if (!target)
        return kFailed;
    const auto password =
        readPassword(args.passwordStdin, say("Password of {}: ", "{} 的密码：", {target->path}));
    if (!password || password->empty()) {
        complain(
            say("give the password at the prompt or on standard input with "
                "--password-stdin",
                "请输入密码（在提示处输入，或用 --password-stdin 从标准输入给出）"));
        return kUsage;
    }
    const ServiceVerdict why = session.client().disk().decrypt(target->ref(), *password);
    if (!why.accepted())
        return refused(session, say("cannot unprotect {}", "无法解密 {}", {target->path}), why,
                       "解密失败");
    report(say("removed the protection of {}", "已解密 {}", {target->path}));
    return kDone;
}

// A byte count in binary units; any other text as the service sent it.
std::string sizeOrText(const std::string& text) {
    const bool count = !text.empty() && std::all_of(text.begin(), text.end(),
                                                    [](char c) { return c >= '0' && c <= '9'; });
    return count ? byteText(static_cast<double>(bytesOf(text))) : text;
}

int showAccount(CliSession& session) {
    const AccountInfo account = session.client().account();
    const std::string level = account.vip == "0" ? say("ordinary", "普通会员") : "VIP";
    const std::string links =
        account.wip == "0" ? say("not opened", "未开通") : say("open", "已开通");
    std::printf("%s\n%s\n%s\n%s\n%s\n",
                say("account: {} (uid {})", "账号：{}（uid {}）",
                    {forTerminal(account.nickname), forTerminal(account.uid)})
                    .c_str(),
                say("capacity: {} used of {}", "容量：已用 {}，共 {}",
                    {forTerminal(sizeOrText(account.used_size)),
                     forTerminal(sizeOrText(account.disk_size))})
                    .c_str(),
                say("level: {}", "会员等级：{}", {level}).c_str(),
                say("direct links: {}", "直链：{}", {links}).c_str(),
                say("points: {}", "积分：{}", {forTerminal(account.integral)}).c_str());
    return kDone;
}

struct TreeSize {
    std::int64_t bytes = 0;
    std::size_t files = 0;
};

void addFiles(TreeSize& size, const std::vector<DiskFileEntry>& files) {
    for (const auto& file : files) {
        size.bytes += bytesOf(file.size);
        ++size.files;
    }
}

// Everything below `folderId`: its files and those of every folder below it.
bool addFolder(CliSession& session, const std::string& folderId, TreeSize& size) {
    const auto below = session.client().disk().folderContents(folderId);
    if (!below.ok()) {
        refused(session, say("cannot read the folder tree", "无法读取文件夹"), {below.failure, {}},
                "操作失败");
        return false;
    }
    addFiles(size, below.value.files);
    return true;
}

struct DuArgs {
    std::string path;
    bool bytes = false;
    TargetOptions target;
};

int diskUsage(CliSession& session, RemoteDisk& disk, const DuArgs& args) {
    TreeSize size;
    std::string shown = "/";
    const bool top = args.target.byId ? args.path == "0" || args.path == "id=0"
                                      : splitDiskPath(args.path).empty();
    if (top) {
        // The top folder is no folder of the service's: its files and each folder below.
        std::string error;
        const auto listing = disk.list(RemoteFolder{}, error);
        if (!listing) {
            complain(error);
            return kFailed;
        }
        addFiles(size, listing->files);
        for (const auto& each : listing->folders) {
            if (!addFolder(session, each.id, size))
                return kFailed;
        }
    } else {
        const auto target = findTarget(disk, args.path, args.target);
        if (!target)
            return kFailed;
        shown = target->path;
        if (target->item.isFolder) {
            if (!addFolder(session, target->item.id, size))
                return kFailed;
        } else {
            size = {bytesOf(target->item.size), 1};
        }
    }
    std::printf(
        "%s\t%s\t%s\n",
        (args.bytes ? std::to_string(size.bytes) : byteText(static_cast<double>(size.bytes)))
            .c_str(),
        forTerminal(shown).c_str(),
        say("{} file(s)", "{} 个文件", {std::to_string(size.files)}).c_str());
    return kDone;
}

}  // namespace

void addAccountCommands(CLI::App& app, const CliContext& context, int& exitCode) {
    for (const bool protect : {true, false}) {
        auto args = std::make_shared<ProtectArgs>();
        CLI::App* command =
            protect ? app.add_subcommand("protect",
                                         "Protect a file or folder with a password (asked for "
                                         "twice without echo, or --password-stdin)")
                    : app.add_subcommand("unprotect",
                                         "Remove the password of a file or folder (asked for "
                                         "without echo, or --password-stdin)");
        command->add_option("path", args->path, "PATH of the file or folder")->required();
        command->add_flag("--password-stdin", args->passwordStdin,
                          "read the password from the first line of standard input");
        if (protect)
            command->add_option("--hint", args->hint, "a hint shown when the password is asked");
        command->add_flag("--id", args->target.byId,
                          "the PATH argument is an id as \"ls\" shows it, not a path");
        command->callback([&context, &exitCode, args, protect] {
            exitCode = onDisk(context, [&](CliSession& session, RemoteDisk& disk) {
                return protect ? protectItem(session, disk, *args)
                               : unprotectItem(session, disk, *args);
            });
        });
    }

    app.add_subcommand("info",
                       "Show the account: name, capacity used and total, level, direct links, "
                       "points")
        ->callback([&context, &exitCode] {
            exitCode = onDisk(
                context, [](CliSession& session, RemoteDisk&) { return showAccount(session); });
        });

    auto duArgs = std::make_shared<DuArgs>();
    CLI::App* du = app.add_subcommand(
        "du", "Show the size of a folder tree (or a file): size, path and number of files");
    du->add_option("path", duArgs->path, "PATH (default: the whole disk)");
    du->add_flag("--bytes", duArgs->bytes, "the size in bytes");
    addTargetOptions(*du, duArgs->target);
    runsOnDisk(*du, context, exitCode, duArgs, diskUsage);
}

}  // namespace nubexa::cli
