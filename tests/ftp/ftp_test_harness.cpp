#include "ftp_test_harness.h"

#include <future>

namespace nubexa::test {

std::string patternBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<char>(state >> 24);
    }
    return bytes;
}

FtpTest::FtpTest() : m_gate(m_dir.file("bin.db"), StoreOptions{2000}) {
    std::filesystem::create_directories(local());
}

FtpOptions FtpTest::fastOptions() {
    FtpOptions options;
    options.limits.connect = std::chrono::milliseconds(1000);
    options.limits.reply = std::chrono::milliseconds(1500);
    options.limits.dataIdle = std::chrono::milliseconds(1500);
    options.trace = nullptr;
    return options;
}

std::unique_ptr<FTPClient> FtpTest::makeClient(std::uint16_t port, FtpOptions options,
                                               int serverKind, const std::string& user,
                                               const std::string& password) {
    return std::make_unique<FTPClient>("127.0.0.1", port, user, password, serverKind, m_rows,
                                       m_notifier, options);
}

TransferTask FtpTest::addDownload(const std::string& remoteName, const std::string& localName,
                                  std::int64_t size) {
    const auto id = m_gate.run([&](LocalStore& store) {
        TaskTable tasks(store);
        tasks.insertFileDownload(
            {"u1", local(), localName, remoteName, size, task_status::kRunning, "\\", ""});
        return tasks.lastInsertedId();
    });
    return reload(id);
}

TransferTask FtpTest::addUpload(const std::string& localName, std::int64_t size,
                                const std::string& parentId) {
    const auto id = m_gate.run([&](LocalStore& store) {
        TaskTable tasks(store);
        tasks.insertFileUpload(
            {"u1", local(), localName, localName, size, task_status::kRunning, "\\", parentId});
        return tasks.lastInsertedId();
    });
    return reload(id);
}

void FtpTest::recordDone(std::int64_t id, std::int64_t done, std::int64_t size) {
    m_gate.run([&](LocalStore& store) {
        TaskTable(store).writeProgress(
            {id, size, done, size > 0 ? static_cast<int>(done * 100 / size) : 0, 0});
    });
}

StoredTask FtpTest::row(std::int64_t id) {
    auto task = m_gate.run([&](LocalStore& store) { return TaskTable(store).load(id); });
    EXPECT_TRUE(task.has_value()) << "task " << id;
    return task.value_or(StoredTask{});
}

void FtpTest::setStatusPaused(std::int64_t id) {
    m_gate.run([&](LocalStore& store) { TaskTable(store).pause(id); });
}

std::vector<TaskRange> FtpTest::savedRanges(std::int64_t id) {
    return m_gate.run([&](LocalStore& store) { return TaskTable(store).loadRanges(id); });
}

FtpOptions FtpTest::rangedOptions(FtpOptions options) {
    options.ranges.threshold = 1 << 20;
    options.ranges.smallest = 256 << 10;
    options.ranges.probe = std::chrono::milliseconds(0);  // ranges from the first byte
    return options;
}

namespace {

std::vector<TaskRange> partlyDone(const std::vector<TaskRange>& ranges) {
    std::vector<TaskRange> partly;
    for (const TaskRange& range : ranges) {
        if (range.done > 0 && range.start + range.done < range.end)
            partly.push_back(range);
    }
    return partly;
}

}  // namespace

void FtpTest::pausedRangesResumeByteExact(const Connect& connect, const std::string& remoteName,
                                          const std::string& bytes) {
    using namespace std::chrono_literals;
    const auto size = static_cast<std::int64_t>(bytes.size());
    auto task = addDownload(remoteName, "ranged.bin", size);
    // Slow enough (the limit is shared by the ranges) to be caught in mid-transfer.
    FtpOptions slow = rangedOptions();
    slow.maxBytesPerSecond = 4 << 20;
    auto client = connect(slow);
    ASSERT_TRUE(client);
    client->setDownloadConnections(4);
    auto running = std::async(std::launch::async, [&] { return client->Download(task); });
    const bool caught =
        waitUntil([&] { return partlyDone(savedRanges(task.id)).size() >= 2; }, 20s);
    setStatusPaused(task.id);
    ASSERT_EQ(running.wait_for(20s), std::future_status::ready);
    ASSERT_TRUE(caught) << "never two ranges under way at once";
    EXPECT_EQ(running.get(), 1);
    EXPECT_EQ(client->lastRunEnd(), RunEnd::kStopped);
    client.reset();

    const auto saved = savedRanges(task.id);
    const auto partly = partlyDone(saved);
    ASSERT_GE(partly.size(), 2U);
    std::int64_t recorded = 0;
    for (const TaskRange& range : saved)
        recorded += range.done;
    EXPECT_EQ(recorded, row(task.id).transferSize) << "the row shows the sum of the ranges";
    EXPECT_FALSE(std::filesystem::exists(localFile("ranged.bin")));

    m_gate.run([&](LocalStore& store) { TaskTable(store).resume(task.id); });
    SharedTrace trace;
    FtpOptions options = rangedOptions();
    options.trace = trace.sink();
    auto again = reload(task.id);
    auto second = connect(options);
    ASSERT_TRUE(second);
    // Fewer connections than ranges: each connection goes on with another range after one.
    second->setDownloadConnections(2);
    EXPECT_EQ(second->Download(again), 1);
    EXPECT_EQ(second->lastRunEnd(), RunEnd::kCompleted);
    second.reset();
    for (const TaskRange& range : partly)
        EXPECT_TRUE(trace.contains("REST " + std::to_string(range.start + range.done) + "\r\n"))
            << "range " << range.start << " did not go on from its recorded byte";
    EXPECT_TRUE(readFile(localFile("ranged.bin")) == bytes);
    EXPECT_FALSE(std::filesystem::exists(partialFile("ranged.bin")));
    EXPECT_EQ(row(task.id).transferSchedule, 100);
    EXPECT_TRUE(savedRanges(task.id).empty());
}

void FtpTest::setStatusDeleted(std::int64_t id) {
    m_gate.run([&](LocalStore& store) { TaskTable(store).remove(id); });
}

}  // namespace nubexa::test
