#include "session/sync_round.h"
#include "session/session_core.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "platform/local_time.h"
#include "service/remote_name.h"
#include "service/service_client.h"
#include "service/text_codec.h"
#include "session/client_session.h"
#include "session/same_bytes.h"
#include "sync/local_scan.h"
#include "sync/local_trash.h"
#include "sync/reconcile.h"
#include "sync/sync_journal.h"
#include "transfer/signed_in_client.h"

namespace nubexa {

namespace {

namespace fs = std::filesystem;

std::string dataFolderOf(const ClientSession& session) {
    return fs::path(session.config().databasePath).parent_path().string();
}

// The disk folder as the round compares it: its files by path, its folders' ids by path
// ("" the pair's own folder).
struct RemoteTree {
    std::vector<RemoteFileState> files;
    std::map<std::string, std::string> folderIds;
};

ServiceResult<RemoteTree> listRemote(ClientSession& session, const std::string& folderId,
                                     const std::atomic<bool>& stop) {
    const AccountInfo account = SessionCore::service(session).account();
    // A refusal is a folder that is gone (or the top, which cannot be a pair's): never an
    // empty folder, which would read as every file deleted.
    auto listing =
        SessionCore::service(session).treeBelow(account.uid, account.token, folderId, &stop);
    if (!listing.ok())
        return ServiceResult<RemoteTree>::failed(listing.failure);
    RemoteTree tree;
    tree.folderIds[""] = folderId;
    for (TreeEntry& folder : listing.value.folders)
        tree.folderIds[std::move(folder.path)] = std::move(folder.id);
    tree.files.reserve(listing.value.files.size());
    for (TreeEntry& file : listing.value.files) {
        tree.files.push_back(
            {std::move(file.path), std::move(file.id), file.size, std::move(file.time)});
    }
    return ServiceResult<RemoteTree>::success(std::move(tree));
}

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Hears the round's transfers end.
class RoundListener : public QueueRunListener {
public:
    void taskEnded(const TaskEnded& ended) override {
        if (ended.report.outcome != WorkerReport::Outcome::kCompleted &&
            ended.report.outcome != WorkerReport::Outcome::kStopped)
            problems.emplace_back(ended.report.fileName, ended.report.reason);
    }
    std::vector<std::pair<std::string, std::string>> problems;
};

// Carries out one round's plan. Each step that changes a side is preceded by what the
// journal must know should the round end right after it.
class PlanRunner {
public:
    PlanRunner(ClientSession& session, const SyncPair& pair, RemoteTree& remote,
               const std::vector<JournalEntry>& journal, const LocalTrash& trash,
               SyncRoundResult& result)
        : m_session(session),
          m_pair(pair),
          m_remote(remote),
          m_trash(trash),
          m_result(result),
          m_journal(journal) {}

    // False when bin.db refused: the round stops there. `stopped` is asked before each step.
    bool carryOut(const std::vector<SyncAction>& actions,
                  const std::function<bool()>& stopped = {}) {
        // Records touch only the journal and stand alone: one transaction takes them all.
        if (!recordAll(actions))
            return false;
        std::set<std::string> blocked;  // whose conflict copy could not be made
        for (const SyncAction& action : actions) {
            if (stopped && stopped())
                return true;
            using K = SyncAction::Kind;
            bool stored = true;
            switch (action.kind) {
                case K::kRecord:
                    break;
                case K::kForget:
                    stored = forget(action.localPath);
                    break;
                case K::kTrashRemote:
                    stored = trashRemote(action);
                    break;
                case K::kTrashLocal:
                    stored = trashLocal(action);
                    break;
                case K::kUpload:
                    stored = action.folder ? makeRemoteFolder(action) : upload(action);
                    break;
                case K::kDownload:
                    if (action.folder)
                        stored = makeLocalFolder(action);
                    else if (blocked.count(action.localPath) == 0)
                        stored = download(action);
                    break;
                case K::kConflictCopy:
                    if (!conflictCopy(action))
                        blocked.insert(action.localPath);
                    break;
            }
            if (!stored)
                return false;
        }
        return true;
    }

    bool queuedAny() const { return m_queued; }

private:
    // A folder's path ("a/b/") without its '/': the trash names an entry by its last name.
    std::string localFile(const std::string& path) const {
        const bool folder = !path.empty() && path.back() == '/';
        return m_pair.localFolder + "/" + path.substr(0, path.size() - (folder ? 1 : 0));
    }

