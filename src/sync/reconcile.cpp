#include "sync/reconcile.h"

#include <algorithm>
#include <deque>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "service/remote_name.h"

namespace nubexa {

namespace {

// How one side of a file stands against the journal.
enum class Side { kAbsent, kAdded, kUnchanged, kChanged, kDeleted };

enum class Decision {
    kNothing,
    kUpload,
    kUploadReplacing,
    kDownload,
    kDownloadReplacing,
    kTrashLocal,
    kTrashRemote,
    kConflict,
    kForget,
};

using S = Side;
using D = Decision;

struct Rule {
    Side local;
    Side remote;
    Decision decision;
};

// Every pair of sides that can occur: without a synced journal entry each side is added or
// absent, with one it is unchanged, changed or deleted. Missing pairs mean nothing to do.
constexpr Rule kTwoWay[] = {
    {S::kAdded, S::kAbsent, D::kUpload},
    {S::kAbsent, S::kAdded, D::kDownload},
    {S::kAdded, S::kAdded, D::kConflict},
    {S::kChanged, S::kUnchanged, D::kUploadReplacing},
    {S::kUnchanged, S::kChanged, D::kDownloadReplacing},
    {S::kChanged, S::kChanged, D::kConflict},
    {S::kDeleted, S::kUnchanged, D::kTrashRemote},
    {S::kUnchanged, S::kDeleted, D::kTrashLocal},
    {S::kDeleted, S::kDeleted, D::kForget},
    // An edit outlives a deletion on the other side.
    {S::kDeleted, S::kChanged, D::kDownload},
    {S::kChanged, S::kDeleted, D::kUpload},
};

// The disk keeps what the local folder had: replaced versions go to the recycle bin.
constexpr Rule kBackup[] = {
    {S::kAdded, S::kAbsent, D::kUpload},
    {S::kAdded, S::kAdded, D::kUploadReplacing},
    {S::kChanged, S::kUnchanged, D::kUploadReplacing},
    {S::kChanged, S::kChanged, D::kUploadReplacing},
    {S::kUnchanged, S::kDeleted, D::kUpload},
    {S::kChanged, S::kDeleted, D::kUpload},
    {S::kDeleted, S::kUnchanged, D::kForget},
    {S::kDeleted, S::kChanged, D::kForget},
    {S::kDeleted, S::kDeleted, D::kForget},
};

// A local edit is kept: it stays where it is while the disk's file does not change, and
// becomes a conflict copy when it does.
constexpr Rule kMirror[] = {
    {S::kAbsent, S::kAdded, D::kDownload},
    {S::kAdded, S::kAdded, D::kConflict},
    {S::kUnchanged, S::kChanged, D::kDownloadReplacing},
    {S::kChanged, S::kChanged, D::kConflict},
    {S::kUnchanged, S::kDeleted, D::kTrashLocal},
    {S::kChanged, S::kDeleted, D::kForget},
    {S::kDeleted, S::kUnchanged, D::kDownload},
    {S::kDeleted, S::kChanged, D::kDownload},
    {S::kDeleted, S::kDeleted, D::kForget},
};

template <std::size_t N>
Decision lookUp(const Rule (&rules)[N], Side local, Side remote) {
    for (const Rule& rule : rules) {
        if (rule.local == local && rule.remote == remote)
            return rule.decision;
    }
    return D::kNothing;
}

Decision decide(SyncMode mode, Side local, Side remote) {
    switch (mode) {
        case SyncMode::kBackup:
            return lookUp(kBackup, local, remote);
        case SyncMode::kMirror:
            return lookUp(kMirror, local, remote);
        case SyncMode::kTwoWay:
            return lookUp(kTwoWay, local, remote);
    }
    return D::kNothing;
}

bool sameLocal(const LocalFileState& a, const LocalFileState& b) {
    return a.size == b.size && a.mtime == b.mtime && a.inode == b.inode;
}

bool sameRemote(const RemoteFileState& a, const RemoteFileState& b) {
    return a.id == b.id && a.size == b.size && a.time == b.time;
}

// One file of the pair, seen from the local side, the disk and the journal. The paths are
// views: a large pair's paths are held once, by the input (or by the compare's own few).
struct Item {
    std::string_view localPath;
    std::string_view remotePath;
    const LocalFileState* local = nullptr;
    const RemoteFileState* remote = nullptr;
    const JournalEntry* journal = nullptr;
    bool folder = false;  // paths end with '/'
};

Side localSide(const Item& item) {
    if (item.journal == nullptr || !item.journal->synced)
        return item.local != nullptr ? S::kAdded : S::kAbsent;
    if (item.local == nullptr)
        return S::kDeleted;
    return sameLocal(*item.local, item.journal->local) ? S::kUnchanged : S::kChanged;
}

Side remoteSide(const Item& item) {
    if (item.journal == nullptr || !item.journal->synced)
        return item.remote != nullptr ? S::kAdded : S::kAbsent;
    if (item.remote == nullptr)
        return S::kDeleted;
    return sameRemote(*item.remote, item.journal->remote) ? S::kUnchanged : S::kChanged;
}

// A transfer an earlier round started and could not confirm, found done: the local file
// is the one that went up and the disk has a new file of its size, or the disk's file
// that came down lies complete in the local folder (downloads take their name only when
// complete).
bool pendingDone(const Item& item) {
    if (item.journal == nullptr || item.local == nullptr || item.remote == nullptr)
        return false;
    const JournalEntry& entry = *item.journal;
    const PendingAction& pending = entry.pending;
    switch (pending.kind) {
        case PendingAction::Kind::kNone:
            return false;
        case PendingAction::Kind::kUpload:
            return sameLocal(*item.local, pending.local) &&
                   item.remote->size == pending.local.size &&
                   (!entry.synced || item.remote->id != entry.remote.id);
        case PendingAction::Kind::kDownload:
            return item.remote->id == pending.remoteId && item.remote->size == pending.remoteSize &&
                   item.local->size == item.remote->size &&
                   (!entry.synced || !sameLocal(*item.local, entry.local));
    }
    return false;
}

bool below(std::string_view path, const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        if (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
            path[folder.size()] == '/')
            return true;
    }
    return false;
}

std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = path.find('/', start);
        parts.push_back(path.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return parts;
}

void addActions(const Item& item, Decision decision, const std::string& stamp,
                std::vector<SyncAction>& actions) {
    const Side local = localSide(item);
    const Side remote = remoteSide(item);
    SyncAction action;
    action.localPath = std::string(item.localPath);
    action.remotePath = std::string(item.remotePath);
    if (item.local != nullptr)
        action.local = *item.local;
    if (item.remote != nullptr) {
        action.remote = *item.remote;
        action.remoteId = item.remote->id;
    }
    using K = SyncAction::Kind;
    switch (decision) {
        case D::kNothing:
            return;
        case D::kUpload:
        case D::kUploadReplacing:
            action.kind = K::kUpload;
            if (decision == D::kUploadReplacing && item.remote != nullptr) {
                action.replacesRemoteId = item.remote->id;
                action.replacesSyncedVersion = remote == S::kUnchanged;
            }
            break;
        case D::kDownload:
        case D::kDownloadReplacing:
            action.kind = K::kDownload;
            action.replacesLocal = decision == D::kDownloadReplacing && item.local != nullptr;
            action.replacesSyncedVersion = action.replacesLocal && local == S::kUnchanged;
            break;
        case D::kTrashLocal:
            action.kind = K::kTrashLocal;
            break;
        case D::kTrashRemote:
            action.kind = K::kTrashRemote;
            break;
        case D::kForget:
            action.kind = K::kForget;
            break;
        case D::kConflict: {
            // The local version steps aside under a name of its own; the disk's takes the name.
            SyncAction copy = action;
            copy.kind = K::kConflictCopy;
            copy.conflictPath = conflictPathFor(action.localPath, stamp);
            actions.push_back(copy);
            action.kind = K::kDownload;
            action.local = {};
            break;
        }
    }
    actions.push_back(action);
}

// A folder has no content: being there is all there is to carry over. A folder to be trashed
// waits for the second pass, which knows whether anything below it stays.
Decision folderDecision(const Item& item, Decision decision) {
    const bool local = item.local != nullptr;
    const bool remote = item.remote != nullptr;
    switch (decision) {
        case D::kUpload:
        case D::kUploadReplacing:
            return remote ? D::kNothing : D::kUpload;
        case D::kDownload:
        case D::kDownloadReplacing:
            return local ? D::kNothing : D::kDownload;
        case D::kTrashLocal:
        case D::kTrashRemote:
        case D::kForget:
            return decision;
        case D::kConflict:
        case D::kNothing:
            break;
    }
    return D::kNothing;
}

// Both sides hold the item as it is now: the journal takes it.
SyncAction recordOf(const Item& item) {
    SyncAction record;
    record.kind = SyncAction::Kind::kRecord;
    record.folder = item.folder;
    record.localPath = std::string(item.localPath);
    record.remotePath = std::string(item.remotePath);
    record.remoteId = item.remote->id;
    record.local = *item.local;
    record.remote = *item.remote;
    return record;
}

// Both sides hold the folder, and the journal does not know it so.
bool folderToRecord(const Item& item) {
    return item.local != nullptr && item.remote != nullptr &&
           (item.journal == nullptr || !item.journal->synced ||
            item.journal->remote.id != item.remote->id);
}

}  // namespace

