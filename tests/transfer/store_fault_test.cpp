// bin.db failing at any moment of a run: for every k, the k-th access of the run fails (as a
// full disk would), then a new run goes on. Each ends as a run without a fault ends: every
// file byte-exact, each upload registered once, no task lost or doubled.
#include <filesystem>
#include <map>

#include "transfer_fixture.h"

namespace nubexa::test {
namespace {

namespace fs = std::filesystem;

class StoreFault : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        // A refused write holds starting back only briefly: each run stays short.
        m_settings.storeRetry = std::chrono::milliseconds(20);
        m_up["one.bin"] = makeLocal("up/one.bin", 70000, 1);
        m_up["two.txt"] = makeLocal("up/two.txt", 5, 2);
        m_tree["a.txt"] = makeLocal("tree/a.txt", 3, 3);
        m_tree["sub/b.bin"] = makeLocal("tree/sub/b.bin", 9000, 4);
        m_downBytes = patternBytes(50000, 5);
        m_downItem = putRemoteFile({}, "down.bin", m_downBytes);
        const RemoteFolder remote = makeRemoteFolder("shared");
        m_remoteTree["x.txt"] = patternBytes(7, 6);
        m_remoteTree["y.bin"] = patternBytes(20000, 7);
        for (const auto& [name, bytes] : m_remoteTree)
            putRemoteFile(remote, name, bytes);
        m_remoteFolder = DiskItem{remote.id, "shared", "", "0", true};
        dropManager();
    }

    std::string makeLocal(const std::string& relative, std::size_t size, unsigned seed) {
        makeFile(relative, size, seed);
        return readFile(localDir() + "/" + relative);
    }

    // A bin.db of its own for round `round` and the queue in it: two uploads and a folder
    // into a disk folder of the round's own, a file and a folder down into a local folder of
    // its own. All wait for the run.
    std::vector<std::int64_t> queueRound(int round) {
        m_gate = std::make_unique<StoreGate>(roundFolder(round) + ".db");
        m_settings.startAtOnce = false;
        m_target = makeRemoteFolder("round" + std::to_string(round));
        fs::create_directories(roundFolder(round));
        for (const auto& [name, bytes] : m_up)
            EXPECT_TRUE(queue().QueueFileUpload(localDir() + "/up/" + name, m_target).queued);
        EXPECT_FALSE(
            queue().QueueFolderUpload(localDir() + "/tree", m_target).remoteFolderId.empty());
        EXPECT_TRUE(queue().QueueFileDownload(m_downItem, roundFolder(round), {}).queued);
        EXPECT_EQ(queue().QueueFolderDownload(m_remoteFolder, roundFolder(round)), 1);
        dropManager();
        m_settings.startAtOnce = true;
        return rowIds();
    }

    std::string roundFolder(int round) const {
        return m_dir.path() + "/round" + std::to_string(round);
    }

    std::vector<std::int64_t> rowIds() {
        return m_gate->run([](LocalStore& store) {
            std::vector<std::int64_t> ids;
            auto query = store.prepareQuery("SELECT id FROM t_process_list ORDER BY id");
            while (query.next())
                ids.push_back(query.int64At(0));
            return ids;
        });
    }

    // One run as "nubexa-cli run" makes it: rows a dead run left running wait again, then the
    // monitor until nothing runs or waits. With `failAt`, that access of the run fails.
    void run(std::int64_t failAt) {
        manager().recoverInterrupted();
        if (failAt > 0)
            m_gate->run([&](LocalStore& store) { store.failAccessAfter(failAt); });
        const bool ended = tickUntil(
            [&] { return manager().workers().liveCount() == 0 && !monitor().anythingWaiting(); },
            std::chrono::seconds(30));
        EXPECT_TRUE(ended) << "a run with access " << failAt << " failing never ended";
        dropManager();
        // A run slower than the counting one makes fewer progress writes: a fault it never
        // reached must not fire in the next run's checks.
        if (failAt > 0)
            m_gate->run([](LocalStore& store) { store.failAccessAfter(0); });
    }

    std::int64_t accesses() {
        return m_gate->run([](LocalStore& store) { return store.accesses(); });
    }

    // What a run without a fault leaves: every row finished, once; every file where it belongs.
    void expectFinished(int round, const std::vector<std::int64_t>& queued, std::int64_t failAt) {
        SCOPED_TRACE("access " + std::to_string(failAt) + " failed");
        EXPECT_EQ(rowIds(), queued) << "no task lost or doubled";
        for (const auto id : queued)
            EXPECT_TRUE(complete(id)) << "task " << id << ": " << stateOf(id);
        const auto uploaded = remoteFiles(m_target.id);
        EXPECT_EQ(uploaded.size(), m_up.size()) << "each upload registered once";
        for (const auto& [name, bytes] : m_up)
            EXPECT_EQ(uploaded.count(name), 1u) << name;
        const auto folders = remoteFolders(m_target.id);
        ASSERT_EQ(folders.count("tree"), 1u);
        const auto tree = remoteFiles(folders.at("tree"));
        EXPECT_EQ(tree.size(), 1u);
        EXPECT_EQ(tree.count("a.txt"), 1u);
        const std::string here = roundFolder(round);
        std::map<std::string, std::string> local;
        for (const auto& entry : fs::recursive_directory_iterator(here)) {
            if (entry.is_regular_file())
                local[fs::relative(entry.path(), here).string()] = readFile(entry.path().string());
        }
        std::map<std::string, std::string> expected{{"down.bin", m_downBytes}};
        for (const auto& [name, bytes] : m_remoteTree)
            expected["shared/" + name] = bytes;
        EXPECT_EQ(local.size(), expected.size());
        for (const auto& [name, bytes] : expected)
            EXPECT_TRUE(local.count(name) == 1 && local.at(name) == bytes) << name;
    }

    std::map<std::string, std::string> remoteFolders(const std::string& folderId) {
        const AccountInfo account = m_client->account();
        std::map<std::string, std::string> folders;
        EXPECT_EQ(m_client->GetFiles(account.uid, account.token, folderId, "name", "0"), 1);
        m_client->readTables([&](const DiskTables& tables) {
            for (const auto& folder : listedEntries(tables.disk_folders))
                folders[folder.name] = folder.id;
        });
        return folders;
    }

    std::map<std::string, std::string> m_up;
    std::map<std::string, std::string> m_tree;
    std::map<std::string, std::string> m_remoteTree;
    std::string m_downBytes;
    DiskItem m_downItem;
    DiskItem m_remoteFolder;
    RemoteFolder m_target;
};

TEST_F(StoreFault, AFailureAtAnyAccessOfARunEndsAsARunWithoutOne) {
    // The run without a fault tells how many accesses a run makes.
    auto queued = queueRound(0);
    const std::int64_t before = accesses();
    run(0);
    const std::int64_t runAccesses = accesses() - before;
    expectFinished(0, queued, 0);
    ASSERT_GT(runAccesses, 20);
    ASSERT_LT(runAccesses, 400) << "a longer run would make this loop too slow";

    for (std::int64_t k = 1; k <= runAccesses && !HasFatalFailure(); ++k) {
        const int round = static_cast<int>(k);
        queued = queueRound(round);
        run(k);
        run(0);
        expectFinished(round, queued, k);
        m_gate.reset();
    }
}

}  // namespace
}  // namespace nubexa::test