    void fail(const std::string& path, const std::string& why) {
        ++m_result.failed;
        m_result.problems.emplace_back(path, why);
        m_failedPaths.insert(path);
    }

    // Whether something below `folder` ("a/b/") failed this round, and so may still be there.
    bool failedBelow(const std::string& folder) const {
        const auto next = m_failedPaths.upper_bound(folder);
        return next != m_failedPaths.end() && next->compare(0, folder.size(), folder) == 0;
    }

    // A folder made on one side is in step at once: there is nothing to transfer.
    bool recordFolder(const SyncAction& action, const std::string& remoteId) {
        JournalEntry entry;
        entry.localPath = action.localPath;
        entry.remotePath = action.remotePath;
        entry.synced = true;
        entry.local = {action.localPath, 0, 0, 0};
        entry.remote = {action.remotePath, remoteId, 0, {}};
        return put(entry);
    }

    bool makeRemoteFolder(const SyncAction& action) {
        const auto made = remoteFolderFor(action.remotePath);
        if (!made) {
            fail(action.remotePath, "无法创建网盘文件夹");
            return true;
        }
        return recordFolder(action, *made);
    }

    bool makeLocalFolder(const SyncAction& action) {
        std::error_code error;
        fs::create_directories(localFile(action.localPath), error);
        if (error) {
            fail(action.localPath, error.message());
            return true;
        }
        return recordFolder(action, action.remoteId);
    }

    bool put(const JournalEntry& entry) {
        const bool stored = SessionCore::gate(m_session).run(
            [&](LocalStore& store) { return SyncJournal(store).put(m_pair.id, entry); });
        if (stored)
            m_changed[entry.localPath] = entry;
        return stored;
    }

    bool forget(const std::string& localPath) {
        const bool stored = SessionCore::gate(m_session).run(
            [&](LocalStore& store) { return SyncJournal(store).forget(m_pair.id, localPath); });
        if (stored)
            m_changed[localPath] = std::nullopt;
        return stored;
    }

    // The journal as this round left it so far. The index is made at the first question: an
    // idle round of a large pair never needs it.
    JournalEntry entryFor(const SyncAction& action) {
        if (const auto changed = m_changed.find(action.localPath); changed != m_changed.end()) {
            if (changed->second)
                return *changed->second;
        } else {
            if (m_index.empty()) {
                for (const JournalEntry& entry : m_journal)
                    m_index.emplace(entry.localPath, &entry);
            }
            if (const auto found = m_index.find(action.localPath); found != m_index.end())
                return *found->second;
        }
        JournalEntry entry;
        entry.localPath = action.localPath;
        entry.remotePath = action.remotePath;
        return entry;
    }

    bool recordAll(const std::vector<SyncAction>& actions) {
        std::vector<JournalEntry> entries;
        for (const SyncAction& action : actions) {
            if (action.kind != SyncAction::Kind::kRecord)
                continue;
            JournalEntry entry = entryFor(action);
            entry.remotePath = action.remotePath;
            entry.synced = true;
            entry.local = action.local;
            entry.remote = action.remote;
            entry.pending = {};
            entries.push_back(std::move(entry));
        }
        if (entries.empty())
            return true;
        if (!SessionCore::gate(m_session).run(
                [&](LocalStore& store) { return SyncJournal(store).putAll(m_pair.id, entries); }))
            return false;
        for (JournalEntry& entry : entries)
            m_changed[entry.localPath] = std::move(entry);
        return true;
    }

    bool trashRemote(const SyncAction& action) {
        if (action.folder && failedBelow(action.localPath))
            return true;
        if (!removeRemote(ItemRef{action.remoteId, action.folder}, action.remotePath))
            return true;
        ++m_result.trashedRemote;
        return forget(action.localPath);
    }

    // Only the file the plan saw: one changed since the scan is left for the next round.
    bool unchangedSinceScan(const SyncAction& action) {
        if (action.folder) {
            // Only an empty folder goes: what came into it since the scan keeps it.
            const auto names = entryNames(localFile(action.localPath));
            // A folder that still holds something (a link the round leaves alone, a file that
            // came since) stays, quietly: the journal keeps it for the next round.
            return names && names->empty() && !failedBelow(action.localPath);
        }
        const auto now = localFileState(m_pair.localFolder, action.localPath);
        if (now && now->size == action.local.size && now->mtime == action.local.mtime &&
            now->inode == action.local.inode)
            return true;
        fail(action.localPath, "文件在同步时被修改");
        return false;
    }