// The rail stops what a fault looks like: a side emptied or wiped (many deletions), or one
// side's own versions written over by the other's. An edit carried in the mode's direction
// over the unchanged synced copy is ordinary work; the copy it replaces goes to the recycle
// bin or the trash, and the journal knows it, so it does not count.
bool SyncAction::destructive() const {
    switch (kind) {
        case Kind::kUpload:
            return !replacesRemoteId.empty() && !replacesSyncedVersion;
        case Kind::kDownload:
            return replacesLocal && !replacesSyncedVersion;
        case Kind::kTrashLocal:
        case Kind::kTrashRemote:
            return true;
        case Kind::kConflictCopy:
        case Kind::kForget:
        case Kind::kRecord:
            return false;
    }
    return false;
}

RemotePathFor remotePathFor(const std::string& localPath) {
    RemotePathFor result;
    for (const std::string& part : components(localPath)) {
        const RemoteName mapped = mapToRemoteName(part);
        if (!mapped.ok()) {
            result.path.clear();
            result.problem = mapped.problem;
            return result;
        }
        // The disk keeps names composed, and listings give them so.
        result.path += (result.path.empty() ? "" : "/") + toNfc(mapped.name);
    }
    return result;
}

std::string localPathFor(const std::string& remotePath) {
    std::string path;
    for (const std::string& part : components(remotePath))
        path += (path.empty() ? "" : "/") + localNameFor(part).name;
    return path;
}

