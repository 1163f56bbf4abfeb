#include "session/sync_keeper.h"

#include <ctime>
#include <utility>
#include <vector>

#include "sync/folder_watcher.h"

namespace nubexa {

// The pairs' local folders under one watcher; a settled change marks its folder for a round.
class SyncKeeper::Watch : public FolderWatchListener {
public:
    Watch(SyncKeeper& keeper, std::chrono::milliseconds settle)
        : m_keeper(keeper),
          m_watcher(*this, FolderWatcher::Timing{settle, std::chrono::seconds(30)}) {}

    void foldersChanged(const std::vector<FolderChanges>& changes) override {
        {
            const std::lock_guard<std::mutex> lock(m_keeper.m_mutex);
            // Dropped events or not: the round scans the whole folder either way.
            for (const FolderChanges& change : changes)
                m_keeper.m_changedFolders.insert(change.root);
        }
        m_keeper.m_woken.notify_all();
    }

    FolderWatcher& watcher() { return m_watcher; }

private:
    SyncKeeper& m_keeper;
    FolderWatcher m_watcher;
};

SyncKeeper::SyncKeeper(ClientSession& session, TransferView& view, SyncKeeperOptions options,
                       SyncKeeperListener& listener)
    : m_session(session), m_view(view), m_options(std::move(options)), m_listener(listener) {}

SyncKeeper::~SyncKeeper() {
    stop();
}

void SyncKeeper::start() {
    if (m_thread.joinable())
        return;
    m_watch = std::make_unique<Watch>(*this, m_options.settle);
    m_thread = std::thread([this] { loop(); });
}

void SyncKeeper::stop() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        if (m_current != nullptr)
            m_current->stop();
    }
    m_woken.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    m_watch.reset();  // its thread joined before the keeper it reports to goes
}

void SyncKeeper::syncNow(std::int64_t pairId, bool confirmed) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (pairId == 0)
            m_allDue = true;
        else
            m_due.insert(pairId);
        if (confirmed)
            m_confirmed.insert(pairId);
    }
    m_woken.notify_all();
}

void SyncKeeper::pairsChanged() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_reread = true;
    }
    m_woken.notify_all();
}

void SyncKeeper::transfersMoved() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_awaiting.empty())
            return;
        m_due.insert(m_awaiting.begin(), m_awaiting.end());
        m_awaiting.clear();
    }
    m_woken.notify_all();
}

bool SyncKeeper::watching() const {
    return m_watch && m_watch->watcher().ok();
}

std::chrono::milliseconds SyncKeeper::interval() {
    if (m_options.interval)
        return *m_options.interval;
    const auto minutes = SyncPairs(m_session).checkMinutes();
    return std::chrono::minutes(minutes.value_or(SyncPairs::kDefaultCheckMinutes));
}

void SyncKeeper::loop() {
    // The first round of every pair at once.
    auto lastAll = std::chrono::steady_clock::time_point::min();
    for (;;) {
        bool all = false;
        std::set<std::int64_t> due;
        std::set<std::int64_t> confirmed;
        std::set<std::string> changed;
        // A changed choice (pairsChanged wakes the loop) moves the next round of all.
        const auto nextAll = lastAll == std::chrono::steady_clock::time_point::min()
                                 ? lastAll
                                 : lastAll + interval();
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            // The periodic round is a deadline of this wait; everything else is pushed.
            m_woken.wait_until(lock, nextAll, [this] {
                return m_stop || m_allDue || m_reread || !m_due.empty() ||
                       !m_changedFolders.empty();
            });
            if (m_stop)
                return;
            const auto now = std::chrono::steady_clock::now();
            all = std::exchange(m_allDue, false) || now >= nextAll;
            if (all)
                lastAll = now;
            m_reread = false;
            due = std::exchange(m_due, {});
            confirmed = std::exchange(m_confirmed, {});
            changed = std::exchange(m_changedFolders, {});
        }
        // Read each time: pairs added or removed meanwhile, and their last sync, as they are.
        const auto pairs = SyncPairs(m_session).list();
        if (!pairs)
            continue;
        std::vector<std::string> folders;
        for (const SyncPair& pair : *pairs)
            folders.push_back(pair.localFolder);
        m_watch->watcher().watchOnly(folders);
        for (const SyncPair& pair : *pairs) {
            if (all || due.count(pair.id) != 0 || changed.count(pair.localFolder) != 0)
                runRound(pair, confirmed.count(pair.id) != 0 || confirmed.count(0) != 0);
        }
    }
}

void SyncKeeper::runRound(const SyncPair& pair, bool confirmed) {
    SyncRound round(m_session, pair, m_view);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stop)
            return;
        m_current = &round;
    }
    m_listener.roundStarted(pair);
    SyncRoundOptions options = m_options.round;
    options.deletionsConfirmed = options.deletionsConfirmed || confirmed;
    const SyncRoundResult result = round.run(options);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_current = nullptr;
        if (result.awaitsTransfers)
            m_awaiting.insert(pair.id);
    }
    if (result.end == SyncRoundResult::End::kInterrupted)
        return;
    SyncPair after = pair;
    if (result.end == SyncRoundResult::End::kDone)
        after.lastSyncAt = static_cast<std::int64_t>(std::time(nullptr));
    m_listener.roundEnded(after, result);
}

}  // namespace nubexa
