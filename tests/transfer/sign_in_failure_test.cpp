// Workers that cannot sign in to the file server.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

#include "standin/service_options.h"
#include "store/local_store.h"
#include "store/user_log.h"
#include "transfer/task_commands.h"
#include "transfer_fixture.h"

namespace nubexa::test {
namespace {

using namespace std::chrono_literals;

// A file server that takes connections and never greets: a sign-in that hangs until its
// reply time limit.
class SilentServer {
public:
    SilentServer() {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listener, 16) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "no listener";
            return;
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] {
            while (!m_stop) {
                pollfd ready{m_listener, POLLIN, 0};
                if (::poll(&ready, 1, 20) == 1) {
                    const int connection = ::accept(m_listener, nullptr, nullptr);
                    if (connection >= 0)
                        m_held.push_back(connection);
                    ++m_accepted;
                }
            }
        });
    }
    ~SilentServer() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        for (const int connection : m_held)
            ::close(connection);
        ::close(m_listener);
    }
    int port() const { return m_port; }
    int accepted() const { return m_accepted; }

private:
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_accepted{0};
    std::vector<int> m_held;  // the accept thread's only
    std::thread m_thread;
};

class SignInFailure : public TransferTest {
protected:
    void breakFtpPassword() {
        m_client->updateAccount([this](AccountInfo& account) {
            m_goodPassword = account.ftp_pwd;
            account.ftp_pwd = "not-the-password";
        });
    }
    void mendFtpPassword() {
        m_client->updateAccount([this](AccountInfo& account) { account.ftp_pwd = m_goodPassword; });
    }
    int passAttempts() const { return countLogLines(" PASS "); }

    std::string m_goodPassword;
};

TEST_F(SignInFailure, AWrongPasswordGivesFourAttemptsOneMessageAndRetriesWithBackOff) {
    m_settings.backoff = {2s, 8s};
    breakFtpPassword();
    const auto up = queue().QueueFileUpload(makeFile("u.bin", 5000), {});
    ASSERT_TRUE(up.queued);
    manager().waitForWorkers();
    // The service logs a command after answering it.
    EXPECT_TRUE(waitUntil([&] { return passAttempts() >= 4; }));
    EXPECT_EQ(passAttempts(), 4);
    EXPECT_EQ(m_notifier.texts(), (std::vector<std::string>{"网络异常，上传失败"}));
    EXPECT_EQ(m_notifier.messages()[0].caption, "");
    EXPECT_EQ(row(up.id)->status, task_status::kWaiting);
    EXPECT_EQ(manager().backoff(Direction::kUpload).failures(), 1);
    EXPECT_EQ(manager().counts().uploads(), 0) << "a worker that never signed in is not counted";

    // Held back while the pause lasts.
    if (!manager().backoff(Direction::kUpload).mayStart(LoginBackoff::Clock::now() + 1s)) {
        EXPECT_EQ(monitor().MonitorTick().startedUpload, 0);
    }
    // Then retried: the streak grows, the pause doubles, the user is not told again.
    ASSERT_TRUE(
        tickUntil([&] { return manager().backoff(Direction::kUpload).failures() == 2; }, 30s));
    manager().waitForWorkers();
    EXPECT_TRUE(waitUntil([&] { return passAttempts() >= 8; }));
    EXPECT_EQ(passAttempts(), 8);
    EXPECT_EQ(manager().backoff(Direction::kUpload).currentDelay(), 4s);
    EXPECT_EQ(m_notifier.texts().size(), 1u);

    mendFtpPassword();
    ASSERT_TRUE(tickUntil([&] { return complete(up.id); }, 30s));
    manager().waitForWorkers();
    EXPECT_EQ(manager().backoff(Direction::kUpload).failures(), 0)
        << "a successful transfer ends the streak";
    EXPECT_EQ(m_notifier.texts().size(), 1u);
}

// A file server with every session taken turns new ones away with 421: that is the service
// being busy, said in its words, not the network failing.
TEST_F(SignInFailure, ABusyFileServerIsSaidInItsOwnWordsNotAsTheNetwork) {
    restartService([](standin::ServiceOptions& options) { options.ftp.maxSessions = 0; });
    const auto up = queue().QueueFileUpload(makeFile("one.bin", 100), {});
    ASSERT_TRUE(up.queued);
    manager().waitForWorkers();
    // Alone in its pool: a failure, said once; but not tried again at once, which would only
    // take a place of the server's again.
    EXPECT_EQ(countLogLines("no place for another signed-in session"), 1);
    EXPECT_EQ(countLogLines("too many sessions"), 0);
    EXPECT_EQ(m_notifier.texts(),
              (std::vector<std::string>{
                  "文件服务器暂不接受登录：421 Too many sessions, try again later."}));
    EXPECT_EQ(row(up.id)->status, task_status::kWaiting);
}

