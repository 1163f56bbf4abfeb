#include "transfer_fixture.h"

#include <ace/Log_Msg.h>

#include <filesystem>
#include <random>
#include <thread>

#include "platform/paths.h"
#include "standin/local_standin.h"
#include "transfer/transfer_page_text.h"

namespace nubexa::test {

void RecordingView::record(const std::string& call) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(call);
}

std::vector<std::string> RecordingView::calls() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

void RecordingView::clear() {
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

std::string patternBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (auto& byte : bytes)
        byte = static_cast<char>(random() & 0xFF);
    return bytes;
}

void TransferTest::SetUp() {
    // The FTP engine's log would drown the test output.
    ACE_Log_Msg::instance()->priority_mask(0, ACE_Log_Msg::PROCESS);
    std::filesystem::create_directories(localDir());
    std::filesystem::create_directories(programFolder());
    startService();
    m_settings.programFolder = programFolder();
    m_settings.ftp.trace = nullptr;
    // Short pauses so that a test sees several retries; the doubling is what is tested.
    m_settings.backoff = {std::chrono::milliseconds(200), std::chrono::milliseconds(1600)};
    m_gate = std::make_unique<StoreGate>(m_dir.path() + "/bin.db");
    signIn();
}

void TransferTest::signIn() {
    ServiceConfig config;
    config.apiHost = "127.0.0.1:" + std::to_string(m_httpPort);
    m_client = std::make_unique<ServiceClient>(config, programFolder());
    ASSERT_EQ(m_client->signIn("demo", "demo123").value, 1);
    const AccountInfo account = m_client->account();
    ASSERT_EQ(m_client->GetUserInfo(account.uid, account.token), 1);
}

void TransferTest::TearDown() {
    dropManager();
    stopService();
}

void TransferTest::startService(int httpPort, int ftpPort) {
    std::string error;
    m_service = standin::startLocalStandin(
        dataFolder(),
        [this](const std::string& line) {
            std::lock_guard lock(m_logMutex);
            m_log.push_back(line);
        },
        error, httpPort, ftpPort);
    ASSERT_TRUE(m_service) << error;
    m_httpPort = m_service->httpPort();
    m_ftpPort = m_service->ftpPort();
}

void TransferTest::restartService(const std::function<void(standin::ServiceOptions&)>& adjust) {
    stopService();
    standin::ServiceOptions options;
    options.dataFolder = dataFolder();
    options.httpHost = "127.0.0.1";
    options.httpPort = 0;
    options.ftp.port = 0;
    options.seedDemo = true;
    options.logSink = [this](const std::string& line) {
        std::lock_guard lock(m_logMutex);
        m_log.push_back(line);
    };
    adjust(options);
    m_service = std::make_unique<standin::StandinService>(options);
    const auto started = m_service->start();
    ASSERT_TRUE(started.ok) << started.message;
    m_httpPort = m_service->httpPort();
    m_ftpPort = m_service->ftpPort();
    signIn();
}

void TransferTest::stopService() {
    if (m_service) {
        m_service->stop();
        m_service.reset();
    }
}

TransferManager& TransferTest::manager() {
    if (!m_manager)
        m_manager = std::make_unique<TransferManager>(*m_gate, *m_client, m_notifier, m_settings);
    return *m_manager;
}

TransferQueue& TransferTest::queue() {
    if (!m_queue)
        m_queue = std::make_unique<TransferQueue>(manager(), m_view);
    return *m_queue;
}

TransferMonitor& TransferTest::monitor() {
    if (!m_monitor)
        m_monitor = std::make_unique<TransferMonitor>(manager(), m_view);
    return *m_monitor;
}

void TransferTest::dropManager() {
    m_monitor.reset();
    m_queue.reset();
    m_manager.reset();
}

bool TransferTest::tickUntil(const std::function<bool()>& condition,
                             std::chrono::milliseconds limit) {
    return waitUntil(
        [&] {
            if (condition())
                return true;
            monitor().MonitorTick();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return condition();
        },
        limit);
}

std::optional<StoredTask> TransferTest::row(std::int64_t id) {
    return m_gate->run([&](LocalStore& store) { return TaskTable(store).load(id); });
}

std::string TransferTest::stateOf(std::int64_t id) {
    const auto uid = m_client->account().uid;
    for (const Direction page : {Direction::kUpload, Direction::kDownload}) {
        for (const auto& shown : loadTransferPage(*m_gate, uid, page)) {
            if (shown.id == std::to_string(id))
                return shown.state;
        }
    }
    return "(not listed)";
}

bool TransferTest::complete(std::int64_t id) {
    const auto stored = row(id);
    if (!stored)
        return false;
    return stored->ranType == "1" ? stored->status == task_status::kComplete
                                  : stored->transferSchedule == 100;
}

std::string TransferTest::makeFile(const std::string& relative, std::size_t size, unsigned seed) {
    const std::string path = localDir() + "/" + relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    writeFile(path, patternBytes(size, seed));
    return path;
}

RemoteFolder TransferTest::makeRemoteFolder(const std::string& name, const RemoteFolder& parent) {
    const AccountInfo account = m_client->account();
    const auto added = m_client->addFolder(account.uid, account.token, parent.id, name);
    EXPECT_TRUE(added.ok());
    const std::string id = added.value.id;
    const std::string base = parent.locationText == "\\" ? "" : parent.locationText;
    return RemoteFolder{id, base + "\\" + name};
}

std::map<std::string, std::string> TransferTest::remoteFiles(const std::string& folderId) {
    const AccountInfo account = m_client->account();
    std::map<std::string, std::string> files;
    EXPECT_EQ(m_client->GetFiles(account.uid, account.token, folderId, "name", "0"), 1);
    m_client->readTables([&](const DiskTables& tables) {
        for (const auto& file : listedEntries(tables.disk_files))
            files[file.name + file.ext] = file.id;
    });
    return files;
}

DiskItem TransferTest::putRemoteFile(const RemoteFolder& folder, const std::string& name,
                                     const std::string& bytes) {
    const std::string path = localDir() + "/prepared/" + name;
    std::filesystem::create_directories(localDir() + "/prepared");
    writeFile(path, bytes);
    const auto queued = queue().QueueFileUpload(path, folder);
    EXPECT_TRUE(queued.queued);
    EXPECT_TRUE(tickUntil([&] { return complete(queued.id); }));
    const auto files = remoteFiles(folder.id);
    const auto found = files.find(name);
    EXPECT_NE(found, files.end()) << name;
    const auto dot = name.rfind('.');
    DiskItem item;
    item.id = found == files.end() ? "" : found->second;
    item.name = dot == std::string::npos ? name : name.substr(0, dot);
    item.ext = dot == std::string::npos ? "" : name.substr(dot);
    item.size = std::to_string(bytes.size());
    return item;
}

int TransferTest::countLogLines(const std::string& text) const {
    std::lock_guard lock(m_logMutex);
    int count = 0;
    for (const auto& line : m_log)
        count += line.find(text) != std::string::npos ? 1 : 0;
    return count;
}

}  // namespace nubexa::test