std::string conflictPathFor(const std::string& localPath, const std::string& stamp) {
    const std::size_t slash = localPath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = localPath.rfind('.');
    if (dot == std::string::npos || dot <= nameStart)
        dot = localPath.size();  // no extension (".profile" has none either)
    return localPath.substr(0, dot) + " (冲突 " + stamp + ")" + localPath.substr(dot);
}

SyncPlan reconcile(const ReconcileInput& input) {
    SyncPlan plan;
    if (!input.local.rootPresent) {
        plan.verdict = SyncPlan::Verdict::kPaused;
        return plan;
    }

    // Folders stand beside the files under their path with a '/' after it.
    std::vector<LocalFileState> folderList;
    for (const std::string& folder : input.local.folders)
        folderList.push_back({folder + "/", 0, 0, 0});
    std::vector<RemoteFileState> remoteFolderList;
    for (const RemoteFileState& folder : input.remoteFolders)
        remoteFolderList.push_back({folder.path + "/", folder.id, 0, {}});
    const std::vector<LocalFileState>& localFolders = folderList;
    const std::vector<RemoteFileState>& remoteFolders = remoteFolderList;
    // Paths the compare makes itself (the other side's name of a file new on one side).
    std::deque<std::string> madePaths;

    std::unordered_map<std::string_view, const LocalFileState*> localByPath;
    for (const auto* side : {&input.local.files, &localFolders}) {
        for (const LocalFileState& file : *side)
            localByPath.emplace(file.path, &file);
    }
    std::unordered_map<std::string_view, const RemoteFileState*> remoteByPath;
    for (const auto* side : {&input.remote, &remoteFolders}) {
        for (const RemoteFileState& file : *side)
            remoteByPath.emplace(file.path, &file);
    }
    auto find = [](const auto& byPath, std::string_view path) {
        const auto found = byPath.find(path);
        return found == byPath.end() ? nullptr : found->second;
    };
    const auto isFolder = [](std::string_view path) { return !path.empty() && path.back() == '/'; };

    std::vector<Item> items;
    std::unordered_set<std::string_view> itemPaths;  // the items' local paths
    std::unordered_set<std::string_view> claimedRemote;
    const auto addItem = [&](const Item& item) {
        if (itemPaths.insert(item.localPath).second)
            items.push_back(item);
    };
    for (const JournalEntry& entry : input.journal) {
        claimedRemote.insert(entry.remotePath);
        addItem({entry.localPath, entry.remotePath, find(localByPath, entry.localPath),
                 find(remoteByPath, entry.remotePath), &entry, isFolder(entry.localPath)});
    }
    for (const auto* side : {&input.local.files, &localFolders}) {
        for (const LocalFileState& file : *side) {
            if (itemPaths.count(file.path) != 0)
                continue;
            const bool folder = isFolder(file.path);
            const RemotePathFor mapped =
                remotePathFor(folder ? file.path.substr(0, file.path.size() - 1) : file.path);
            if (!mapped.problem.empty()) {
                plan.unsendable.emplace_back(file.path, mapped.problem);
                continue;
            }
            const std::string& remotePath =
                madePaths.emplace_back(mapped.path + (folder ? "/" : ""));
            if (!claimedRemote.insert(remotePath).second) {
                // Two local names map to one disk name ("a:b" beside "a：b"); the first keeps
                // it.
                plan.unsendable.emplace_back(file.path, "同名文件已存在");
                continue;
            }
            addItem(
                {file.path, remotePath, &file, find(remoteByPath, remotePath), nullptr, folder});
        }
    }
    for (const auto* side : {&input.remote, &remoteFolders}) {
        for (const RemoteFileState& file : *side) {
            if (claimedRemote.count(file.path) != 0)
                continue;
            const bool folder = isFolder(file.path);
            std::string localPath =
                folder ? localPathFor(file.path.substr(0, file.path.size() - 1)) + "/"
                       : localPathFor(file.path);
            // A local name already in use by another file (or one the service cannot take):
            // the disk's file is left where it is rather than written over it.
            if (itemPaths.count(localPath) != 0 || localByPath.count(localPath) != 0)
                continue;
            addItem({madePaths.emplace_back(std::move(localPath)), file.path, nullptr, &file,
                     nullptr, folder});
        }
    }
    // By local path: the plan comes out in a stable order, and a folder's items follow it.
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return a.localPath < b.localPath; });

    std::vector<std::pair<const Item*, Decision>> folderTrashes;  // parents before children
    std::unordered_set<std::string_view> trashedLocal;
    std::unordered_set<std::string_view> trashedRemote;
    for (const Item& item : items) {
        if (below(item.localPath, input.local.unreadableFolders))
            continue;  // unknown, not deleted
        ++plan.files;
        if (!item.folder && pendingDone(item)) {
            plan.actions.push_back(recordOf(item));
            continue;
        }
        Decision decision = decide(input.mode, localSide(item), remoteSide(item));
        if (item.folder) {
            decision = folderDecision(item, decision);
            if (decision == D::kTrashLocal || decision == D::kTrashRemote) {
                folderTrashes.emplace_back(&item, decision);
                continue;
            }
            if (decision == D::kNothing && folderToRecord(item)) {
                plan.actions.push_back(recordOf(item));
                continue;
            }
        }
        if (decision == D::kTrashLocal)
            trashedLocal.insert(item.localPath);
        if (decision == D::kTrashRemote)
            trashedRemote.insert(item.localPath);
        const std::size_t first = plan.actions.size();
        addActions(item, decision, input.conflictStamp, plan.actions);
        for (std::size_t i = first; i < plan.actions.size(); ++i)
            plan.actions[i].folder = item.folder;
    }
    // A folder follows its deletion only when nothing below it stays on that side: what is
    // still there was added or changed since, and keeps the folder. Children go first.
    for (auto it = folderTrashes.rbegin(); it != folderTrashes.rend(); ++it) {
        const Item& folder = *it->first;
        const bool local = it->second == D::kTrashLocal;
        bool empties = true;
        for (auto under = std::next(items.begin(), &folder - items.data() + 1);
             under != items.end() &&
             under->localPath.substr(0, folder.localPath.size()) == folder.localPath;
             ++under) {
            const bool there = local ? under->local != nullptr : under->remote != nullptr;
            const auto& trashed = local ? trashedLocal : trashedRemote;
            if (there && trashed.count(under->localPath) == 0)
                empties = false;
        }
        if (!empties)
            continue;
        (local ? trashedLocal : trashedRemote).insert(folder.localPath);
        const std::size_t first = plan.actions.size();
        addActions(folder, it->second, input.conflictStamp, plan.actions);
        for (std::size_t i = first; i < plan.actions.size(); ++i)
            plan.actions[i].folder = true;
    }

    for (const SyncAction& action : plan.actions)
        plan.destructive += action.destructive() ? 1 : 0;
    if (!input.deletionsConfirmed && plan.destructive > 0 &&
        plan.destructive > input.askAboveShare * plan.files)
        plan.verdict = SyncPlan::Verdict::kAsk;
    return plan;
}

}  // namespace nubexa
