#include "cli/disk_targets.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "cli/cli_session.h"
#include "cli/messages.h"
#include "cli/password_prompt.h"

namespace nubexa::cli {

namespace {

// The disk path `given` stands for: itself, or the path of the id "ls" printed.
std::optional<std::string> pathOf(RemoteDisk& disk, const std::string& given, bool byId) {
    if (!byId)
        return given;
    if (given == "0" || given == "id=0")
        return std::string("/");
    std::string error;
    auto path = disk.pathOfId(given, error);
    if (!path)
        complain(error);
    return path;
}

}  // namespace

void addTargetOptions(CLI::App& command, TargetOptions& options, bool withId) {
    if (withId) {
        command.add_flag("--id", options.byId,
                         "the PATH arguments are ids as \"ls\" shows them, not paths");
    }
    command.add_flag("--folder-password-stdin", options.folderPasswordStdin,
                     "read the password of each protected folder on the paths from a line of "
                     "standard input (else asked for)");
}

bool unlockFolders(RemoteDisk& disk, const std::string& path, bool fromStdin) {
    std::string error;
    const auto folders = disk.protectedOnPath(path, error);
    if (!folders) {
        complain(error);
        return false;
    }
    for (const auto& folder : *folders) {
        const auto entered =
            readPassword(fromStdin, say("folder {} is protected (hint: {}); its password: ",
                                        "文件夹 {} 已加密（提示：{}），请输入密码：",
                                        {folder.location, folder.hint}));
        if (!entered) {
            complain(say(
                "folder {} is protected: give its password at the prompt or on standard "
                "input with --folder-password-stdin",
                "文件夹 {} 已加密：请在提示处输入密码，或用 --folder-password-stdin 从标准输入给出",
                {folder.location}));
            return false;
        }
        if (*entered != folder.password) {
            complain(
                say("wrong password for folder {}", "文件夹 {} 的密码错误", {folder.location}));
            return false;
        }
    }
    return true;
}

std::optional<DiskTarget> findTarget(RemoteDisk& disk, const std::string& given,
                                     const TargetOptions& options) {
    const auto path = pathOf(disk, given, options.byId);
    if (!path)
        return std::nullopt;
    if (splitDiskPath(*path).empty()) {
        complain(say("the top folder itself cannot be changed; name a folder or file in it",
                     "顶层文件夹本身不能更改；请指定其中的文件夹或文件"));
        return std::nullopt;
    }
    if (options.unlock && !unlockFolders(disk, *path, options.folderPasswordStdin))
        return std::nullopt;
    std::string error;
    auto item = disk.item(*path, error);
    if (!item) {
        complain(error);
        return std::nullopt;
    }
    return DiskTarget{*path, std::move(*item)};
}

std::optional<RemoteFolder> findFolder(RemoteDisk& disk, const std::string& given,
                                       const TargetOptions& options) {
    const auto path = pathOf(disk, given, options.byId);
    if (!path || (options.unlock && !unlockFolders(disk, *path, options.folderPasswordStdin)))
        return std::nullopt;
    std::string error;
    auto folder = disk.folder(*path, error);
    if (!folder)
        complain(error);
    return folder;
}

std::string joinedPath(const std::vector<std::string>& names, std::size_t count) {
    std::string path;
    for (std::size_t i = 0; i < count; ++i)
        path += "/" + names[i];
    return path.empty() ? "/" : path;
}

FolderOnPath deepestFolder(RemoteDisk& disk, const std::string& path) {
    FolderOnPath found;
    found.names = splitDiskPath(path);
    // The top folder always exists.
    for (found.existing = found.names.size(); found.existing > 0; --found.existing) {
        std::string ignored;
        if (auto folder = disk.folder(joinedPath(found.names, found.existing), ignored)) {
            found.deepest = std::move(*folder);
            break;
        }
    }
    return found;
}

std::optional<DiskOperations::FolderAtPath> makeFolderPath(CliSession& session,
                                                           const std::string& path) {
    const auto made = session.client().disk().makeFolderPath(path);
    if (made.ok())
        return made.value;
    refused(session, say("cannot make folder {}", "无法新建文件夹 {}", {made.value.failedAt}),
            {made.failure, made.message}, "添加失败，可能是网络原因，请再试...");
    return std::nullopt;
}

std::optional<RemoteDisk::Listing> listPage(CliSession& session, ListingKind kind) {
    const auto listed = session.client().list(kind, "");
    if (listed.failure != Failure::kNone || !listed.tables) {
        if (listed.failure == Failure::kNoAnswer || listed.failure == Failure::kUntrusted)
            session.reportNoAnswer();
        else
            complain(say("the list could not be read ({})", "无法读取列表（{}）",
                         {describeFailure(listed.failure)}));
        return std::nullopt;
    }
    return RemoteDisk::Listing{listedEntries(listed.tables->disk_folders),
                               listedEntries(listed.tables->disk_files)};
}

int onDisk(const CliContext& context,
           const std::function<int(CliSession& session, RemoteDisk& disk)>& command) {
    CliSession session(context);
    if (!session.signInAgain())
        return kFailed;
    RemoteDisk disk(session.client().disk());
    return command(session, disk);
}

int refused(CliSession& session, const std::string& subject, const ServiceVerdict& why,
            const std::string& fallback) {
    if (why.failure == Failure::kNoAnswer || why.failure == Failure::kUntrusted) {
        complain(subject);
        session.reportNoAnswer();
        return kFailed;
    }
    const std::string words = !why.message.empty()               ? why.message
                              : why.failure == Failure::kRefused ? fallback
                                                                 : describeFailure(why.failure);
    complain(subject + ": " + words);
    return kFailed;
}

bool confirmed(const std::string& question) {
    if (!isatty(STDIN_FILENO))
        return true;
    std::fputs(question.c_str(), stderr);
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer))
        return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "是";
}

void report(const std::string& text) {
    std::printf("%s\n", forTerminal(text).c_str());
}

}  // namespace nubexa::cli
