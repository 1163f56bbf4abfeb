#include "cli/sync_commands.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>

#include "cli/argument_checks.h"
#include "cli/cli_context.h"
#include "cli/cli_session.h"
#include "cli/disk_targets.h"
#include "cli/message_notifier.h"
#include "cli/messages.h"
#include "cli/stop_on_signal.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "session/sync_keeper.h"
#include "session/sync_round.h"

namespace nubexa::cli {

namespace {

struct AddArgs {
    std::string local;
    std::string diskFolder;
    std::string mode = "backup";
    TargetOptions target;
};

std::string folderProblemText(SyncFolderProblem problem) {
    switch (problem) {
        case SyncFolderProblem::kNone:
            return {};
        case SyncFolderProblem::kNotAbsolute:
            return say("not an absolute path", "不是绝对路径");
        case SyncFolderProblem::kSameAsAPair:
            return say("it is synced already", "该文件夹已在同步");
        case SyncFolderProblem::kInsideAPair:
            return say("it lies inside a synced folder", "它位于一个同步文件夹中");
        case SyncFolderProblem::kHoldsAPair:
            return say("it holds a synced folder", "它包含一个同步文件夹");
        case SyncFolderProblem::kDataFolder:
            return say("it is, holds or lies in the client's data folder",
                       "它是、包含或位于客户端的数据文件夹");
    }
    return {};
}

// The disk folder of a new pair; a path that is not there yet is made, as the local side of a
// backup usually names a folder for it. None after saying why.
std::optional<RemoteFolder> pairFolder(CliSession& session, RemoteDisk& disk, const AddArgs& args) {
    if (args.target.byId)
        return findFolder(disk, args.diskFolder, args.target);
    if (args.target.unlock &&
        !unlockFolders(disk, args.diskFolder, args.target.folderPasswordStdin))
        return std::nullopt;
    const auto at = makeFolderPath(session, args.diskFolder);
    if (!at)
        return std::nullopt;
    if (at->made > 0) {
        const std::vector<std::string> names = splitDiskPath(args.diskFolder);
        report(say("made folder {}", "已新建文件夹 {}", {joinedPath(names, names.size())}));
    }
    return at->folder;
}

// Says why a pair was not added; kFailed.
int notAdded(CliSession& session, const AddArgs& args, const SyncPairAdded& added) {
    switch (added.outcome) {
        case SyncPairAdded::Outcome::kNoSuchLocalFolder:
            complain(say("no such local folder: {}", "本地文件夹不存在：{}", {args.local}));
            return kFailed;
        case SyncPairAdded::Outcome::kFolderRefused:
            complain(say("cannot sync {}: {}", "不能同步 {}：{}",
                         {args.local, folderProblemText(added.problem)}));
            return kFailed;
        case SyncPairAdded::Outcome::kAdded:
        case SyncPairAdded::Outcome::kStoreFailed:
        case SyncPairAdded::Outcome::kTopFolder:  // the disk folder was settled before
        case SyncPairAdded::Outcome::kNoDiskFolder:
            break;
    }
    complain(say("the pair was not added: {} cannot be written", "未添加同步对：无法写入 {}",
                 {session.databasePath()}));
    return kFailed;
}

int addPair(CliSession& session, RemoteDisk& disk, const AddArgs& args) {
    const auto mode = syncModeFromName(args.mode);
    if (!mode) {
        complain(say("bad --mode: {} (backup, mirror or two-way)",
                     "--mode 无效：{}（backup、mirror 或 two-way）", {args.mode}));
        return kUsage;
    }
    // The local side first: a refused pair leaves no new folder on the disk.
    const SyncPairAdded checked = SyncPairs(session.client()).check(args.local);
    if (checked.outcome != SyncPairAdded::Outcome::kAdded)
        return notAdded(session, args, checked);
    const auto folder = pairFolder(session, disk, args);
    if (!folder)
        return kFailed;
    if (folder->id == "0") {
        complain(say("the top folder of the disk cannot be synced; name a folder in it",
                     "网盘的根目录不能同步；请指定其中的文件夹"));
        return kFailed;
    }
    SyncPair pair;
    pair.localFolder = args.local;
    pair.remoteFolderId = folder->id;
    pair.remotePath = folder->locationText;
    pair.mode = *mode;
    const SyncPairAdded added = SyncPairs(session.client()).add(pair);
    if (added.outcome != SyncPairAdded::Outcome::kAdded)
        return notAdded(session, args, added);
    report(say("sync pair {}: {} <-> {} ({})", "同步对 {}：{} <-> {}（{}）",
               {std::to_string(added.id), args.local, forTerminal(args.diskFolder), args.mode}));
    return kDone;
}

// The user's pairs; none after saying why.
std::optional<std::vector<SyncPair>> readPairs(CliSession& session) {
    auto pairs = SyncPairs(session.client()).list();
    if (!pairs)
        complain(say("{} cannot be read", "无法读取 {}", {session.databasePath()}));
    return pairs;
}

int listPairs(const CliContext& context) {
    CliSession session(context);
    if (!session.adoptLastUser())
        return kFailed;
    const auto pairs = readPairs(session);
    if (!pairs)
        return kFailed;
    std::printf("%s\n",
                say("ID\tMODE\tLOCAL\tDISK\tLAST SYNC", "ID\t模式\t本地\t网盘\t上次同步").c_str());
    for (const SyncPair& pair : *pairs) {
        const std::string last = pair.lastSyncAt == 0
                                     ? say("never", "从未")
                                     : localTimeText("%Y-%m-%d %H:%M:%S", pair.lastSyncAt);
        std::printf("%lld\t%s\t%s\t%s\t%s\n", static_cast<long long>(pair.id),
                    syncModeName(pair.mode), forTerminal(pair.localFolder).c_str(),
                    forTerminal(pair.remotePath).c_str(), last.c_str());
    }
    return kDone;
}

int removePair(const CliContext& context, std::int64_t id) {
    CliSession session(context);
    if (!session.adoptLastUser())
        return kFailed;
    if (!SyncPairs(session.client()).remove(id)) {
        complain(say("no sync pair {} was removed (\"nubexa-cli sync list\" lists them)",
                     "未移除同步对 {}（\"nubexa-cli sync list\" 列出同步对）",
                     {std::to_string(id)}));
        return kFailed;
    }
    report(say("sync pair {} removed; both folders stay as they are",
               "同步对 {} 已移除；两边的文件夹保持不变", {std::to_string(id)}));
    return kDone;
}

// What rounds left out and said so already (pair id, path, why): a link found in every round
// is said in the first only.
using SaidLeftOut = std::set<std::tuple<std::int64_t, std::string, std::string>>;

// One line per pair (none for a round that moved nothing when `quietWhenIdle`); the exit
// code it adds. Entries left out (links, special files, names the disk cannot take) are
// named, once where `said` keeps count, and end a round in step with kLeftOut, as a folder
// "put" does.
int reportRound(const SyncPair& pair, const SyncRoundResult& round, bool quietWhenIdle = false,
                SaidLeftOut* said = nullptr) {
    const std::string id = std::to_string(pair.id);
    for (const auto& [path, why] : round.skipped) {
        if (said != nullptr && !said->emplace(pair.id, path, why).second)
            continue;
        complain(say("pair {}: left out {}: {}", "同步对 {}：跳过 {}：{}",
                     {id, forTerminal(path), forTerminal(coreMessageText(why))}));
    }
    for (const auto& [path, why] : round.problems)
        complain(say("pair {}: {}: {}", "同步对 {}：{}：{}",
                     {id, forTerminal(path), forTerminal(coreMessageText(why))}));
    const std::string counts =
        say("{} up, {} down, {} to the trash, {} conflict copies",
            "上传 {}，下载 {}，移入回收站 {}，冲突副本 {}",
            {std::to_string(round.uploaded), std::to_string(round.downloaded),
             std::to_string(round.trashedLocal + round.trashedRemote),
             std::to_string(round.conflicts)});
    using End = SyncRoundResult::End;
    switch (round.end) {
        case End::kDone:
            if (quietWhenIdle && round.uploaded + round.downloaded + round.trashedLocal +
                                         round.trashedRemote + round.conflicts ==
                                     0)
                return kDone;
            report(say("pair {}: in step ({})", "同步对 {}：已同步（{}）", {id, counts}));
            return round.skipped.empty() ? kDone : kLeftOut;
        case End::kUnfinished:
            complain(say("pair {}: not all done ({}); the next round continues",
                         "同步对 {}：未全部完成（{}）；下一轮继续", {id, counts}));
            return kFailed;
        case End::kAsk:
            complain(
                say("pair {}: this round would delete or replace {} of {} files; nothing "
                    "was done (\"nubexa-cli sync now --yes\" goes ahead)",
                    "同步对 {}：本轮将删除或替换 {} 个文件（共 {} 个）；未做任何操作"
                    "（\"nubexa-cli sync now --yes\" 继续）",
                    {id, std::to_string(round.destructive), std::to_string(round.files)}));
            return kFailed;
        case End::kPaused:
            complain(
                say("pair {}: the local folder {} is not there (an unmounted disk?); "
                    "paused, nothing was deleted",
                    "同步对 {}：本地文件夹 {} 不存在（磁盘未挂载？）；已暂停，未删除任何文件",
                    {id, forTerminal(pair.localFolder)}));
            return kFailed;
        case End::kListingFailed:
            complain(
                say("pair {}: the disk folder {} could not be listed ({})",
                    "同步对 {}：无法列出网盘文件夹 {}（{}）",
                    {id, forTerminal(pair.remotePath), describeFailure(round.listingFailure)}));
            return kFailed;
        case End::kStoreFailed:
            complain(say("pair {}: bin.db could not be read or written; the next round continues",
                         "同步对 {}：无法读写 bin.db；下一轮继续", {id}));
            return kFailed;
        case End::kInterrupted:
            return kInterrupted;
    }
    return kFailed;
}

SyncRoundOptions roundOptions(CliSession& session, bool confirmed) {
    SyncRoundOptions options;
    options.run.start.programFolder = homeFolder();
    options.run.start.ftpTrace = session.verbose();
    options.run.renewSignIn = [&session] { return session.signInAgain(); };
    options.deletionsConfirmed = confirmed;
    return options;
}

int syncNow(const CliContext& context, bool confirmed) {
    CliSession session(context);
    if (!session.driveQueue())
        return kFailed;
    const auto pairs = readPairs(session);
    if (!pairs)
        return kFailed;
    session.startQueueOnly();
    const SyncRoundOptions options = roundOptions(session, confirmed);
    int exitCode = kDone;
    for (const SyncPair& pair : *pairs) {
        const SyncRoundResult round =
            SyncRound(session.client(), pair, session.view()).run(options);
        exitCode = worseExitCode(exitCode, reportRound(pair, round));
    }
    return exitCode;
}

struct SyncRunArgs {
    std::optional<double> intervalSeconds;  // unset: the user's choice
    bool confirmed = false;
};

// Says each round that moved something or went wrong, as it ends.
class RoundReporter : public SyncKeeperListener {
public:
    void roundEnded(const SyncPair& pair, const SyncRoundResult& result) override {
        reportRound(pair, result, true, &m_said);
    }

private:
    SaidLeftOut m_said;  // the keeper's thread only
};

// Rounds of every pair (pairs added meanwhile join) until SIGINT or SIGTERM, which stops the
// round under way with its transfers resumable: each pair at once and every interval, and a
// pair whose local folder changed as soon as the change settled.
int syncRun(const CliContext& context, const SyncRunArgs& args) {
    const sigset_t awaited = blockStopSignals();
    CliSession session(context);
    if (!session.driveQueue())
        return kFailed;
    session.startQueueOnly();
    SyncKeeperOptions options;
    options.round = roundOptions(session, args.confirmed);
    if (args.intervalSeconds) {
        options.interval = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::duration<double>(*args.intervalSeconds));
    }
    const double seconds = args.intervalSeconds.value_or(
        60.0 *
        SyncPairs(session.client()).checkMinutes().value_or(SyncPairs::kDefaultCheckMinutes));
    RoundReporter reporter;
    SyncKeeper keeper(session.client(), session.view(), options, reporter);
    std::mutex mutex;
    std::condition_variable woken;
    bool stop = false;  // guarded by mutex
    const StopOnSignal stopper(awaited, [&] {
        const std::lock_guard<std::mutex> lock(mutex);
        stop = true;
        woken.notify_all();
    });
    report(
        say("keeping the sync pairs in step, a round every {} s and after each local change; "
            "Ctrl-C stops",
            "保持同步，每 {} 秒一轮，本地文件改动后立即同步；按 Ctrl-C 停止",
            {(std::ostringstream() << seconds).str()}));
    keeper.start();
    std::unique_lock<std::mutex> lock(mutex);
    woken.wait(lock, [&] { return stop; });
    keeper.stop();
    return kInterrupted;
}

}  // namespace