// Two workers failing to sign in together are one round of the back-off: the pauses stay
// 3, 6, 12, ... s however many workers there are.
TEST(LoginBackoff, AFailureOfASignInBegunBeforeTheRoundWasCountedIsThatRound) {
    LoginBackoff backoff({3s, 300s});
    const auto t0 = LoginBackoff::Clock::now();
    EXPECT_TRUE(backoff.recordFailure(t0 + 100ms, t0));
    EXPECT_FALSE(backoff.recordFailure(t0 + 120ms, t0 + 10ms)) << "the other worker, same round";
    EXPECT_EQ(backoff.failures(), 1);
    EXPECT_EQ(backoff.retryAt(), t0 + 100ms + 3s);
    // The next round begins after the pause: counted, the pause doubles once.
    EXPECT_FALSE(backoff.recordFailure(t0 + 3200ms, t0 + 3100ms));
    EXPECT_FALSE(backoff.recordFailure(t0 + 3210ms, t0 + 3105ms));
    EXPECT_EQ(backoff.failures(), 2);
    EXPECT_EQ(backoff.currentDelay(), 6s);
    EXPECT_EQ(backoff.streakBegan(), t0 + 100ms);
    backoff.recordSuccess();
    EXPECT_FALSE(backoff.streakBegan());
}

TEST_F(SignInFailure, ATaskDeletedOrPausedWhileItsSignInFailsStaysAsTheUserLeftIt) {
    m_settings.ftp.limits.reply = 300ms;
    SilentServer silent;
    m_client->updateAccount([&](AccountInfo& account) { account.ftp_port = silent.port(); });
    const auto gone = queue().QueueFileUpload(makeFile("gone.bin", 10), {});
    const auto held = queue().QueueFileUpload(makeFile("held.bin", 10), {});
    ASSERT_TRUE(waitUntil([&] { return silent.accepted() >= 2; }));
    TaskCommands commands(manager());
    ASSERT_EQ(commands.remove(gone.id), TaskCommands::Result::kDone);
    ASSERT_EQ(commands.pause(held.id), TaskCommands::Result::kDone);
    manager().waitForWorkers();
    EXPECT_EQ(row(gone.id)->status, task_status::kDeleted) << "not brought back";
    EXPECT_EQ(stateOf(held.id), "暂停");
    EXPECT_EQ(m_gate->run([&](LocalStore& store) {
        return TaskTable(store).nextWaitingUpload(m_client->account().uid);
    }),
              0)
        << "still the user's paused task";
}

TEST_F(SignInFailure, ADownloadThatCannotSignInSaysTheDownloadFailed) {
    const auto remote = putRemoteFile({}, "d.bin", patternBytes(3000, 3));
    breakFtpPassword();
    const auto down = queue().QueueFileDownload(remote, localDir(), {});
    manager().waitForWorkers();
    EXPECT_EQ(m_notifier.texts(), (std::vector<std::string>{"网络异常，下载失败"}));
    EXPECT_EQ(row(down.id)->status, task_status::kWaiting);
    EXPECT_FALSE(std::filesystem::exists(localDir() + "/d.bin"));
}

// Counts the sign-ins the listener heard of as made in clear text.
class ClearTextListener : public TransferListener {
public:
    void workerEnded(const WorkerReport&) override {}
    void avatarReady(const std::string&) override {}
    void fileServerInClear(const std::string& host) override {
        std::lock_guard lock(m_mutex);
        m_hosts.push_back(host);
    }
    std::vector<std::string> hosts() const {
        std::lock_guard lock(m_mutex);
        return m_hosts;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_hosts;
};

TEST_F(SignInFailure, AFileServerWithoutTlsUnderAutoIsSaidOnceAndToTheListenerEveryTime) {
    const auto first = putRemoteFile({}, "clear1.bin", patternBytes(3000, 4));
    const auto second = putRemoteFile({}, "clear2.bin", patternBytes(3000, 5));
    dropManager();
    ServiceConfig config = m_client->config();
    config.ftpTls = FtpTls::kAuto;
    m_client = std::make_unique<ServiceClient>(config, programFolder());
    ASSERT_EQ(m_client->signIn("demo", "demo123").value, 1);
    ClearTextListener listener;
    manager().setListener(&listener);
    for (const auto& remote : {first, second}) {
        const auto down = queue().QueueFileDownload(remote, localDir(), {});
        manager().waitForWorkers();
        EXPECT_TRUE(complete(down.id)) << remote.name;
    }
    const std::string host = m_client->account().ftp_host;
    EXPECT_EQ(m_notifier.texts(),
              (std::vector<std::string>{"文件服务器拒绝加密，密码和文件以明文传输：" + host}));
    EXPECT_EQ(listener.hosts(), (std::vector<std::string>{host, host}));
}

}  // namespace
}  // namespace nubexa::test