    bool trashLocal(const SyncAction& action) {
        if (!removeLocal(action))
            return true;
        ++m_result.trashedLocal;
        return forget(action.localPath);
    }

    bool conflictCopy(const SyncAction& action) {
        std::error_code error;
        const std::string target = localFile(action.conflictPath);
        if (fs::exists(fs::symlink_status(target, error))) {
            fail(action.localPath, "冲突副本已存在");
            return false;
        }
        fs::rename(localFile(action.localPath), target, error);
        if (error) {
            fail(action.localPath, error.message());
            return false;
        }
        ++m_result.conflicts;
        return true;
    }

    // The disk folder for a file's parent path, made where it is missing.
    std::optional<std::string> remoteFolderFor(const std::string& remoteFile) {
        const std::string parent = parentOf(remoteFile);
        if (const auto found = m_remote.folderIds.find(parent); found != m_remote.folderIds.end())
            return found->second;
        const auto above = remoteFolderFor(parent);
        if (!above)
            return std::nullopt;
        const auto made = m_session.disk().makeFolder(*above, nameOf(parent));
        // A folder made by an earlier round that was cut off before it listed again comes
        // back with its id even when refused as existing.
        if (made.value.id.empty() || (!made.ok() && made.failure != Failure::kRefused))
            return std::nullopt;
        m_remote.folderIds[parent] = made.value.id;
        return made.value.id;
    }

    std::string shownPath(const std::string& remoteFolder) const {
        std::string shown = m_pair.remotePath;
        if (!remoteFolder.empty()) {
            std::string below = remoteFolder;
            std::replace(below.begin(), below.end(), '/', '\\');
            shown += "\\" + below;
        }
        return shown;
    }

    bool upload(const SyncAction& action) {
        const auto folder = remoteFolderFor(action.remotePath);
        if (!folder) {
            fail(action.remotePath, "无法创建网盘文件夹");
            return true;
        }
        JournalEntry entry = entryFor(action);
        entry.remotePath = action.remotePath;
        entry.pending = {PendingAction::Kind::kUpload, action.local, {}, 0};
        if (!put(entry))
            return false;
        // The disk keeps one file per name: the old version goes to the recycle bin first.
        if (!action.replacesRemoteId.empty() &&
            !removeRemote(ItemRef{action.replacesRemoteId, false}, action.remotePath))
            return true;
        const QueuedTask queued = SessionCore::queue(m_session).QueueFileUpload(
            localFile(action.localPath),
            RemoteFolder{*folder, shownPath(parentOf(action.remotePath))});
        noteQueued(queued, action.localPath, "未能加入上传队列", m_result.uploaded);
        return true;
    }

    bool download(const SyncAction& action) {
        // The queue writes a disk file under the local form of its name. A file that went up
        // under a mapped name ("a:b" as "a：b") would come back under another name than its own.
        if (localPathFor(action.remotePath) != action.localPath) {
            fail(action.localPath, "文件名经过转换，不能从网盘更新");
            return true;
        }
        JournalEntry entry = entryFor(action);
        // Field by field: GCC 12 takes a braced temporary's empty path for uninitialised.
        entry.pending = PendingAction();
        entry.pending.kind = PendingAction::Kind::kDownload;
        entry.pending.remoteId = action.remote.id;
        entry.pending.remoteSize = action.remote.size;
        if (!put(entry))
            return false;
        // The synced version steps into the trash; the queue never writes over a file.
        if (action.replacesLocal && !removeLocal(action))
            return true;
        std::error_code error;
        const std::string folder = localFile(parentOf(action.localPath));
        fs::create_directories(folder, error);
        DiskItem item;
        item.id = action.remote.id;
        std::tie(item.name, item.ext) = splitRemoteName(nameOf(action.remotePath));
        item.size = std::to_string(action.remote.size);
        const QueuedTask queued = SessionCore::queue(m_session).QueueFileDownload(
            item, folder,
            RemoteFolder{m_pair.remoteFolderId, shownPath(parentOf(action.remotePath))});
        noteQueued(queued, action.localPath, "未能加入下载队列", m_result.downloaded);
        return true;
    }

