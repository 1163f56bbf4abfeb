// FTP over TLS against real servers: vsftpd (require_ssl_reuse) and pure-ftpd (-Y 2) carry
// downloads, resumed uploads and several files on one connection; certificates the client
// cannot verify end the sign-in before anything is sent, on every server.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <mutex>

#include "ftp/encrypted_hosts.h"
#include "ftp_test_harness.h"
#include "pure_ftpd.h"
#include "service/service_client.h"
#include "standin/standin_service.h"
#include "support/test_certificates.h"
#include "vsftpd.h"

namespace nubexa::test {
namespace {

class TlsPeerTest : public FtpTest {
protected:
    FtpOptions tlsOptions(FtpSecurity security = FtpSecurity::kTlsRequired) const {
        FtpOptions options = fastOptions();
        options.tls = {security, m_certificates.authority()};
        return options;
    }

    struct Peer {
        std::function<std::unique_ptr<FTPClient>()> connect;  // signed in, in the files' folder
        std::function<void(const std::string&, const std::string&)> put;
        std::function<std::string(const std::string&)> path;
    };

    // A download, an upload resumed after its first half, and three files on one kept
    // connection (what a folder transfer does), all byte-exact.
    void travel(const Peer& peer) {
        const std::string bytes = patternBytes(2 * 1024 * 1024 + 5, 31);
        peer.put("down.bin", bytes);
        auto down = addDownload("down.bin", "down.bin", static_cast<std::int64_t>(bytes.size()));
        {
            auto client = peer.connect();
            ASSERT_TRUE(client->controlSecured());
            ASSERT_TRUE(client->dataProtected());
            EXPECT_EQ(client->Download(down), 1);
        }
        EXPECT_TRUE(readFile(localFile("down.bin")) == bytes);

        constexpr std::size_t kHalf = 1024 * 1024;
        peer.put("up.bin", bytes.substr(0, kHalf));
        writeFile(localFile("up.bin"), bytes);
        auto up = addUpload("up.bin", static_cast<std::int64_t>(bytes.size()));
        recordDone(up.id, kHalf, static_cast<std::int64_t>(bytes.size()));
        up = reload(up.id);
        EXPECT_EQ(peer.connect()->Upload(up, nullptr), 1);
        EXPECT_TRUE(readFile(peer.path("up.bin")) == bytes);
        EXPECT_EQ(row(up.id).status, task_status::kComplete);

        auto client = peer.connect();
        client->setKeepOpen(true);
        for (int i = 0; i < 3; ++i) {
            const std::string name = "part" + std::to_string(i) + ".bin";
            const std::string part = patternBytes(100000 + i, 40 + i);
            peer.put(name, part);
            auto task = addDownload(name, name, static_cast<std::int64_t>(part.size()));
            ASSERT_TRUE(client->reusable()) << i;
            EXPECT_EQ(client->Download(task), 1) << i;
            EXPECT_TRUE(readFile(localFile(name)) == part) << i;
        }
        EXPECT_TRUE(client->Quit());
    }

