// The engine against the project's own stand-in service: the whole road of an upload
// (bytes, registration, rename to the id) and downloads by id, with the real web client.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "ftp/read_run.h"
#include "ftp/small_file.h"
#include "ftp/upload_registrar.h"
#include "ftp_test_harness.h"
#include "service/service_client.h"
#include "standin/standin_service.h"
#include "support/test_certificates.h"

namespace nubexa::test {
namespace {

// Registers through the web client with the signed-in account, as the transfer layer does.
class ServiceRegistrar : public UploadRegistrar {
public:
    ServiceRegistrar(const ServiceClient& client, AccountInfo account)
        : m_client(client), m_account(std::move(account)) {}

    std::string registerUpload(const std::string& name, const std::string& ext, std::int64_t size,
                               const std::string& dirid, const std::string& hash) override {
        ++calls;
        std::string id;
        if (m_client.FileAdd(m_account.uid, m_account.token, name, ext, std::to_string(size), dirid,
                             hash, id) != 1) {
            return {};
        }
        return id;
    }

    int calls = 0;

private:
    const ServiceClient& m_client;
    AccountInfo m_account;
};

class StandinInterop : public FtpTest {
protected:
    void SetUp() override {
        standin::ServiceOptions options;
        options.dataFolder = m_data.path() + "/service";
        options.httpPort = 0;
        options.ftp.port = 0;
        options.ftp.host = m_ftpHost;
        options.seedDemo = true;
        options.logSink = [](const std::string&) {};
        if (m_tls != nullptr)
            options.tls = m_tls->trusted();
        m_service = std::make_unique<standin::StandinService>(options);
        const auto started = m_service->start();
        ASSERT_TRUE(started.ok) << started.message;

        ServiceConfig config;
        config.apiHost = (m_tls != nullptr ? "https://127.0.0.1:" : "127.0.0.1:") +
                         std::to_string(m_service->httpPort());
        if (m_tls != nullptr)
            config.caFile = m_tls->authority();
        m_client = std::make_unique<ServiceClient>(config, m_data.path() + "/");
        ASSERT_EQ(m_client->signIn("demo", "demo123").value, 1);
        m_account = m_client->account();
    }

    void TearDown() override {
        if (m_service)
            m_service->stop();
    }

    std::unique_ptr<FTPClient> signedIn(FtpOptions options = fastOptions()) {
        if (m_tls != nullptr)
            options.tls = {FtpSecurity::kTlsRequired, m_tls->authority()};
        auto client = std::make_unique<FTPClient>(
            m_account.ftp_host, static_cast<std::uint16_t>(m_account.ftp_port),
            m_account.ftp_username, m_account.ftp_pwd, 0, m_rows, m_notifier, options);
        EXPECT_TRUE(client->FtpLogin());
        EXPECT_TRUE(client->Syst());
        return client;
    }

    // The files of the root folder as the service lists them: id -> name + ext.
    // `bytes` uploaded from a local file `name` to the top folder: its id, empty when not there.
    std::string uploaded(const std::string& name, const std::string& bytes) {
        writeFile(localFile(name), bytes);
        auto upload = addUpload(name, static_cast<std::int64_t>(bytes.size()), "0");
        ServiceRegistrar registrar(*m_client, m_account);
        EXPECT_EQ(signedIn()->Upload(upload, &registrar), 1);
        for (const auto& [fileId, listed] : rootFiles()) {
            if (listed == name)
                return fileId;
        }
        return {};
    }
    std::map<std::string, std::string> rootFiles() {
        EXPECT_EQ(m_client->GetFiles(m_account.uid, m_account.token, "0", "name", "0"), 1);
        std::map<std::string, std::string> files;
        for (const auto& entry : listedEntries(m_client->tables().disk_files)) {
            files[entry.id] = entry.name + entry.ext;
        }
        return files;
    }

    // Puts a row back to running, as a restart after a crash and a monitor start would.
    void runningAgain(std::int64_t id) {
        m_gate.run([&](LocalStore& s) {
            StoreCommand command(s, "UPDATE t_process_list SET status=1 WHERE id=?");
            command.bindInt64(1, id);
            EXPECT_TRUE(command.execute());
        });
    }

