#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sync/sync_types.h"

namespace nubexa {

struct SyncAction {
    enum class Kind {
        kUpload,        // local file up to remotePath; replacesRemoteId: the old one to the bin
        kDownload,      // remoteId down to localPath; replacesLocal: the old file is overwritten
        kTrashLocal,    // localPath to the desktop's trash
        kTrashRemote,   // remoteId to the service's recycle bin
        kConflictCopy,  // localPath renamed to conflictPath (before the download that follows)
        kForget,        // the journal entry goes: neither side keeps the file
        kRecord,        // both sides hold the same file already: the journal takes them
    };
    Kind kind = Kind::kUpload;
    std::string localPath;
    std::string remotePath;
    std::string remoteId;
    std::string replacesRemoteId;
    bool replacesLocal = false;
    std::string conflictPath;
    LocalFileState local;    // the local side the action starts from (kUpload, kRecord)
    RemoteFileState remote;  // the remote side (kDownload, kRecord)
    // A folder (paths end with '/'): kUpload makes it on the disk, kDownload locally, the
    // trashes move it once nothing below it is left on that side.
    bool folder = false;
    // kUpload/kDownload that replace: the replaced file is the version both sides last agreed
    // on, unchanged since; the edit from the other side supersedes it.
    bool replacesSyncedVersion = false;

    // Counted by the safety rail: a deletion, or a replacement of a version that changed
    // since the last round or was never synced.
    bool destructive() const;
};

struct SyncPlan {
    enum class Verdict {
        kProceed,
        kAsk,     // more files deleted or replaced than the pair allows: the user decides
        kPaused,  // the local folder is gone: nothing is done, least of all deletions
    };
    Verdict verdict = Verdict::kProceed;
    std::vector<SyncAction> actions;
    int files = 0;        // files of the pair, on either side or in the journal
    int destructive = 0;  // actions that delete or replace
    // Local files whose names the service cannot take, with why; said once, left alone.
    std::vector<std::pair<std::string, std::string>> unsendable;
};

struct ReconcileInput {
    SyncMode mode = SyncMode::kBackup;
    LocalSnapshot local;
    std::vector<RemoteFileState> remote;
    std::vector<RemoteFileState> remoteFolders;  // path without the trailing '/', and id
    std::vector<JournalEntry> journal;
    // Goes into conflict copies' names ("report (冲突 20261209-170500).txt").
    std::string conflictStamp;
    // A round that would delete or replace more than this share of the pair's files asks first.
    double askAboveShare = 0.30;
    bool deletionsConfirmed = false;  // the user said yes to this round's share
};

// The three-way compare of local now, remote now and the journal: what to do per file.
// Pure; the same input gives the same plan.
SyncPlan reconcile(const ReconcileInput& input);

// `path` under the service's names (each component mapped), or why it cannot be sent.
struct RemotePathFor {
    std::string path;
    std::string problem;
};
RemotePathFor remotePathFor(const std::string& localPath);
// The local path a disk file is written to (each component made fit for a local folder).
std::string localPathFor(const std::string& remotePath);
// "dir/name (冲突 stamp).ext"
std::string conflictPathFor(const std::string& localPath, const std::string& stamp);

}  // namespace nubexa