void addSyncCommands(CLI::App& app, const CliContext& context, int& exitCode) {
    CLI::App* sync =
        app.add_subcommand("sync", "Sync folders: local folders kept in step with disk folders");
    sync->require_subcommand(1);

    auto add = std::make_shared<AddArgs>();
    CLI::App* addCommand = sync->add_subcommand("add", "Pair a local folder with a disk folder");
    addCommand->add_option("local", add->local, "LOCAL folder")->required();
    addCommand->add_option("disk", add->diskFolder, "DISK-FOLDER, as \"ls\" takes it")->required();
    addCommand
        ->add_option("--mode", add->mode,
                     "backup: local to disk, nothing deleted on the disk; mirror: disk to local, "
                     "local edits kept as conflict copies; two-way: both ways, deletions to a "
                     "trash, edits on both sides kept both")
        ->capture_default_str();
    addTargetOptions(*addCommand, add->target);
    runsOnDisk(*addCommand, context, exitCode, add, &addPair);

    sync->add_subcommand("list", "The sync pairs with their mode and last sync")
        ->callback([&context, &exitCode] { exitCode = listPairs(context); });

    auto id = std::make_shared<std::int64_t>(0);
    CLI::App* remove =
        sync->add_subcommand("remove", "Stop syncing a pair; both folders keep their files");
    remove->add_option("id", *id, "ID as \"sync list\" shows it")
        ->required()
        ->check(positiveWholeNumber("ID"));
    remove->callback([&context, &exitCode, id] { exitCode = removePair(context, *id); });

    auto yes = std::make_shared<bool>(false);
    CLI::App* now = sync->add_subcommand(
        "now",
        "One round of every pair, then exit (status 3: in step, but links or special files "
        "were left out)");
    now->add_flag("--yes", *yes,
                  "go ahead with a round that deletes or replaces more than 30 % of a pair's "
                  "files (otherwise it stops and says so)");
    now->callback([&context, &exitCode, yes] { exitCode = syncNow(context, *yes); });

    auto run = std::make_shared<SyncRunArgs>();
    CLI::App* runCommand = sync->add_subcommand(
        "run", "Keep every pair in step until Ctrl-C: a round of each, then again every interval");
    runCommand
        ->add_option("--interval", run->intervalSeconds,
                     "seconds between rounds; without it, the minutes chosen in the desktop "
                     "client's sync folders (5 unless chosen)")
        ->check(secondsBetween(0.05, 86400.0));
    runCommand->add_flag("--yes", run->confirmed,
                         "go ahead with rounds that delete or replace more than 30 % of a pair's "
                         "files");
    runCommand->callback([&context, &exitCode, run] { exitCode = syncRun(context, *run); });
}

}  // namespace nubexa::cli