    void noteQueued(const QueuedTask& queued, const std::string& path, const char* notQueued,
                    int& count) {
        if (!queued.queued && !queued.alreadyQueued) {
            fail(path, queued.refusal.empty() ? notQueued : queued.refusal);
            return;
        }
        m_queued = true;
        ++count;
    }

    // To the service's recycle bin; false (said) when it refused or did not answer.
    bool removeRemote(const ItemRef& item, const std::string& path) {
        const ServiceVerdict why = m_session.disk().remove(item, "0");
        if (why.accepted())
            return true;
        fail(path, why.message.empty() ? describeFailure(why.failure) : why.message);
        return false;
    }

    // To the desktop's trash, only as the plan saw it; false (said) when it was not moved.
    bool removeLocal(const SyncAction& action) {
        if (!unchangedSinceScan(action))
            return false;
        std::string why;
        if (m_trash.moveIn(localFile(action.localPath), why))
            return true;
        fail(action.localPath, why);
        return false;
    }

    ClientSession& m_session;
    const SyncPair& m_pair;
    RemoteTree& m_remote;
    const LocalTrash& m_trash;
    SyncRoundResult& m_result;
    const std::vector<JournalEntry>& m_journal;  // as the round's look read it
    std::unordered_map<std::string_view, const JournalEntry*> m_index;
    // Entries this round wrote (or forgot: nullopt) since.
    std::map<std::string, std::optional<JournalEntry>> m_changed;
    std::set<std::string> m_failedPaths;  // local or disk paths that failed this round
    bool m_queued = false;
};

// Local now, disk now and the journal: the round's input, or why there is none.
struct RoundLook {
    SyncRoundResult::End failed = SyncRoundResult::End::kDone;
    Failure listingFailure = Failure::kNone;
    ReconcileInput input;
    RemoteTree remote;
    std::vector<std::pair<std::string, std::string>> skipped;
};

RoundLook look(ClientSession& session, const SyncPair& pair, const SyncRoundOptions& options,
               const std::atomic<bool>& stop) {
    RoundLook look;
    // The listing first: reading its answer is the round's peak of memory, which the journal
    // and the scan need not add to.
    auto remote = listRemote(session, pair.remoteFolderId, stop);
    if (!remote.ok()) {
        const bool stopped = remote.failure == Failure::kStopped && stop;
        look.failed =
            stopped ? SyncRoundResult::End::kInterrupted : SyncRoundResult::End::kListingFailed;
        look.listingFailure = stopped ? Failure::kNone : remote.failure;
        return look;
    }
    auto journal = SessionCore::gate(session).run(
        [&](LocalStore& store) { return SyncJournal(store).entries(pair.id); });
    if (!journal) {
        look.failed = SyncRoundResult::End::kStoreFailed;
        return look;
    }
    LocalScan scan = scanLocalFolder(pair.localFolder);
    look.remote = std::move(remote.value);
    look.skipped = std::move(scan.skipped);
    look.input.mode = pair.mode;
    look.input.local = std::move(scan.snapshot);
    look.input.remote = std::move(look.remote.files);
    for (const auto& [path, id] : look.remote.folderIds) {
        if (!path.empty())
            look.input.remoteFolders.push_back({path, id, 0, {}});
    }
    look.input.journal = std::move(*journal);
    look.input.conflictStamp = localTimeText("%Y%m%d-%H%M%S");
    look.input.askAboveShare = options.askAboveShare;
    look.input.deletionsConfirmed = options.deletionsConfirmed;
    return look;
}

}  // namespace

namespace {

// The form pairs are stored in: absolute, normal, without a trailing separator.
std::string pairFolderForm(const std::string& localFolder) {
    std::error_code error;
    std::string folder = fs::absolute(localFolder, error).lexically_normal().string();
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

}  // namespace

SyncPairAdded SyncPairs::check(const std::string& localFolder) {
    SyncPairAdded checked;
    std::error_code error;
    if (!fs::is_directory(localFolder, error)) {
        checked.outcome = SyncPairAdded::Outcome::kNoSuchLocalFolder;
        return checked;
    }
    const auto pairs = list();
    if (!pairs)
        return checked;
    checked.problem =
        syncFolderProblem(pairFolderForm(localFolder), *pairs, dataFolderOf(m_session));
    checked.outcome = checked.problem == SyncFolderProblem::kNone
                          ? SyncPairAdded::Outcome::kAdded
                          : SyncPairAdded::Outcome::kFolderRefused;
    return checked;
}

SyncPairAdded SyncPairs::add(SyncPair pair) {
    SyncPairAdded added = check(pair.localFolder);
    if (added.outcome != SyncPairAdded::Outcome::kAdded)
        return added;
    pair.localFolder = pairFolderForm(pair.localFolder);
    pair.userId = m_session.account().uid;
    const auto id = SessionCore::gate(m_session).run(
        [&](LocalStore& store) { return SyncJournal(store).addPair(pair); });
    if (!id) {
        added.outcome = SyncPairAdded::Outcome::kStoreFailed;
        return added;
    }
    added.id = *id;
    added.pair = pair;
    added.pair.id = *id;
    return added;
}

SyncPairAdded SyncPairs::addAtPath(const std::string& localFolder, const std::string& diskPath,
                                   SyncMode mode) {
    SyncPairAdded added = check(localFolder);
    if (added.outcome != SyncPairAdded::Outcome::kAdded)
        return added;
    if (splitDiskPath(diskPath).empty()) {
        added.outcome = SyncPairAdded::Outcome::kTopFolder;
        return added;
    }
    const auto folder = m_session.disk().makeFolderPath(diskPath);
    if (!folder.ok()) {
        added.outcome = SyncPairAdded::Outcome::kNoDiskFolder;
        added.diskFailure = folder.failure;
        added.diskMessage = folder.message;
        return added;
    }
    SyncPair pair;
    pair.localFolder = localFolder;
    pair.remoteFolderId = folder.value.folder.id;
    pair.remotePath = folder.value.folder.locationText;
    pair.mode = mode;
    return add(pair);
}

std::optional<std::vector<SyncPair>> SyncPairs::list() {
    const std::string uid = m_session.account().uid;
    return SessionCore::gate(m_session).run(
        [&](LocalStore& store) { return SyncJournal(store).pairs(uid); });
}

std::optional<int> SyncPairs::checkMinutes() {
    const std::string uid = m_session.account().uid;
    const auto stored = SessionCore::gate(m_session).run(
        [&](LocalStore& store) { return SyncJournal(store).checkMinutes(uid); });
    if (!stored)
        return std::nullopt;
    return *stored > 0 ? std::clamp(*stored, kCheckMinutesRange.first, kCheckMinutesRange.second)
                       : kDefaultCheckMinutes;
}

bool SyncPairs::setCheckMinutes(int minutes) {
    const std::string uid = m_session.account().uid;
    const int kept = std::clamp(minutes, kCheckMinutesRange.first, kCheckMinutesRange.second);
    return SessionCore::gate(m_session).run(
        [&](LocalStore& store) { return SyncJournal(store).setCheckMinutes(uid, kept); });
}

bool SyncPairs::remove(std::int64_t pairId) {
    const std::string uid = m_session.account().uid;
    return SessionCore::gate(m_session).run(
        [&](LocalStore& store) { return SyncJournal(store).removePair(uid, pairId); });
}

void SyncRound::settleSameBytes(std::vector<SyncAction>& actions) {
    if (!m_session.transfersStarted())
        return;  // no file server to read from: the conflicts stand
    std::unique_ptr<SignedInClient> signedIn;
    std::vector<bool> settled(actions.size(), false);
    for (std::size_t i = 0; i + 1 < actions.size(); ++i) {
        SyncAction& copy = actions[i];
        const SyncAction& download = actions[i + 1];
        if (copy.kind != SyncAction::Kind::kConflictCopy || copy.folder ||
            download.kind != SyncAction::Kind::kDownload || download.localPath != copy.localPath ||
            copy.local.size != copy.remote.size)
            continue;
        if (m_stopFlag)
            break;
        if (!signedIn)
            signedIn =
                std::make_unique<SignedInClient>(SessionCore::manager(m_session), m_stopFlag);
        const std::string ext = splitRemoteName(nameOf(copy.remotePath)).second;
        if (compareWithDisk(*signedIn, copy.remote.id + ext,
                            m_pair.localFolder + "/" + copy.localPath,
                            copy.local.size) != SameBytes::kSame)
            continue;
        copy.kind = SyncAction::Kind::kRecord;
        copy.conflictPath.clear();
        settled[i + 1] = true;  // the download
    }
    if (signedIn)
        signedIn->quit();
    std::vector<SyncAction> kept;
    for (std::size_t i = 0; i < actions.size(); ++i) {
        if (!settled[i])
            kept.push_back(std::move(actions[i]));
    }
    actions = std::move(kept);
}

void SyncRound::stop() {
    m_stopFlag = true;
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_stopped = true;
    if (m_queueRun != nullptr)
        m_queueRun->stop();
}

bool SyncRound::stopped() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopped;
}

SyncRoundResult SyncRound::run(const SyncRoundOptions& options) {
    SyncRoundResult result;
    const auto ended = [&result](SyncRoundResult::End end) {
        result.end = end;
        return result;
    };
    RoundLook before = look(m_session, m_pair, options, m_stopFlag);
    result.listingFailure = before.listingFailure;
    if (before.failed != SyncRoundResult::End::kDone)
        return ended(before.failed);
    result.skipped = before.skipped;
    SyncPlan plan = reconcile(before.input);
    settleSameBytes(plan.actions);
    result.files = plan.files;
    result.destructive = plan.destructive;
    for (const auto& unsendable : plan.unsendable)
        result.skipped.push_back(unsendable);
    if (plan.verdict == SyncPlan::Verdict::kPaused)
        return ended(SyncRoundResult::End::kPaused);
    if (plan.verdict == SyncPlan::Verdict::kAsk)
        return ended(SyncRoundResult::End::kAsk);

    const LocalTrash trash(options.trashFolder);
    PlanRunner runner(m_session, m_pair, before.remote, before.input.journal, trash, result);
    if (!runner.carryOut(plan.actions, [this] { return stopped(); }))
        return ended(SyncRoundResult::End::kStoreFailed);
    if (stopped())
        return ended(SyncRoundResult::End::kInterrupted);
    if (!runner.queuedAny()) {
        // Nothing went into the queue: what the plan did is in the journal already, and a
        // second look would only read both sides again.
        if (result.failed > 0)
            return ended(SyncRoundResult::End::kUnfinished);
        return stampDone(result);
    }
    result.awaitsTransfers = !options.driveQueue;
    if (options.driveQueue) {
        QueueRun queueRun(m_session, options.run, m_view);
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopped)
                return ended(SyncRoundResult::End::kInterrupted);
            m_queueRun = &queueRun;
        }
        RoundListener listener;
        const QueueRunResult ran = queueRun.run(listener);
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_queueRun = nullptr;
        }
        for (const auto& problem : listener.problems)
            result.problems.push_back(problem);
        if (ran.end == QueueRunResult::End::kInterrupted)
            return ended(SyncRoundResult::End::kInterrupted);
        if (ran.end == QueueRunResult::End::kStoreFailed)
            return ended(SyncRoundResult::End::kStoreFailed);
    }

    if (result.awaitsTransfers)
        return ended(SyncRoundResult::End::kUnfinished);
    // The transfers are confirmed by what both sides hold now, not by the queue's word.
    RoundLook after = look(m_session, m_pair, options, m_stopFlag);
    if (after.failed == SyncRoundResult::End::kStoreFailed)
        return ended(SyncRoundResult::End::kStoreFailed);
    if (after.failed != SyncRoundResult::End::kDone)
        return ended(SyncRoundResult::End::kUnfinished);
    after.input.deletionsConfirmed = true;  // only records are taken from this plan
    std::vector<SyncAction> records;
    bool left = false;
    for (const SyncAction& action : reconcile(after.input).actions) {
        if (action.kind == SyncAction::Kind::kRecord)
            records.push_back(action);
        else
            left = true;
    }
    PlanRunner recorder(m_session, m_pair, after.remote, after.input.journal, trash, result);
    if (!recorder.carryOut(records))
        return ended(SyncRoundResult::End::kStoreFailed);
    if (left || result.failed > 0)
        return ended(SyncRoundResult::End::kUnfinished);
    return stampDone(result);
}

SyncRoundResult SyncRound::stampDone(SyncRoundResult& result) {
    const bool stamped = SessionCore::gate(m_session).run([&](LocalStore& store) {
        return SyncJournal(store).setLastSync(m_pair.id,
                                              static_cast<std::int64_t>(std::time(nullptr)));
    });
    result.end = stamped ? SyncRoundResult::End::kDone : SyncRoundResult::End::kStoreFailed;
    return result;
}

}  // namespace nubexa
