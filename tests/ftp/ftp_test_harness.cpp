#include "ftp_test_harness.h"

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

void FtpTest::setStatusDeleted(std::int64_t id) {
    m_gate.run([&](LocalStore& store) { TaskTable(store).remove(id); });
}

}  // namespace nubexa::test
