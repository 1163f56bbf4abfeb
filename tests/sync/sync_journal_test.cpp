#include "sync/sync_journal.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "store/local_store.h"
#include "store/store_gate.h"
#include "support/temp_dir.h"

namespace nubexa {
namespace {

class SyncJournalTest : public ::testing::Test {
protected:
    SyncJournalTest() : m_gate(m_dir.file("bin.db"), StoreOptions{200}) {}

    template <typename Work>
    auto run(Work&& work) {
        return m_gate.run([&](LocalStore& store) {
            SyncJournal journal(store);
            return work(journal, store);
        });
    }

    std::int64_t addPair(const std::string& userId, const std::string& folder) {
        SyncPair pair{0, userId, folder, "17", "\\photos", SyncMode::kTwoWay, 0};
        return run([&](SyncJournal& j, LocalStore&) { return j.addPair(pair); }).value_or(0);
    }

    test::TempDir m_dir;
    StoreGate m_gate;
};

JournalEntry sampleEntry(const std::string& localPath) {
    JournalEntry entry;
    entry.localPath = localPath;
    entry.remotePath = "q\uFF1Aa/" + localPath;
    entry.synced = true;
    entry.local = {localPath, 5'000'000'000, 1'733'760'000'123'456'789, 0xF000000000000001ULL};
    entry.remote = {entry.remotePath, "991", 5'000'000'000, "2026-12-09 17:00"};
    entry.digest = "d41d8cd98f00b204e9800998ecf8427e";
    entry.pending.kind = PendingAction::Kind::kDownload;
    entry.pending.remoteId = "992";
    entry.pending.remoteSize = 12;
    return entry;
}

TEST_F(SyncJournalTest, PairsAndEntriesComeBackAsStoredPerUserAndPair) {
    const std::int64_t mine = addPair("u1", "/home/u1/Photos");
    const std::int64_t other = addPair("u2", "/home/u2/Docs");
    ASSERT_GT(mine, 0);
    ASSERT_GT(other, mine);

    const auto pairs = run([](SyncJournal& j, LocalStore&) { return j.pairs("u1"); });
    ASSERT_TRUE(pairs.has_value());
    ASSERT_EQ(pairs->size(), 1u);
    EXPECT_EQ((*pairs)[0].localFolder, "/home/u1/Photos");
    EXPECT_EQ((*pairs)[0].mode, SyncMode::kTwoWay);
    EXPECT_EQ((*pairs)[0].remotePath, "\\photos");

    const JournalEntry entry = sampleEntry("a/b.txt");
    ASSERT_TRUE(run([&](SyncJournal& j, LocalStore&) {
        return j.put(mine, entry) && j.put(other, sampleEntry("x")) &&
               j.setLastSync(mine, 1'765'299'600);
    }));
    JournalEntry changed = entry;
    changed.pending = {};  // the transfer confirmed: the same row, no longer pending
    ASSERT_TRUE(run([&](SyncJournal& j, LocalStore&) { return j.put(mine, changed); }));

    const auto entries = run([&](SyncJournal& j, LocalStore&) { return j.entries(mine); });
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1u);
    const JournalEntry& back = (*entries)[0];
    EXPECT_EQ(back.remotePath, entry.remotePath);
    EXPECT_EQ(back.local.inode, entry.local.inode);  // all 64 bits
    EXPECT_EQ(back.local.mtime, entry.local.mtime);
    EXPECT_EQ(back.remote.size, entry.remote.size);
    EXPECT_EQ(back.digest, entry.digest);
    EXPECT_EQ(back.pending.kind, PendingAction::Kind::kNone);
    EXPECT_EQ(run([&](SyncJournal& j, LocalStore&) { return j.pairs("u1"); })->at(0).lastSyncAt,
              1'765'299'600);

    // Another user cannot remove the pair; its owner removes it with its journal.
    EXPECT_FALSE(run([&](SyncJournal& j, LocalStore&) { return j.removePair("u2", mine); }));
    ASSERT_TRUE(run([&](SyncJournal& j, LocalStore&) { return j.removePair("u1", mine); }));
    EXPECT_TRUE(run([&](SyncJournal& j, LocalStore&) { return j.entries(mine); })->empty());
    EXPECT_EQ(run([&](SyncJournal& j, LocalStore&) { return j.entries(other); })->size(), 1u);
}

// Whichever access of the removal fails, the pair and its journal stay together.
TEST_F(SyncJournalTest, ARemovalCutOffAtAnyWriteLeavesThePairWhole) {
    bool removed = false;
    for (int k = 1; !removed && k < 20; ++k) {
        const std::int64_t pair = addPair("u1", "/home/u1/P" + std::to_string(k));
        ASSERT_TRUE(
            run([&](SyncJournal& j, LocalStore&) { return j.put(pair, sampleEntry("f")); }));
        removed = run([&](SyncJournal& j, LocalStore& store) {
            store.failAccessAfter(k);
            const bool done = j.removePair("u1", pair);
            store.failAccessAfter(0);
            return done;
        });
        const auto pairs = run([](SyncJournal& j, LocalStore&) { return j.pairs("u1"); });
        const auto entries = run([&](SyncJournal& j, LocalStore&) { return j.entries(pair); });
        ASSERT_TRUE(pairs.has_value() && entries.has_value());
        bool listed = false;
        for (const SyncPair& p : *pairs)
            listed = listed || p.id == pair;
        EXPECT_EQ(listed, !removed) << "k=" << k;
        EXPECT_EQ(entries->size(), removed ? 0u : 1u) << "k=" << k;
    }
    EXPECT_TRUE(removed);
}

TEST_F(SyncJournalTest, AFailedWriteKeepsTheOldEntryAndAFailedReadIsNoEmptyJournal) {
    const std::int64_t pair = addPair("u1", "/home/u1/P");
    const JournalEntry old = sampleEntry("f");
    ASSERT_TRUE(run([&](SyncJournal& j, LocalStore&) { return j.put(pair, old); }));
    JournalEntry newer = old;
    newer.remote.id = "1000";
    EXPECT_FALSE(run([&](SyncJournal& j, LocalStore& store) {
        store.failAccessAfter(1);
        return j.put(pair, newer);
    }));
    EXPECT_EQ(run([&](SyncJournal& j, LocalStore&) { return j.entries(pair); })->at(0).remote.id,
              "991");

    EXPECT_FALSE(run([&](SyncJournal& j, LocalStore& store) {
                     store.failAccessAfter(1);
                     return j.entries(pair);
                 }).has_value());
    EXPECT_FALSE(run([&](SyncJournal& j, LocalStore& store) {
                     store.failAccessAfter(1);
                     return j.pairs("u1");
                 }).has_value());
}

// A bin.db of an earlier version, without the sync tables, gets them at its next opening.
TEST(SyncSchema, AnEarlierBinDbGainsTheTablesAndKeepsItsRows) {
    test::TempDir dir;
    const std::string path = dir.file("bin.db");
    {
        StoreGate gate(path);
        gate.run([](LocalStore& store) {
            ASSERT_TRUE(
                store.exec("DROP TABLE t_sync_journal; DROP TABLE t_sync_pair;"
                           "INSERT INTO t_user_log (user_id) VALUES ('old');"));
        });
    }
    StoreGate gate(path);
    const auto pairs = gate.run([](LocalStore& store) { return SyncJournal(store).pairs("old"); });
    ASSERT_TRUE(pairs.has_value());
    EXPECT_TRUE(pairs->empty());
    EXPECT_TRUE(gate.run([](LocalStore& store) {
                        return SyncJournal(store).addPair(
                            {0, "old", "/p", "1", "\\", SyncMode::kMirror, 0});
                    })
                    .has_value());
}

TEST(SyncFolderRule, PairsNeverNestAndNeverHoldTheDataFolder) {
    const std::vector<SyncPair> pairs = {
        {1, "u", "/home/u/Photos/", "1", "\\p", SyncMode::kBackup, 0}};
    const std::string data = "/home/u/.local/share/nubexa";
    EXPECT_EQ(syncFolderProblem("/home/u/Docs", pairs, data), SyncFolderProblem::kNone);
    EXPECT_EQ(syncFolderProblem("/home/u/Photos2", pairs, data), SyncFolderProblem::kNone);
    EXPECT_EQ(syncFolderProblem("/home/u/Photos", pairs, data), SyncFolderProblem::kSameAsAPair);
    EXPECT_EQ(syncFolderProblem("/home/u/Photos/2024/../2025", pairs, data),
              SyncFolderProblem::kInsideAPair);
    EXPECT_EQ(syncFolderProblem("/home/u", pairs, "/var/nubexa"), SyncFolderProblem::kHoldsAPair);
    EXPECT_EQ(syncFolderProblem("/home/u/.local", {}, data), SyncFolderProblem::kDataFolder);
    EXPECT_EQ(syncFolderProblem(data + "/nubexa-data", {}, data), SyncFolderProblem::kDataFolder);
    EXPECT_EQ(syncFolderProblem("Photos", {}, data), SyncFolderProblem::kNotAbsolute);
}

}  // namespace
}  // namespace nubexa
