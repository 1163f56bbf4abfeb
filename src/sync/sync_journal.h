#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sync/sync_types.h"

namespace nubexa {

class LocalStore;

// The statements on sync folders: the user's pairs and each pair's journal in bin.db. A view
// over the connection of the caller's bracket. Reads say when they failed (nullopt), so that
// a journal that could not be read is never taken for an empty one.
class SyncJournal {
public:
    explicit SyncJournal(LocalStore& store) : m_store(store) {}

    // The new pair's id; nullopt when it was not stored.
    std::optional<std::int64_t> addPair(const SyncPair& pair);
    std::optional<std::vector<SyncPair>> pairs(const std::string& userId);
    // The pair and its journal, together or not at all. False also when the user has no such
    // pair.
    bool removePair(const std::string& userId, std::int64_t pairId);
    bool setLastSync(std::int64_t pairId, std::int64_t secondsSinceEpoch);
    // How often the user's pairs look at the disk, in minutes: 0 when never chosen, nullopt
    // when bin.db could not be read.
    std::optional<int> checkMinutes(const std::string& userId);
    bool setCheckMinutes(const std::string& userId, int minutes);

    std::optional<std::vector<JournalEntry>> entries(std::int64_t pairId);
    // Adds the entry or replaces the one of its local path.
    bool put(std::int64_t pairId, const JournalEntry& entry);
    // put() for each, in one transaction: all or none.
    bool putAll(std::int64_t pairId, const std::vector<JournalEntry>& entries);
    bool forget(std::int64_t pairId, const std::string& localPath);

private:
    LocalStore& m_store;
};

}  // namespace nubexa