    TestCertificates m_certificates;
};

TEST_F(TlsPeerTest, PureFtpdRequiringTlsCarriesEveryKindOfTransfer) {
    PureFtpd server(m_certificates.trusted().certificate + "," + m_certificates.trusted().key);
    if (!server.ready())
        GTEST_SKIP() << server.problem();
    travel({[&] {
                auto client = makeClient(server.port(), tlsOptions(), 0, PureFtpd::kUser,
                                         PureFtpd::kPassword);
                EXPECT_TRUE(client->FtpLogin()) << client->securityProblem();
                return client;
            },
            [&](const std::string& name, const std::string& bytes) { server.putFile(name, bytes); },
            [&](const std::string& name) { return server.path(name); }});

    // A clear sign-in is refused by the server; the client never offers one when TLS is required.
    auto clear = makeClient(server.port(), fastOptions(), 0, PureFtpd::kUser, PureFtpd::kPassword);
    EXPECT_FALSE(clear->FtpLogin());
}

TEST_F(TlsPeerTest, VsftpdWithSessionReuseRequiredCarriesEveryKindOfTransfer) {
    Vsftpd server(m_certificates.trusted());
    if (!server.ready())
        GTEST_SKIP() << server.problem();
    travel({[&] {
                auto client =
                    makeClient(server.port(), tlsOptions(), 0, Vsftpd::kUser, Vsftpd::kPassword);
                EXPECT_TRUE(client->FtpLogin()) << client->securityProblem();
                EXPECT_TRUE(client->ChangeDir("pub"));
                return client;
            },
            [&](const std::string& name, const std::string& bytes) { server.putFile(name, bytes); },
            [&](const std::string& name) { return server.path(name); }});
}

TEST_F(TlsPeerTest, VsftpdOverTlsResumesARangedDownloadByteExact) {
    Vsftpd server(m_certificates.trusted());
    if (!server.ready())
        GTEST_SKIP() << server.problem();
    const std::string bytes = patternBytes(8 * 1024 * 1024 + 4099, 13);
    server.putFile("big.bin", bytes);
    pausedRangesResumeByteExact(
        [&](const FtpOptions& options) {
            FtpOptions secured = options;
            secured.tls = tlsOptions().tls;
            auto client = makeClient(server.port(), secured, 0, Vsftpd::kUser, Vsftpd::kPassword);
            EXPECT_TRUE(client->FtpLogin()) << client->securityProblem();
            EXPECT_TRUE(client->ChangeDir("pub"));
            return client;
        },
        "big.bin", bytes);
}

// The stand-in's file server with a given certificate; its log shows every command it read.
class StandinFileServer {
public:
    StandinFileServer(const TempDir& dir, const standin::TlsFiles* tls)
        : m_folder(dir.path() + "/"), m_secure(tls != nullptr) {
        standin::ServiceOptions options;
        options.dataFolder = dir.file("service");
        options.httpPort = 0;
        options.ftp.port = 0;
        options.seedDemo = true;
        options.logSink = [this](const std::string& line) {
            std::lock_guard lock(m_mutex);
            m_log += line + "\n";
        };
        if (tls != nullptr)
            options.tls = *tls;
        m_service = std::make_unique<standin::StandinService>(options);
        const auto started = m_service->start();
        EXPECT_TRUE(started.ok) << started.message;
    }
    std::uint16_t port() const { return static_cast<std::uint16_t>(m_service->ftpPort()); }
    // The demo account's file-server login, as its web sign-in hands it out.
    AccountInfo demoAccount(const std::string& caFile) const {
        ServiceConfig config;
        config.apiHost = (m_secure ? "https://127.0.0.1:" : "127.0.0.1:") +
                         std::to_string(m_service->httpPort());
        config.caFile = caFile;
        ServiceClient client(config, m_folder);
        EXPECT_EQ(client.signIn("demo", "demo123").value, 1);
        return client.account();
    }
    std::string log() {
        std::lock_guard lock(m_mutex);
        return m_log;
    }

private:
    std::string m_folder;
    bool m_secure;
    std::mutex m_mutex;
    std::string m_log;
    std::unique_ptr<standin::StandinService> m_service;
};

TEST_F(TlsPeerTest, UnverifiableCertificatesEndTheSignInBeforeAnythingIsSent) {
    for (const auto& refused : m_certificates.refused()) {
        TempDir dir;
        StandinFileServer server(dir, refused.files);
        auto client = makeClient(server.port(), tlsOptions(), 0, "demo", "demo123");
        EXPECT_FALSE(client->FtpLogin()) << refused.label;
        EXPECT_EQ(client->securityProblem().rfind("证书无法验证：127.0.0.1（", 0), 0u)
            << refused.label << ": " << client->securityProblem();
        EXPECT_FALSE(client->controlSecured());
        client.reset();
        // The server saw AUTH and a failed handshake, never the account.
        EXPECT_TRUE(waitUntil([&] {
            return server.log().find("TLS handshake") != std::string::npos;
        })) << server.log();
        EXPECT_EQ(server.log().find("USER"), std::string::npos) << refused.label << server.log();
    }

    PureFtpd expired(m_certificates.expired().certificate + "," + m_certificates.expired().key);
    if (expired.ready()) {
        auto client =
            makeClient(expired.port(), tlsOptions(), 0, PureFtpd::kUser, PureFtpd::kPassword);
        EXPECT_FALSE(client->FtpLogin());
        EXPECT_NE(client->securityProblem().find("expired"), std::string::npos)
            << client->securityProblem();
    }
}

TEST_F(TlsPeerTest, RequiredTlsNeverFallsBackAndAutoOnlyWhenTheServerRefusesAuth) {
    TempDir dir;
    StandinFileServer clearOnly(dir, nullptr);
    const AccountInfo clear = clearOnly.demoAccount({});
    auto required =
        makeClient(clearOnly.port(), tlsOptions(), 0, clear.ftp_username, clear.ftp_pwd);
    EXPECT_FALSE(required->FtpLogin());
    EXPECT_NE(required->securityProblem().find("offers no encryption"), std::string::npos);
    required.reset();
    EXPECT_EQ(clearOnly.log().find("USER"), std::string::npos) << clearOnly.log();

    // Auto in clear text says so; a protected sign-in is remembered for its host and port.
    FtpOptions remembering = tlsOptions(FtpSecurity::kTlsIfOffered);
    remembering.tls.encryptedHosts = encryptedHostsIn(m_dir.path());
    const auto& memory = *remembering.tls.encryptedHosts;
    auto tried = makeClient(clearOnly.port(), remembering, 0, clear.ftp_username, clear.ftp_pwd);
    EXPECT_TRUE(tried->FtpLogin());
    EXPECT_FALSE(tried->controlSecured());
    EXPECT_TRUE(tried->signedInClear());
    EXPECT_FALSE(memory.wasEncrypted("127.0.0.1", clearOnly.port()));

    // Offered, auto takes it.
    TempDir other;
    StandinFileServer offering(other, &m_certificates.trusted());
    const AccountInfo account = offering.demoAccount(m_certificates.authority());
    auto secured =
        makeClient(offering.port(), remembering, 0, account.ftp_username, account.ftp_pwd);
    EXPECT_TRUE(secured->FtpLogin());
    EXPECT_TRUE(secured->controlSecured() && secured->dataProtected());
    EXPECT_FALSE(secured->signedInClear());
    EXPECT_TRUE(memory.wasEncrypted("127.0.0.1", offering.port()));
    EXPECT_EQ(
        std::filesystem::status(memory.filePath()).permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

}  // namespace
}  // namespace nubexa::test