    std::string m_ftpHost = "127.0.0.1";
    TempDir m_data;
    const TestCertificates* m_tls = nullptr;  // set before SetUp: the service runs on TLS
    std::unique_ptr<standin::StandinService> m_service;
    std::unique_ptr<ServiceClient> m_client;
    AccountInfo m_account;
};

TEST_F(StandinInterop, UploadIsRegisteredRenamedAndDownloadedBackByItsId) {
    const std::string bytes = patternBytes(3 * 1024 * 1024 + 17, 5);
    writeFile(localFile("报告 final.bin"), bytes);
    auto task = addUpload("报告 final.bin", static_cast<std::int64_t>(bytes.size()), "0");
    ServiceRegistrar registrar(*m_client, m_account);
    {
        auto client = signedIn();
        client->ChangeDir("\\");
        EXPECT_EQ(client->Upload(task, &registrar), 1);
    }
    EXPECT_EQ(row(task.id).status, task_status::kComplete);
    EXPECT_EQ(registrar.calls, 1);

    std::string id;
    for (const auto& [fileId, name] : rootFiles()) {
        if (name == "报告 final.bin")
            id = fileId;
    }
    ASSERT_FALSE(id.empty()) << "the upload is not listed in its folder";

    // Downloads name the file by id + extension, from the listed folder or from the root.
    for (const std::string folder : {"\\", "\\projects"}) {
        const std::string localName = "back" + std::to_string(folder.size()) + ".bin";
        auto download =
            addDownload(id + ".bin", localName, static_cast<std::int64_t>(bytes.size()));
        auto client = signedIn();
        client->ChangeDir(folder);
        EXPECT_EQ(client->Download(download), 1) << folder;
        EXPECT_TRUE(readFile(localFile(localName)) == bytes) << folder;
    }
}

TEST_F(StandinInterop, RetryAfterALostFinishLeavesOneRegisteredCopy) {
    const std::string bytes = patternBytes(200000, 9);
    writeFile(localFile("once.txt"), bytes);
    auto task = addUpload("once.txt", static_cast<std::int64_t>(bytes.size()), "0");
    ServiceRegistrar registrar(*m_client, m_account);
    {
        auto client = signedIn();
        EXPECT_EQ(client->Upload(task, &registrar), 1);
    }
    // The process died after the rename but before the row was finished: the task runs again.
    runningAgain(task.id);
    auto again = reload(task.id);
    {
        auto client = signedIn();
        EXPECT_EQ(client->Upload(again, &registrar), 1);
    }
    EXPECT_EQ(row(task.id).status, task_status::kComplete);
    int copies = 0;
    for (const auto& [fileId, name] : rootFiles())
        copies += name.starts_with("once") ? 1 : 0;
    EXPECT_EQ(copies, 1);
}

TEST_F(StandinInterop, FileChangedAfterItsBytesWentUpIsSentAgainNotFinalisedWrong) {
    const std::string before = patternBytes(150000, 3);
    const std::string after = patternBytes(150000, 4);
    writeFile(localFile("moving.bin"), before);
    auto task = addUpload("moving.bin", static_cast<std::int64_t>(before.size()), "0");
    {
        auto client = signedIn();
        client->Upload(task, nullptr);  // the bytes only: the run died before registering
    }
    runningAgain(task.id);
    writeFile(localFile("moving.bin"), after);  // same size, other content

    ServiceRegistrar registrar(*m_client, m_account);
    auto second = reload(task.id);
    {
        auto client = signedIn();
        // The stored bytes do not match the registered digest: not complete.
        EXPECT_EQ(client->Upload(second, &registrar), 0);
    }
    EXPECT_NE(row(task.id).status, task_status::kComplete);
    runningAgain(task.id);
    auto third = reload(task.id);
    {
        auto client = signedIn();
        EXPECT_EQ(client->Upload(third, &registrar), 1);
    }
    EXPECT_EQ(row(task.id).status, task_status::kComplete);

    int copies = 0;
    for (const auto& [fileId, name] : rootFiles()) {
        if (name != "moving.bin")
            continue;
        ++copies;
        auto download = addDownload(fileId + ".bin", "check.bin", 0);
        auto client = signedIn();
        ASSERT_EQ(client->Download(download), 1);
        EXPECT_TRUE(readFile(localFile("check.bin")) == after);
    }
    EXPECT_EQ(copies, 1);
}

// The same road with the web API on HTTPS and the file server on FTP over TLS.
class StandinOverTls : public StandinInterop {
protected:
    StandinOverTls() { m_tls = &m_certificates; }
    TestCertificates m_certificates;
};

TEST_F(StandinOverTls, UploadAndResumedDownloadsRunProtectedOnOneKeptConnection) {
    const std::string bytes = patternBytes(3 * 1024 * 1024 + 17, 8);
    writeFile(localFile("secret.bin"), bytes);
    auto task = addUpload("secret.bin", static_cast<std::int64_t>(bytes.size()), "0");
    ServiceRegistrar registrar(*m_client, m_account);
    {
        auto client = signedIn();
        EXPECT_TRUE(client->controlSecured());
        EXPECT_TRUE(client->dataProtected());
        EXPECT_EQ(client->Upload(task, &registrar), 1);
    }
    EXPECT_EQ(row(task.id).status, task_status::kComplete);
    std::string id;
    for (const auto& [fileId, name] : rootFiles()) {
        if (name == "secret.bin")
            id = fileId;
    }
    ASSERT_FALSE(id.empty());

    // Several transfers on one protected control connection, each data connection resuming
    // its session; the second continues a partial local copy.
    auto client = signedIn();
    client->setKeepOpen(true);
    auto whole = addDownload(id + ".bin", "whole.bin", static_cast<std::int64_t>(bytes.size()));
    EXPECT_EQ(client->Download(whole), 1);
    EXPECT_TRUE(readFile(localFile("whole.bin")) == bytes);
    constexpr std::int64_t kHalf = 1536 * 1024;
    writeFile(localFile("rest.bin"), bytes.substr(0, kHalf));
    auto rest = addDownload(id + ".bin", "rest.bin", static_cast<std::int64_t>(bytes.size()));
    recordDone(rest.id, kHalf, static_cast<std::int64_t>(bytes.size()));
    rest = reload(rest.id);
    ASSERT_TRUE(client->reusable());
    EXPECT_EQ(client->Download(rest), 1);
    EXPECT_TRUE(readFile(localFile("rest.bin")) == bytes);
    EXPECT_TRUE(client->Quit());
}

// A new download starts as one stream; one that would take long alone hands what is left to
// ranges, which start after its last byte.
TEST_F(StandinInterop, AStreamTooSlowAloneHandsTheRestToRangesByteExact) {
    using namespace std::chrono_literals;
    const std::string bytes = patternBytes(6 * 1024 * 1024 + 77, 13);
    const std::string id = uploaded("probed.bin", bytes);
    ASSERT_FALSE(id.empty());
    std::filesystem::remove(localFile("probed.bin"));

    SharedTrace trace;
    FtpOptions options = rangedOptions();
    options.ranges.probe = 200ms;
    options.ranges.worth = 500ms;
    options.maxBytesPerSecond = 2 << 20;  // each connection: alone, the rest takes seconds
    options.trace = trace.sink();
    auto task = addDownload(id + ".bin", "probed.bin", static_cast<std::int64_t>(bytes.size()));
    auto client = signedIn(options);
    client->setDownloadConnections(4);
    EXPECT_EQ(client->Download(task), 1);
    EXPECT_EQ(client->lastRunEnd(), RunEnd::kCompleted);
    client.reset();
    EXPECT_TRUE(trace.contains(", the rest in ranges")) << "the stream never handed over";
    EXPECT_TRUE(readFile(localFile("probed.bin")) == bytes);
    EXPECT_EQ(row(task.id).transferSchedule, 100);
    EXPECT_TRUE(savedRanges(task.id).empty());
}

// Over TLS, every range on a protected connection of its own.
TEST_F(StandinOverTls, ARangedDownloadPausedMidwayGoesOnFromEachRangeByteExact) {
    const std::string bytes = patternBytes(8 * 1024 * 1024 + 12345, 12);
    const std::string id = uploaded("big.bin", bytes);
    ASSERT_FALSE(id.empty());
    pausedRangesResumeByteExact([&](const FtpOptions& options) { return signedIn(options); },
                                id + ".bin", bytes);
}

TEST_F(StandinInterop, ValuesWithQuerySyntaxArriveWholeAndSigned) {
    // A local name whose extension reads as a second parameter when sent unencoded.
    const std::string name = "a.x&dirid=5";
    writeFile(localFile(name), "bytes of a hostile name");
    auto task = addUpload(name, 23, "0");
    ServiceRegistrar registrar(*m_client, m_account);
    {
        auto client = signedIn();
        EXPECT_EQ(client->Upload(task, &registrar), 1);
    }
    EXPECT_EQ(row(task.id).status, task_status::kComplete);
    std::string id;
    for (const auto& [fileId, listed] : rootFiles()) {
        if (listed == name)
            id = fileId;
    }
    ASSERT_FALSE(id.empty()) << "not registered whole in the root folder";

    // A password of query syntax is the password, and only it opens the file.
    const std::string password = "p&w=1+%2B#?";
    EXPECT_EQ(m_client->FileEncrypt(m_account.uid, m_account.token, id, password, "t&ip"), 1);
    EXPECT_EQ(m_client->FileDecrypt(m_account.uid, m_account.token, id, "p"), 0);
    EXPECT_EQ(m_client->FileDecrypt(m_account.uid, m_account.token, id, "p&w=1 %2B#?"), 0);
    EXPECT_EQ(m_client->FileDecrypt(m_account.uid, m_account.token, id, password), 1);
}

class StandinInteropOverIpv6 : public StandinInterop {
protected:
    StandinInteropOverIpv6() { m_ftpHost = "::1"; }
};

TEST_F(StandinInteropOverIpv6, UploadAndDownloadGoOverExtendedPassiveMode) {
    ASSERT_EQ(m_account.ftp_host, "::1");
    const std::string bytes = patternBytes(300000, 6);
    writeFile(localFile("six.bin"), bytes);
    auto task = addUpload("six.bin", static_cast<std::int64_t>(bytes.size()), "0");
    ServiceRegistrar registrar(*m_client, m_account);
    std::string trace;
    FtpOptions options = fastOptions();
    options.trace = [&](const std::string& text) { trace += text; };
    {
        auto client = signedIn();
        EXPECT_EQ(client->Upload(task, &registrar), 1);
    }
    EXPECT_EQ(row(task.id).status, task_status::kComplete);
    std::string id;
    for (const auto& [fileId, name] : rootFiles()) {
        if (name == "six.bin")
            id = fileId;
    }
    ASSERT_FALSE(id.empty());
    auto download =
        addDownload(id + ".bin", "six-back.bin", static_cast<std::int64_t>(bytes.size()));
    auto client = signedIn(options);
    EXPECT_EQ(client->Download(download), 1);
    EXPECT_TRUE(readFile(localFile("six-back.bin")) == bytes);
    EXPECT_NE(trace.find("EPSV"), std::string::npos);
}

TEST_F(StandinInterop, TheAccountPictureIsReadWholeAndFromAnOffset) {
    ASSERT_FALSE(m_account.avatar.empty());
    auto client = signedIn();
    client->setKeepOpen(true);  // both reads on one sign-in
    client->ChangeDir("//");
    const SmallFile picture = fetchSmallFile(*client, m_account.avatar, 1 << 20);
    ASSERT_TRUE(picture.ok());
    ASSERT_GT(picture.bytes.size(), 8u);
    EXPECT_EQ(picture.bytes.substr(1, 3), "PNG");

    std::string middle;
    const ReadResult read =
        client->Read({m_account.avatar, 1, 3}, [&](const char* data, std::size_t size) {
            middle.append(data, size);
            return true;
        });
    EXPECT_EQ(read.end, ReadResult::End::kLengthReached);
    EXPECT_EQ(middle, "PNG");
    EXPECT_EQ(fetchSmallFile(*client, "no-such-file.png", 1 << 20).outcome,
              SmallFile::Outcome::kMissing);
}

}  // namespace
}  // namespace nubexa::test
