#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "service/service_result.h"
#include "session/queue_run.h"
#include "sync/sync_types.h"

namespace nubexa {

struct SyncAction;

class ClientSession;
class TransferView;

// The signed-in user's sync pairs (bin.db). Blocking; any thread.
struct SyncPairAdded {
    enum class Outcome {
        kAdded,
        kFolderRefused,
        kNoSuchLocalFolder,
        kStoreFailed,
        kTopFolder,     // the disk's top folder cannot be a pair's
        kNoDiskFolder,  // the disk folder could not be found or made
    };
    Outcome outcome = Outcome::kStoreFailed;
    SyncFolderProblem problem = SyncFolderProblem::kNone;  // kFolderRefused: why
    Failure diskFailure = Failure::kNone;                  // kNoDiskFolder: why
    std::string diskMessage;                               // kNoDiskFolder: the service's words
    std::int64_t id = 0;
    SyncPair pair;  // kAdded: as stored
};
class SyncPairs {
public:
    explicit SyncPairs(ClientSession& session) : m_session(session) {}

    // `pair.userId` and `pair.id` are set here. The local folder must exist; it may not lie in
    // or hold another pair's or the client's data folder.
    SyncPairAdded add(SyncPair pair);
    // Whether add() would take `localFolder` (kAdded, id 0), without adding anything: a front
    // end asks before it makes the disk folder.
    SyncPairAdded check(const std::string& localFolder);
    // A pair of `localFolder` and the disk folder at `diskPath` ("/备份/照片"), which is made
    // where missing once the local folder is found fit.
    SyncPairAdded addAtPath(const std::string& localFolder, const std::string& diskPath,
                            SyncMode mode);
    // nullopt: bin.db could not be read.
    std::optional<std::vector<SyncPair>> list();
    // False when the user has no such pair or bin.db refused.
    bool remove(std::int64_t pairId);

    // How often the pairs look at the disk for its changes, as the user chose
    // (kCheckMinutesRange), else kDefaultCheckMinutes; nullopt when bin.db could not be read.
    static constexpr int kDefaultCheckMinutes = 5;
    static constexpr std::pair<int, int> kCheckMinutesRange{1, 240};
    std::optional<int> checkMinutes();
    // False when bin.db refused; a choice outside the range is taken as its nearest end.
    bool setCheckMinutes(int minutes);

private:
    ClientSession& m_session;
};

struct SyncRoundOptions {
    QueueRunOptions run;  // how the round's transfers are driven
    double askAboveShare = 0.30;
    bool deletionsConfirmed = false;
    std::string trashFolder;  // the desktop's trash; empty: the user's
    // False where the queue is driven already (the desktop client): the round queues its
    // transfers and ends kUnfinished with awaitsTransfers; a round after them confirms them.
    bool driveQueue = true;
};

struct SyncRoundResult {
    enum class End {
        kDone,           // every action of the plan was carried out and recorded
        kUnfinished,     // some action failed or a transfer did not complete: the next round
                         // takes it up
        kAsk,            // too many deletions or replacements: nothing was done
        kPaused,         // the local folder is gone: nothing was done
        kListingFailed,  // the disk folder could not be listed: nothing was done
        kStoreFailed,    // bin.db refused: the round stopped where it was
        kInterrupted,    // stop() while transfers ran
    };
    End end = End::kDone;
    Failure listingFailure = Failure::kNone;  // kListingFailed: why
    int uploaded = 0;
    int downloaded = 0;
    int trashedLocal = 0;
    int trashedRemote = 0;
    int conflicts = 0;
    int failed = 0;
    bool awaitsTransfers = false;  // driveQueue false: transfers were queued for the queue
    int destructive = 0;           // kAsk: what the round would delete or replace
    int files = 0;                 // of the pair
    std::vector<std::pair<std::string, std::string>> skipped;   // local path, why (said once)
    std::vector<std::pair<std::string, std::string>> problems;  // what failed (path, why)
};

// One round of one pair: scan the local folder, list the disk folder (GetFilesWhitPath),
// compare both with the journal and carry out the plan. A transfer is noted in the journal as
// pending before it is queued and recorded as synced only when the next look finds it done,
// so a round cut off at any point (killed, network, bin.db) leaves what the next round
// finishes without loss or a second copy. Uploads and downloads go through the queue, with
// its resume, limits and encryption. After signing in and startTransfers, holding the queue's
// lock; blocking, on the session's owner thread (it drives the queue).
class SyncRound {
public:
    SyncRound(ClientSession& session, SyncPair pair, TransferView& view)
        : m_session(session), m_pair(std::move(pair)), m_view(view) {}

    SyncRoundResult run(const SyncRoundOptions& options);
    // Any thread: the round stops before its next step, transfers under way stop with their
    // rows resumable, and run() ends with kInterrupted. What was done is in the journal.
    void stop();

private:
    bool stopped();
    // Conflicts whose two sides hold the same bytes (a first round over folders that already
    // match, the same edit made on both sides) become records: no copy, no download. A file
    // that could not be compared keeps both versions, as any conflict does.
    void settleSameBytes(std::vector<SyncAction>& actions);
    // The pair's last sync set to now: kDone, or kStoreFailed when bin.db refused.
    SyncRoundResult stampDone(SyncRoundResult& result);

    ClientSession& m_session;
    const SyncPair m_pair;
    TransferView& m_view;
    std::atomic<bool> m_stopFlag{false};  // m_stopped, for the file server's reads
    std::mutex m_mutex;
    bool m_stopped = false;          // guarded by m_mutex
    QueueRun* m_queueRun = nullptr;  // guarded by m_mutex: the one running
};

}  // namespace nubexa
