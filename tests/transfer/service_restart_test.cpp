// The service goes away in the middle of transfers and comes back on the same data and address.
#include "port_relay.h"
#include "transfer_fixture.h"

namespace nubexa::test {
namespace {

using namespace std::chrono_literals;

class ServiceRestart : public TransferTest {};

TEST_F(ServiceRestart, TasksWaitWhileTheServiceIsGoneAndFinishAfterItReturns) {
    // The client reaches the service through ports of the test's own, which stay while the
    // service is gone and then lead to wherever it comes back.
    PortRelay web(static_cast<std::uint16_t>(m_httpPort));
    PortRelay ftp(static_cast<std::uint16_t>(m_ftpPort));
    m_httpPort = web.port();
    signIn();
    m_client->updateAccount([&](AccountInfo& account) { account.ftp_port = ftp.port(); });

    // Larger than what the sockets between the two ends can hold, so that the download is
    // really cut.
    const std::string downBytes = patternBytes(16 << 20, 41);
    const auto remote = putRemoteFile({}, "away.bin", downBytes);
    dropManager();
    // Fast enough that what the sockets still hold after the cut drains soon.
    m_settings.ftp.maxBytesPerSecond = 2 << 20;
    const std::string upBytes = patternBytes(8 << 20, 42);
    writeFile(localDir() + "/going.bin", upBytes);
    const auto up = queue().QueueFileUpload(localDir() + "/going.bin", {});
    const auto down = queue().QueueFileDownload(remote, localDir() + "/", {});
    ASSERT_TRUE(waitUntil(
        [&] { return row(up.id)->transferSize > 0 && row(down.id)->transferSize > 0; }, 30s));

    web.setTarget(0);
    ftp.setTarget(0);
    stopService();
    // Cut off, both runs end unfinished and give their tasks back.
    ASSERT_TRUE(waitUntil([&] { return manager().workers().liveCount() == 0; }, 30s));
    EXPECT_EQ(row(up.id)->status, task_status::kWaiting);
    EXPECT_EQ(row(down.id)->status, task_status::kWaiting);
    EXPECT_FALSE(complete(up.id));
    EXPECT_FALSE(complete(down.id));
    // The monitor tries again and cannot sign in; the user hears of it once per direction.
    ASSERT_TRUE(tickUntil(
        [&] {
            return manager().backoff(Direction::kUpload).failures() >= 2 &&
                   manager().backoff(Direction::kDownload).failures() >= 2;
        },
        30s));
    manager().waitForWorkers();
    EXPECT_EQ(m_notifier.texts().size(), 2u);

    // Back on the same data, wherever the system puts it.
    startService();
    web.setTarget(static_cast<std::uint16_t>(m_httpPort));
    ftp.setTarget(static_cast<std::uint16_t>(m_ftpPort));
    // The rest at full speed.
    dropManager();
    m_settings.ftp.maxBytesPerSecond = 0;
    ASSERT_TRUE(tickUntil([&] { return complete(up.id) && complete(down.id); }, 90s));
    manager().waitForWorkers();
    EXPECT_EQ(readFile(localDir() + "/away.bin"), downBytes);
    const auto files = remoteFiles("0");
    EXPECT_EQ(files.count("going.bin"), 1u);
    EXPECT_EQ(files.count("going (2).bin"), 0u);
    EXPECT_EQ(m_notifier.texts().size(), 2u);
}

}  // namespace
}  // namespace nubexa::test
