// mkdir, rename, mv and rm: the disk page's new-folder, rename, move and delete dialogs.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>

#include "cli/cli_session.h"
#include "cli/disk_targets.h"
#include "cli/messages.h"
#include "cli/operation_commands.h"

namespace nubexa::cli {

namespace {

struct MkdirArgs {
    std::string path;
    bool parents = false;
    TargetOptions target;
};

int makeFolder(CliSession& session, RemoteDisk& disk, const MkdirArgs& args) {
    if (!unlockFolders(disk, args.path, args.target.folderPasswordStdin))
        return kFailed;
    const FolderOnPath on = deepestFolder(disk, args.path);
    const std::string path = joinedPath(on.names, on.names.size());
    if (on.existing == on.names.size()) {
        if (!args.parents) {
            complain(say("cannot make folder {}: it exists already", "无法新建文件夹 {}：已存在",
                         {path}));
            return kFailed;
        }
        report(say("folder {} exists already", "文件夹 {} 已存在", {path}));
        return kDone;
    }
    if (on.existing + 1 < on.names.size() && !args.parents) {
        complain(say("no folder {} on the disk (-p makes it)", "网盘上没有文件夹 {}（-p 会新建它）",
                     {joinedPath(on.names, on.names.size() - 1)}));
        return kFailed;
    }
    if (!makeFolderPath(session, args.path))
        return kFailed;
    report(say("made folder {}", "已新建文件夹 {}", {path}));
    return kDone;
}

struct RenameArgs {
    std::string path;
    std::string name;
    TargetOptions target;
};

int renameItem(CliSession& session, RemoteDisk& disk, const RenameArgs& args) {
    if (args.name.empty() || args.name.find_first_of("/\\") != std::string::npos) {
        complain(say("give a new name without / or \\", "请输入新名称（不含 / 或 \\）"));
        return kUsage;
    }
    const auto target = findTarget(disk, args.path, args.target);
    if (!target)
        return kFailed;
    // A file keeps its extension: the name is sent without it.
    std::string name = args.name;
    const std::string& ext = target->item.ext;
    if (!target->item.isFolder && !ext.empty() && name.size() > ext.size() &&
        name.compare(name.size() - ext.size(), ext.size(), ext) == 0) {
        name.resize(name.size() - ext.size());
    }
    const ServiceVerdict why = session.client().disk().rename(target->ref(), name);
    if (!why.accepted()) {
        return refused(session, say("cannot rename {}", "无法重命名 {}", {target->path}), why,
                       "操作失败");
    }
    report(say("renamed {} to {}", "已将 {} 重命名为 {}",
               {target->path, target->item.isFolder ? name : name + ext}));
    return kDone;
}

struct MoveArgs {
    std::vector<std::string> paths;  // the sources, then the folder they go to
    TargetOptions target;
};

int moveItems(CliSession& session, RemoteDisk& disk, const MoveArgs& args) {
    if (args.paths.size() < 2) {
        complain(say("give what to move and the folder to move it to",
                     "请给出要移动的项目和目标文件夹"));
        return kUsage;
    }
    const auto destination = findFolder(disk, args.paths.back(), args.target);
    if (!destination)
        return kFailed;
    // Shown as "ls" takes it: /工作/草稿, not the page's \工作\草稿.
    std::string shownDestination = destination->locationText;
    std::replace(shownDestination.begin(), shownDestination.end(), '\\', '/');
    int exitCode = kDone;
    for (std::size_t i = 0; i + 1 < args.paths.size(); ++i) {
        const auto target = findTarget(disk, args.paths[i], args.target);
        if (!target) {
            exitCode = kFailed;
            continue;
        }
        const ServiceVerdict why = session.client().disk().move(target->ref(), destination->id);
        if (!why.accepted()) {
            exitCode = refused(session, say("cannot move {}", "无法移动 {}", {target->path}), why,
                               "移动失败");
            continue;
        }
        report(say("moved {} to {}", "已将 {} 移动到 {}", {target->path, shownDestination}));
    }
    return exitCode;
}

struct RemoveArgs {
    std::vector<std::string> paths;
    bool forGood = false;
    TargetOptions target;
};

int removeItems(CliSession& session, RemoteDisk& disk, const RemoveArgs& args) {
    std::vector<DiskTarget> targets;
    int exitCode = kDone;
    for (const auto& given : args.paths) {
        if (auto target = findTarget(disk, given, args.target))
            targets.push_back(std::move(*target));
        else
            exitCode = kFailed;
    }
    if (targets.empty())
        return exitCode;
    if (args.forGood &&
        !confirmed(say("Deleting for good cannot be undone; delete {} item(s)? [y/N] ",
                       "彻底删除将无法恢复,确定删除？（{} 项）[y/N] ",
                       {std::to_string(targets.size())}))) {
        complain(say("nothing was deleted", "没有删除任何项目"));
        return kFailed;
    }
    for (const auto& target : targets) {
        const ServiceVerdict why =
            session.client().disk().remove(target.ref(), args.forGood ? "1" : "0");
        if (!why.accepted()) {
            const std::string fallback = !args.forGood          ? "删除失败"
                                         : target.item.isFolder ? "文件夹彻底删除失败"
                                                                : "文件彻底删除失败";
            exitCode = refused(session, say("cannot delete {}", "无法删除 {}", {target.path}), why,
                               fallback);
            continue;
        }
        report(args.forGood
                   ? say("deleted {} for good", "已彻底删除 {}", {target.path})
                   : say("moved {} to the recycle bin", "已将 {} 移入回收站", {target.path}));
    }
    return exitCode;
}

}  // namespace

void addItemCommands(CLI::App& app, const CliContext& context, int& exitCode) {
    auto mkdirArgs = std::make_shared<MkdirArgs>();
    CLI::App* mkdir = app.add_subcommand("mkdir", "Make a folder on the disk");
    mkdir->add_option("path", mkdirArgs->path, "PATH of the new folder, e.g. /照片/2024")
        ->required();
    mkdir->add_flag("-p,--parents", mkdirArgs->parents,
                    "make the missing folders above it too; a folder that exists is no error");
    addTargetOptions(*mkdir, mkdirArgs->target, false);
    runsOnDisk(*mkdir, context, exitCode, mkdirArgs, makeFolder);

    auto renameArgs = std::make_shared<RenameArgs>();
    CLI::App* rename = app.add_subcommand(
        "rename", "Rename a file or folder in its folder (a file keeps its extension)");
    rename->add_option("path", renameArgs->path, "PATH of the file or folder")->required();
    rename->add_option("name", renameArgs->name, "NEW-NAME")->required();
    addTargetOptions(*rename, renameArgs->target);
    runsOnDisk(*rename, context, exitCode, renameArgs, renameItem);

    auto moveArgs = std::make_shared<MoveArgs>();
    CLI::App* mv = app.add_subcommand("mv", "Move files and folders into a folder of the disk");
    mv->add_option("paths", moveArgs->paths, "SRC... DEST-FOLDER")->required();
    addTargetOptions(*mv, moveArgs->target);
    runsOnDisk(*mv, context, exitCode, moveArgs, moveItems);

    auto removeArgs = std::make_shared<RemoveArgs>();
    CLI::App* rm = app.add_subcommand(
        "rm", "Move files and folders to the recycle bin (\"restore\" brings them back)");
    rm->add_option("paths", removeArgs->paths, "PATH of files and folders")->required();
    rm->add_flag("--for-good", removeArgs->forGood,
                 "delete them for good, past the recycle bin (asks first on a terminal)");
    addTargetOptions(*rm, removeArgs->target);
    runsOnDisk(*rm, context, exitCode, removeArgs, removeItems);
}

}  // namespace nubexa::cli
