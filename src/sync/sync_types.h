#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A sync folder's values: the pair, its journal and the two sides as a round finds them.
// Plain values; front ends may include this header.
namespace nubexa {

enum class SyncMode {
    kBackup,  // local to disk; nothing on the disk is deleted
    kMirror,  // disk to local; a file changed locally is never overwritten
    kTwoWay,  // both ways; deletions go to a trash, edits on both sides keep both
};

// "backup", "mirror", "two-way" and back; nullopt for any other word.
const char* syncModeName(SyncMode mode);
std::optional<SyncMode> syncModeFromName(const std::string& name);

// A local folder kept in step with a disk folder, for one user.
struct SyncPair {
    std::int64_t id = 0;
    std::string userId;
    std::string localFolder;     // absolute, without a trailing separator
    std::string remoteFolderId;  // the disk folder's id
    std::string remotePath;      // as shown ("\\photos"), for the user
    SyncMode mode = SyncMode::kBackup;
    std::int64_t lastSyncAt = 0;  // seconds since the epoch; 0: never
};

// Why a local folder cannot be the local side of a new pair. Pairs never nest: a file in two
// pairs would be synced twice, and the client's own data folder (bin.db) is never synced.
enum class SyncFolderProblem {
    kNone,
    kNotAbsolute,
    kSameAsAPair,
    kInsideAPair,
    kHoldsAPair,
    kDataFolder,  // the data folder is the folder, inside it, or holds it
};
SyncFolderProblem syncFolderProblem(const std::string& localFolder,
                                    const std::vector<SyncPair>& pairs,
                                    const std::string& dataFolder);

// Paths of a pair's files are relative to its folders, components joined with '/'.

struct LocalFileState {
    std::string path;
    std::int64_t size = 0;
    std::int64_t mtime = 0;  // nanoseconds since the epoch
    std::uint64_t inode = 0;
};

struct RemoteFileState {
    std::string path;  // the service's names
    std::string id;
    std::int64_t size = 0;
    std::string time;  // as the listing gives it
};

// What a round started but could not yet confirm. The next round looks whether it happened
// after all, so that an interrupted transfer is neither lost nor done twice.
struct PendingAction {
    enum class Kind { kNone, kUpload, kDownload };
    Kind kind = Kind::kNone;
    LocalFileState local;  // kUpload: the local file as it went up
    std::string remoteId;  // kDownload: the disk file that came down
    std::int64_t remoteSize = 0;
};

// The last state both sides agreed on, per file of a pair. The paths are localPath and
// remotePath: read from the journal, the states' own paths are left empty, so that a large
// pair's paths are not held three times over.
struct JournalEntry {
    std::string localPath;
    std::string remotePath;  // differs from localPath where a name was mapped
    bool synced = false;     // false: only a pending action is known so far
    LocalFileState local;
    RemoteFileState remote;
    std::string digest;  // the content's MD5 where known
    PendingAction pending;
};

// The local tree as a scan found it.
struct LocalSnapshot {
    bool rootPresent = true;  // false: the folder itself is gone (an unmounted disk)
    std::vector<LocalFileState> files;
    std::vector<std::string> folders;  // every folder below the top, empty ones included
    // Folders that could not be read: nothing below them counts as deleted.
    std::vector<std::string> unreadableFolders;
};

}  // namespace nubexa
