#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/notifier.h"
#include "service/service_client.h"
#include "standin/standin_service.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "support/temp_dir.h"
#include "transfer/running_counts.h"
#include "transfer/transfer_manager.h"
#include "transfer/transfer_monitor.h"
#include "transfer/transfer_queue.h"

namespace nubexa::test {

// A window that records what the queue and the monitor asked of it.
class RecordingView : public TransferView {
public:
    void showStatusText(const std::string& text) override { record("status " + text); }
    void showUploadingPage() override { record("uploading page"); }
    void showDownloadingPage() override { record("downloading page"); }
    void refreshShownPage() override { record("refresh page"); }

    std::vector<std::string> calls() const;
    void clear();

private:
    void record(const std::string& call);
    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
};

// Bytes that differ from file to file and position to position.
std::string patternBytes(std::size_t size, unsigned seed);

// The stand-in service on free loopback ports with the demo data, the demo user signed in
// through the web client, a bin.db and a program folder of the test's own, and the transfer
// manager over them.
class TransferTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the service on the data folder kept by the test; ports 0: any free ports.
    void startService(int httpPort = 0, int ftpPort = 0);
    void stopService();
    // Stops the service and starts it again on the same data, on free ports, with `adjust`
    // applied to its options (a file server that is full, an address that leads nowhere, ...),
    // and signs in to it. Before the manager is made.
    void restartService(const std::function<void(standin::ServiceOptions&)>& adjust);
    void signIn();

    // The manager, made at first use with m_settings.
    TransferManager& manager();
    TransferQueue& queue();
    TransferMonitor& monitor();
    // Ends the manager (its workers stopped) so that the next use makes a new one.
    void dropManager();

    // Ticks the monitor until `condition` holds or the limit passes.
    bool tickUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds limit = std::chrono::seconds(60));

    std::optional<StoredTask> row(std::int64_t id);
    std::string stateOf(std::int64_t id);  // the page's state word
    bool complete(std::int64_t id);        // upload registered or download whole

    // A local file of `size` pattern bytes under the test's folder; its path.
    std::string makeFile(const std::string& relative, std::size_t size, unsigned seed = 1);
    std::string localDir() const { return m_dir.path() + "/local"; }
    std::string programFolder() const { return m_dir.path() + "/program/"; }
    std::string dataFolder() const { return m_dir.path() + "/data"; }

    RemoteFolder makeRemoteFolder(const std::string& name, const RemoteFolder& parent = {});
    // The files of a disk folder: name+ext -> id.
    std::map<std::string, std::string> remoteFiles(const std::string& folderId);
    // Uploads bytes to the disk through the service, as the tests' own preparation.
    DiskItem putRemoteFile(const RemoteFolder& folder, const std::string& name,
                           const std::string& bytes);

    // Service log lines that contain `text`.
    int countLogLines(const std::string& text) const;

    TempDir m_dir;
    std::unique_ptr<standin::StandinService> m_service;
    int m_httpPort = 0;
    int m_ftpPort = 0;
    mutable std::mutex m_logMutex;
    std::vector<std::string> m_log;

    std::unique_ptr<StoreGate> m_gate;
    std::unique_ptr<ServiceClient> m_client;
    RecordingNotifier m_notifier;
    RecordingView m_view;
    TransferSettings m_settings;
    std::unique_ptr<TransferManager> m_manager;
    std::unique_ptr<TransferQueue> m_queue;
    std::unique_ptr<TransferMonitor> m_monitor;
};

}  // namespace nubexa::test
