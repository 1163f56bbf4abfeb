#include "sync/sync_journal.h"

#include "store/local_store.h"
#include "store/statements.h"

namespace nubexa {

namespace st = statements;

std::optional<std::int64_t> SyncJournal::addPair(const SyncPair& pair) {
    StoreCommand command(m_store, st::kInsertSyncPair);
    command.bindText(1, pair.userId);
    command.bindText(2, pair.localFolder);
    command.bindText(3, pair.remoteFolderId);
    command.bindText(4, pair.remotePath);
    command.bindText(5, syncModeName(pair.mode));
    if (!command.execute())
        return std::nullopt;
    StoreQuery id = m_store.prepareQuery(st::kLastInsertId);
    if (!id.next())
        return std::nullopt;
    return id.int64At(0);
}

std::optional<std::vector<SyncPair>> SyncJournal::pairs(const std::string& userId) {
    StoreQuery query = m_store.prepareQuery(st::kReadSyncPairs);
    query.bindText(1, userId);
    std::vector<SyncPair> pairs;
    while (query.next()) {
        SyncPair pair;
        pair.id = query.int64At(0);
        pair.userId = query.textAt(1);
        pair.localFolder = query.textAt(2);
        pair.remoteFolderId = query.textAt(3);
        pair.remotePath = query.textAt(4);
        // A mode this version does not know is read as the one that never deletes.
        pair.mode = syncModeFromName(query.textAt(5)).value_or(SyncMode::kBackup);
        pair.lastSyncAt = query.int64At(6);
        pairs.push_back(std::move(pair));
    }
    if (query.failed())
        return std::nullopt;
    return pairs;
}

bool SyncJournal::removePair(const std::string& userId, std::int64_t pairId) {
    if (!m_store.begin())
        return false;
    StoreCommand pair(m_store, st::kDeleteSyncPair);
    pair.bindInt64(1, pairId);
    pair.bindText(2, userId);
    bool done = pair.execute() && pair.changes() == 1;
    if (done) {
        StoreCommand journal(m_store, st::kDeleteSyncJournal);
        journal.bindInt64(1, pairId);
        done = journal.execute();
    }
    if (done && m_store.commit())
        return true;
    m_store.rollback();
    return false;
}

bool SyncJournal::setLastSync(std::int64_t pairId, std::int64_t secondsSinceEpoch) {
    StoreCommand command(m_store, st::kSetSyncPairDone);
    command.bindInt64(1, secondsSinceEpoch);
    command.bindInt64(2, pairId);
    return command.execute() && command.changes() == 1;
}

std::optional<int> SyncJournal::checkMinutes(const std::string& userId) {
    StoreQuery query = m_store.prepareQuery(st::kReadSyncCheckMinutes);
    query.bindText(1, userId);
    const int minutes = query.next() ? static_cast<int>(query.int64At(0)) : 0;
    if (query.failed())
        return std::nullopt;
    return minutes;
}

bool SyncJournal::setCheckMinutes(const std::string& userId, int minutes) {
    StoreCommand command(m_store, st::kSetSyncCheckMinutes);
    command.bindText(1, userId);
    command.bindInt64(2, minutes);
    return command.execute();
}

std::optional<std::vector<JournalEntry>> SyncJournal::entries(std::int64_t pairId) {
    StoreQuery query = m_store.prepareQuery(st::kReadSyncJournal);
    query.bindInt64(1, pairId);
    std::vector<JournalEntry> entries;
    while (query.next()) {
        JournalEntry entry;
        entry.localPath = query.textAt(0);
        entry.remotePath = query.textAt(1);
        entry.synced = query.intAt(2) != 0;
        entry.local = {
            {}, query.int64At(3), query.int64At(4), static_cast<std::uint64_t>(query.int64At(5))};
        entry.remote = {{}, query.textAt(6), query.int64At(7), query.textAt(8)};
        entry.digest = query.textAt(9);
        const int kind = query.intAt(10);
        entry.pending.kind = kind == 1   ? PendingAction::Kind::kUpload
                             : kind == 2 ? PendingAction::Kind::kDownload
                                         : PendingAction::Kind::kNone;
        entry.pending.local = {{},
                               query.int64At(11),
                               query.int64At(12),
                               static_cast<std::uint64_t>(query.int64At(13))};
        entry.pending.remoteId = query.textAt(14);
        entry.pending.remoteSize = query.int64At(15);
        entries.push_back(std::move(entry));
    }
    if (query.failed())
        return std::nullopt;
    return entries;
}

bool SyncJournal::put(std::int64_t pairId, const JournalEntry& entry) {
    StoreCommand command(m_store, st::kPutSyncJournal);
    int kind = 0;
    if (entry.pending.kind == PendingAction::Kind::kUpload)
        kind = 1;
    else if (entry.pending.kind == PendingAction::Kind::kDownload)
        kind = 2;
    command.bindInt64(1, pairId);
    command.bindText(2, entry.localPath);
    command.bindText(3, entry.remotePath);
    command.bindInt(4, entry.synced ? 1 : 0);
    command.bindInt64(5, entry.local.size);
    command.bindInt64(6, entry.local.mtime);
    command.bindInt64(7, static_cast<std::int64_t>(entry.local.inode));
    command.bindText(8, entry.remote.id);
    command.bindInt64(9, entry.remote.size);
    command.bindText(10, entry.remote.time);
    command.bindText(11, entry.digest);
    command.bindInt(12, kind);
    command.bindInt64(13, entry.pending.local.size);
    command.bindInt64(14, entry.pending.local.mtime);
    command.bindInt64(15, static_cast<std::int64_t>(entry.pending.local.inode));
    command.bindText(16, entry.pending.remoteId);
    command.bindInt64(17, entry.pending.remoteSize);
    return command.execute();
}

bool SyncJournal::putAll(std::int64_t pairId, const std::vector<JournalEntry>& entries) {
    if (!m_store.begin())
        return false;
    for (const JournalEntry& entry : entries) {
        if (!put(pairId, entry)) {
            m_store.rollback();
            return false;
        }
    }
    if (m_store.commit())
        return true;
    m_store.rollback();
    return false;
}

bool SyncJournal::forget(std::int64_t pairId, const std::string& localPath) {
    StoreCommand command(m_store, st::kForgetSyncJournal);
    command.bindInt64(1, pairId);
    command.bindText(2, localPath);
    return command.execute();
}

}  // namespace nubexa
