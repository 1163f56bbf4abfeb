#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "session/sync_round.h"

namespace nubexa {

class ClientSession;
class FolderWatcher;
class TransferView;

struct SyncKeeperOptions {
    SyncRoundOptions round;  // deletionsConfirmed: every round goes ahead past the rail
    // The periodic round of every pair: the safety net for what the watcher cannot see (a
    // change on the disk, events the kernel dropped, a folder it could not watch). Unset: the
    // user's choice (SyncPairs::checkMinutes), read again at every wake.
    std::optional<std::chrono::milliseconds> interval;
    // How long a local folder must be quiet (and its files closed) before its round.
    std::chrono::milliseconds settle{std::chrono::milliseconds(500)};
};

// Hears the keeper's rounds, on the keeper's thread; must not block for long.
class SyncKeeperListener {
public:
    virtual ~SyncKeeperListener() = default;
    virtual void roundStarted(const SyncPair& /*pair*/) {}
    // `pair` as it stands after the round (lastSyncAt set by a round that ended kDone).
    virtual void roundEnded(const SyncPair& pair, const SyncRoundResult& result) = 0;
};

// Keeps every pair of the signed-in user in step on a thread of its own: a round of each at
// start and every interval, a round of a pair soon after its local folder changed (inotify,
// once the change settled), and, where the queue is driven elsewhere, a round as soon as the
// transfers a round queued have moved, so that the disk is listed again at once rather than
// at the next interval. Front ends push
// requests (syncNow, pairsChanged, transfersMoved) from any thread; nothing polls. The
// owner starts it after sign-in (holding the queue's lock where rounds drive the queue) and
// stops it, or destroys it, before the session ends.
class SyncKeeper {
public:
    SyncKeeper(ClientSession& session, TransferView& view, SyncKeeperOptions options,
               SyncKeeperListener& listener);
    ~SyncKeeper();  // stop()
    SyncKeeper(const SyncKeeper&) = delete;
    SyncKeeper& operator=(const SyncKeeper&) = delete;

    void start();
    // Any thread: the round under way stops (its transfers resumable); the thread is joined.
    void stop();

    // Any thread, without waiting. A round of `pairId` (0: every pair) soon; `confirmed`: it
    // goes ahead past the rail (the user said yes).
    void syncNow(std::int64_t pairId = 0, bool confirmed = false);
    // Pairs were added or removed: they are read again and their folders watched.
    void pairsChanged();
    // The queue finished transfers: pairs whose rounds queued some are looked at again.
    void transfersMoved();
    // False when the local folders cannot be watched (only the periodic round remains).
    bool watching() const;

private:
    class Watch;
    void loop();
    std::chrono::milliseconds interval();
    void runRound(const SyncPair& pair, bool confirmed);

    ClientSession& m_session;
    TransferView& m_view;
    const SyncKeeperOptions m_options;
    SyncKeeperListener& m_listener;
    std::unique_ptr<Watch> m_watch;

    mutable std::mutex m_mutex;
    std::condition_variable m_woken;
    bool m_stop = false;                     // guarded by m_mutex
    bool m_allDue = true;                    // guarded by m_mutex
    bool m_reread = true;                    // guarded by m_mutex
    std::set<std::int64_t> m_due;            // guarded by m_mutex
    std::set<std::int64_t> m_confirmed;      // guarded by m_mutex
    std::set<std::int64_t> m_awaiting;       // guarded by m_mutex: rounds that queued transfers
    std::set<std::string> m_changedFolders;  // guarded by m_mutex: local folders that changed
    SyncRound* m_current = nullptr;          // guarded by m_mutex
    std::thread m_thread;
};

}  // namespace nubexa
