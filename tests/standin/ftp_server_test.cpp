#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include <openssl/ssl.h>

#include "ftp_test_client.h"
#include "standin_fixture.h"

#include "standin/ftp/socket_tls.h"
#include "standin/util/text_util.h"
#include "standin/util/tls_certificates.h"

namespace nubexa::test {
namespace {

// Percent-encodes a path for a curl URL, keeping the slashes.
std::string urlPath(const std::string& path) {
    std::string out;
    std::size_t start = 0;
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         start = slash + 1, slash = path.find('/', start)) {
        out += standin::percentEncode(path.substr(start, slash - start)) + "/";
    }
    return out + standin::percentEncode(path.substr(start));
}

std::string bytesOf(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return bytes;
}

class FtpServerTest : public StandinTest {
protected:
    std::string url(const std::string& path = "/") const {
        return "ftp://" + m_demo.ftpUser + ":" + m_demo.ftpPassword +
               "@127.0.0.1:" + std::to_string(ftpPort()) + urlPath(path);
    }

    ProcessResult curl(std::vector<std::string> args) {
        args.insert(args.begin(), {"curl", "-sS", "--connect-timeout", "5", "--max-time", "60"});
        return runProcess(args);
    }

    // A name listing as text lines (curl turns the CRLF of ASCII mode into LF).
    std::string names(std::vector<std::string> args) {
        std::string out = curl(std::move(args)).out;
        out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
        return out;
    }

    std::string fileAdd(const std::string& name, const std::string& ext, const std::string& bytes,
                        const std::string& dir, const std::string& hash = {}) {
        const Answer answer = signedCall("/fileservice.asmx/FileAdd", m_demo,
                                         {{"name", name, true},
                                          {"ext", ext},
                                          {"size", std::to_string(bytes.size())},
                                          {"dirid", dir},
                                          {"hash", hash.empty() ? md5Upper(bytes) : hash}},
                                         true);
        EXPECT_EQ(answer.result(), "1") << answer.decoded();
        return answer.attr("file", "id");
    }

    std::string folderId(const std::string& name) {
        const Answer tree =
            signedCall("/userservice.asmx/GetFolders", m_demo, {{"currentdirid", "0"}});
        for (const auto* folder : tree.items("folders")) {
            if (attrOf(folder, "name") == name)
                return attrOf(folder, "id");
        }
        return {};
    }

    FtpTestClient& signedInClient(FtpTestClient& client) {
        EXPECT_EQ(client.connect(ftpPort()), 220);
        EXPECT_TRUE(client.login(m_demo.ftpUser, m_demo.ftpPassword));
        return client;
    }

    std::string local(const std::string& name, const std::string& bytes) {
        const std::string path = m_data.file(name);
        writeFile(path, bytes);
        return path;
    }
};

TEST_F(FtpServerTest, SignInListingAndFolderPathsWrittenWithBackslashes) {
    const ProcessResult root = curl({url()});
    ASSERT_EQ(root.exitCode, 0) << root.err;
    EXPECT_NE(root.out.find("照片"), std::string::npos);
    EXPECT_NE(root.out.find("欢迎使用Nubexa.txt"), std::string::npos);

    EXPECT_EQ(names({"-Q", "CWD \\照片\\旅行\\", "--list-only", url()}), "第一天\n");
    EXPECT_EQ(names({"-Q", "CWD \\照片\\旅行", "--list-only", url()}), "第一天\n");
    EXPECT_EQ(names({"-Q", "CWD //", "-Q", "CWD /照片/旅行/第一天", "--list-only", url()}),
              "日出.png\n");
    EXPECT_EQ(curl({"-Q", "CWD \\照片\\没有", url()}).exitCode, 21);

    const std::string badUrl =
        "ftp://" + m_demo.ftpUser + ":wrong@127.0.0.1:" + std::to_string(ftpPort()) + "/";
    EXPECT_EQ(curl({badUrl}).exitCode, 67);

    FtpTestClient client;
    signedInClient(client);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("SYST")), 215);
    const std::string features = client.command("FEAT");
    EXPECT_EQ(features.rfind("211-", 0), 0u);
    EXPECT_NE(features.find("\r\n REST STREAM\r\n"), std::string::npos);
    EXPECT_EQ(features.substr(features.size() - 9), "211 End\r\n");
    client.command("CWD \\照片\\旅行");
    EXPECT_EQ(client.command("PWD"), "257 \"/照片/旅行\" is the current directory.\r\n");
    EXPECT_EQ(FtpTestClient::codeOf(client.command("CDUP")), 250);
    EXPECT_EQ(client.command("PWD"), "257 \"/照片\" is the current directory.\r\n");
    EXPECT_EQ(FtpTestClient::codeOf(client.command("QUIT")), 221);
}

TEST_F(FtpServerTest, UploadIsFinalisedByRenamingItToItsId) {
    const std::string bytes = bytesOf(700000, 1);
    const ProcessResult stored = curl({"-T", local("new.bin", bytes), url("/照片/new.bin")});
    ASSERT_EQ(stored.exitCode, 0) << stored.err;
    // Stored but not registered: nothing to see yet.
    EXPECT_EQ(fileNames(listFolder(m_demo, folderId("照片"))),
              std::vector<std::string>{"海边.png"});

    const std::string id = fileAdd("new", ".bin", bytes, folderId("照片"));
    const ProcessResult renamed = curl({"-Q", "CWD \\照片", "-Q", "RNFR new.bin", "-Q",
                                        "RNTO " + id + ".bin", "--list-only", url()});
    ASSERT_EQ(renamed.exitCode, 0) << renamed.err;
    const Answer listing = listFolder(m_demo, folderId("照片"));
    EXPECT_EQ(fileNames(listing), (std::vector<std::string>{"new.bin", "海边.png"}));
    EXPECT_EQ(attrOf(listing.items("files").front(), "size"), "700000");

    // A download asks by id from the root, wherever the file is.
    const ProcessResult fetched = curl({url("/" + id + ".bin")});
    EXPECT_TRUE(fetched.out == bytes);
    // Once finalised, SIZE by id tells a retrying client that its upload is done.
    FtpTestClient client;
    signedInClient(client);
    EXPECT_EQ(client.command("SIZE " + id + ".bin"), "213 700000\r\n");
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNFR new.bin")), 550);
}

TEST_F(FtpServerTest, RenameWithAWrongDigestIsRefusedAndTheBytesStayForARetry) {
    const std::string bytes = bytesOf(50000, 2);
    ASSERT_EQ(curl({"-T", local("doc.txt", bytes), url("/文档/doc.txt")}).exitCode, 0);
    const std::string wrongId = fileAdd("doc", ".txt", bytes, folderId("文档"), md5Upper("other"));
    const ProcessResult refused = curl({"-Q", "CWD \\文档", "-Q", "RNFR doc.txt", "-Q",
                                        "RNTO " + wrongId + ".txt", "--list-only", url()});
    EXPECT_EQ(refused.exitCode, 21);
    EXPECT_NE(refused.err.find("550"), std::string::npos);
    EXPECT_EQ(fileNames(listFolder(m_demo, folderId("文档"))).size(), 3u);

    FtpTestClient client;
    signedInClient(client);
    client.command("CWD \\文档");
    EXPECT_EQ(client.command("SIZE doc.txt"), "213 50000\r\n");
    // The wrong extension or an id of nothing is refused as well.
    const std::string rightId = fileAdd("doc", ".txt", bytes, folderId("文档"));
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNFR doc.txt")), 350);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNTO " + rightId + ".pdf")), 550);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNFR doc.txt")), 350);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNTO 987654.txt")), 550);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNTO " + rightId + ".txt")), 503);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNFR doc.txt")), 350);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNTO " + rightId + ".txt")), 250);
    EXPECT_TRUE(curl({url("/" + rightId + ".txt")}).out == bytes);
}

TEST_F(FtpServerTest, AnInterruptedUploadContinuesWithRestAndStor) {
    const std::string bytes = bytesOf(900000, 3);
    {
        FtpTestClient client;
        signedInClient(client);
        EXPECT_EQ(FtpTestClient::codeOf(client.command("CWD \\projects\\")), 250);
        client.command("TYPE I");
        ASSERT_TRUE(client.openData());
        EXPECT_EQ(FtpTestClient::codeOf(client.command("STOR big.bin")), 150);
        ASSERT_TRUE(client.sendData(bytes.substr(0, 300000)));
        // The client goes away without a word: data closed, control dropped.
        client.closeData();
        client.closeControl(true);
    }
    FtpTestClient client;
    signedInClient(client);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("CWD \\projects")), 250);
    ASSERT_TRUE(waitUntil([&] { return client.command("SIZE big.bin") == "213 300000\r\n"; }));
    client.command("TYPE I");

    // An offset past the stored bytes cannot be continued and changes nothing.
    ASSERT_TRUE(client.openData());
    EXPECT_EQ(FtpTestClient::codeOf(client.command("REST 400000")), 350);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("STOR big.bin")), 554);
    client.closeData();
    EXPECT_EQ(client.command("SIZE big.bin"), "213 300000\r\n");

    // REST 200000 cuts the stored bytes there and continues.
    ASSERT_TRUE(client.openData());
    EXPECT_EQ(client.command("REST 200000").rfind("350 ", 0), 0u);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("STOR big.bin")), 150);
    ASSERT_TRUE(client.sendData(bytes.substr(200000)));
    client.closeData();
    EXPECT_EQ(FtpTestClient::codeOf(client.readReply()), 226);

    const std::string id = fileAdd("big", ".bin", bytes, folderId("projects"));
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNFR big.bin")), 350);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNTO " + id + ".bin")), 250);
    EXPECT_TRUE(curl({url("/" + id + ".bin")}).out == bytes);
}

// The digest is taken as the bytes arrive; bytes changed on disk afterwards must still be
// caught when the upload is finished.
TEST_F(FtpServerTest, StagedBytesChangedBehindTheServersBackAreNotFinalised) {
    const std::string bytes = bytesOf(70000, 5);
    FtpTestClient client;
    signedInClient(client);
    client.command("TYPE I");
    ASSERT_TRUE(client.openData());
    EXPECT_EQ(FtpTestClient::codeOf(client.command("STOR t.bin")), 150);
    ASSERT_TRUE(client.sendData(bytes));
    client.closeData();
    EXPECT_EQ(FtpTestClient::codeOf(client.readReply()), 226);
    std::string staged;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(dataFolder() + "/data/staging")) {
        if (entry.is_regular_file())
            staged = entry.path().string();
    }
    ASSERT_FALSE(staged.empty());
    std::string altered = bytes;
    altered[12345] = static_cast<char>(altered[12345] ^ 1);
    // File times tick in steps of a few milliseconds; change the bytes in a later step.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    writeFile(staged, altered);

    const std::string id = fileAdd("t", ".bin", bytes, "0");
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNFR t.bin")), 350);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNTO " + id + ".bin")), 550);
    // Sending the rest again from a point before the change repairs it.
    ASSERT_TRUE(client.openData());
    EXPECT_EQ(FtpTestClient::codeOf(client.command("REST 10000")), 350);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("STOR t.bin")), 150);
    ASSERT_TRUE(client.sendData(bytes.substr(10000)));
    client.closeData();
    EXPECT_EQ(FtpTestClient::codeOf(client.readReply()), 226);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNFR t.bin")), 350);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNTO " + id + ".bin")), 250);
    EXPECT_TRUE(curl({url("/" + id + ".bin")}).out == bytes);
}

TEST_F(FtpServerTest, AResetConnectionKeepsWhatArrivedAndSizeTellsWhereToGoOn) {
    const std::string bytes = bytesOf(2000000, 4);
    {
        FtpTestClient client;
        signedInClient(client);
        client.command("TYPE I");
        ASSERT_TRUE(client.openData());
        EXPECT_EQ(FtpTestClient::codeOf(client.command("STOR reset.bin")), 150);
        client.sendData(bytes.substr(0, 1500000));
        client.closeData(true);
        client.closeControl(true);
    }
    FtpTestClient client;
    signedInClient(client);
    // The session of the vanished client ends on its own and leaves the bytes it took.
    ASSERT_TRUE(waitUntil([&] {
        const auto lines = logLines();
        return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("STOR reset.bin -> 426") != std::string::npos;
        });
    })) <<
        [&] {
            std::string all;
            for (const auto& line : logLines())
                all += line + "\n";
            return all;
        }();
    const std::string size = client.command("SIZE reset.bin");
    const std::size_t kept = std::stoul(size.substr(4));
    EXPECT_LE(kept, 1500000u);
    client.command("TYPE I");
    ASSERT_TRUE(client.openData());
    client.command("REST " + std::to_string(kept));
    EXPECT_EQ(FtpTestClient::codeOf(client.command("STOR reset.bin")), 150);
    client.sendData(bytes.substr(kept));
    client.closeData();
    EXPECT_EQ(FtpTestClient::codeOf(client.readReply()), 226);
    const std::string id = fileAdd("reset", ".bin", bytes, "0");
    client.command("RNFR reset.bin");
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RNTO " + id + ".bin")), 250);
    EXPECT_TRUE(curl({url("/" + id + ".bin")}).out == bytes);
}

TEST_F(FtpServerTest, CurlResumesAnUploadWithAppendAndADownloadWithRest) {
    const std::string bytes = bytesOf(600000, 5);
    ASSERT_EQ(
        curl({"-T", local("half.bin", bytes.substr(0, 250000)), url("/projects/r.bin")}).exitCode,
        0);
    const ProcessResult resumed =
        curl({"-C", "-", "-T", local("r.bin", bytes), url("/projects/r.bin")});
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    const std::string id = fileAdd("r", ".bin", bytes, folderId("projects"));
    ASSERT_EQ(curl({"-Q", "CWD /projects", "-Q", "RNFR r.bin", "-Q", "RNTO " + id + ".bin",
                    "--list-only", url()})
                  .exitCode,
              0);

    const ProcessResult tail = curl({"-C", "123456", url("/" + id + ".bin")});
    EXPECT_TRUE(tail.out == bytes.substr(123456));
    FtpTestClient client;
    signedInClient(client);
    ASSERT_TRUE(client.openData());
    EXPECT_EQ(FtpTestClient::codeOf(client.command("REST 600001")), 350);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RETR " + id + ".bin")), 554);
    ASSERT_TRUE(client.openData());
    EXPECT_EQ(client.command("REST 0").rfind("350 ", 0), 0u);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RETR " + id + ".bin")), 150);
    EXPECT_TRUE(client.receiveData() == bytes);
    EXPECT_EQ(FtpTestClient::codeOf(client.readReply()), 226);
}

TEST_F(FtpServerTest, DownloadsByIdTheAvatarAndNothingOfOthers) {
    const std::string documents = folderId("文档");
    const Answer listing = listFolder(m_demo, documents);
    std::string reportId;
    for (const auto* file : listing.items("files")) {
        if (attrOf(file, "name") == "季度报告")
            reportId = attrOf(file, "id");
    }
    EXPECT_EQ(curl({url("/" + reportId + ".pdf")}).out.rfind("%PDF-", 0), 0u);
    EXPECT_NE(curl({url("/" + reportId + ".txt")}).exitCode, 0);

    const ProcessResult avatar = curl({"-Q", "CWD //", url("/" + m_demo.avatar)});
    ASSERT_EQ(avatar.exitCode, 0) << avatar.err;
    EXPECT_EQ(avatar.out.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));

    // Another account's file is not there for this one, nor is a file in the bin.
    const Credentials guest = login("guest", "guest123");
    const std::string guestUrl = "ftp://" + guest.ftpUser + ":" + guest.ftpPassword +
                                 "@127.0.0.1:" + std::to_string(ftpPort()) + "/" + reportId +
                                 ".pdf";
    EXPECT_EQ(curl({guestUrl}).exitCode, 78);
    const Answer bin =
        signedCall("/UserService.asmx/GetRecycleFiles", m_demo, {{"order", "name"}, {"desc", "0"}});
    const std::string binned = attrOf(bin.items("files").front(), "id");
    EXPECT_EQ(curl({url("/" + binned + ".txt")}).exitCode, 78);
}

TEST_F(FtpServerTest, NothingReachesOutsideTheAccountsArea) {
    FtpTestClient anonymous;
    EXPECT_EQ(anonymous.connect(ftpPort()), 220);
    EXPECT_EQ(FtpTestClient::codeOf(anonymous.command("RETR 1.txt")), 530);
    EXPECT_EQ(FtpTestClient::codeOf(anonymous.command("CWD /")), 530);

    FtpTestClient client;
    signedInClient(client);
    for (const std::string path :
         {"..", "..\\..\\", "/../..", "\\照片\\..\\..", "/etc", "C:\\Windows"})
        EXPECT_EQ(FtpTestClient::codeOf(client.command("CWD " + path)), 550) << path;
    EXPECT_EQ(client.command("PWD"), "257 \"/\" is the current directory.\r\n");
    for (const std::string name : {"../../etc/passwd", "/etc/passwd", "..\\nubexa.db",
                                   "../data/nubexa.db", "%2e%2e/passwd"}) {
        EXPECT_EQ(FtpTestClient::codeOf(client.command("SIZE " + name)), 550) << name;
        ASSERT_TRUE(client.openData());
        EXPECT_EQ(FtpTestClient::codeOf(client.command("RETR " + name)), 550) << name;
    }
    for (const std::string name : {"../../evil", "..", "a:b", "/", "\\..\\evil"}) {
        ASSERT_TRUE(client.openData());
        EXPECT_EQ(FtpTestClient::codeOf(client.command("STOR " + name)), 553) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(m_data.file("evil")));
    EXPECT_FALSE(std::filesystem::exists(m_data.file("data/evil")));
    EXPECT_EQ(FtpTestClient::codeOf(client.command("DELE 1.txt")), 502);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("PORT 127,0,0,1,4,1")), 502);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("RETR 1.txt")), 425);
    EXPECT_EQ(FtpTestClient::codeOf(client.command(std::string(5000, 'A'))), 500);
    EXPECT_EQ(FtpTestClient::codeOf(client.command("NOOP")), 200);

    FtpTestClient guesser;
    EXPECT_EQ(guesser.connect(ftpPort()), 220);
    for (int attempt = 0; attempt < 2; ++attempt) {
        guesser.command("USER " + m_demo.ftpUser);
        EXPECT_EQ(FtpTestClient::codeOf(guesser.command("PASS guess")), 530);
    }
    guesser.command("USER " + m_demo.ftpUser);
    EXPECT_EQ(FtpTestClient::codeOf(guesser.command("PASS guess")), 421);
}

// Places go to sessions that sign in: one that does not is closed soon whatever it sends, and
// one address holds only its share of them.
TEST_F(FtpServerTest, SessionsThatDoNotSignInGiveTheirPlaceBack) {
    startService(true, [](standin::ServiceOptions& options) {
        options.ftp.signInTimeoutMs = 2000;
        options.ftp.maxSessionsPerAddress = 3;
    });
    m_demo = login("demo", "demo123");
    FtpTestClient slots[3];
    for (FtpTestClient& client : slots)
        signedInClient(client);
    FtpTestClient extra;
    ASSERT_EQ(extra.connect(ftpPort()), 220);
    extra.command("USER " + m_demo.ftpUser);
    EXPECT_EQ(FtpTestClient::codeOf(extra.command("PASS " + m_demo.ftpPassword)), 421);
    EXPECT_EQ(FtpTestClient::codeOf(slots[0].command("QUIT")), 221);

    // The place given back is free once its thread has ended.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool signedIn = false;
    while (!signedIn && std::chrono::steady_clock::now() < deadline) {
        FtpTestClient again;
        signedIn =
            again.connect(ftpPort()) == 220 && again.login(m_demo.ftpUser, m_demo.ftpPassword);
    }
    EXPECT_TRUE(signedIn);
    FtpTestClient idle;
    ASSERT_EQ(idle.connect(ftpPort()), 220);
    EXPECT_EQ(FtpTestClient::codeOf(idle.command("NOOP")), 530);
    EXPECT_EQ(FtpTestClient::codeOf(idle.command("SYST")), 215);
    const std::string closing = idle.readReply();
    EXPECT_EQ(FtpTestClient::codeOf(closing), 421) << closing;
}

// Connections that never sign in wait apart from the signed-in sessions and give way to new
// ones: however many a program opens from however many addresses (127.0.0.2-5 filled the 100
// places once), a user still signs in.
TEST_F(FtpServerTest, ConnectionsThatNeverSignInCannotKeepAUserOut) {
    std::vector<std::unique_ptr<FtpTestClient>> waiting;
    for (int host = 2; host <= 5; ++host) {
        for (int i = 0; i < 40; ++i) {
            auto client = std::make_unique<FtpTestClient>();
            EXPECT_EQ(client->connect(ftpPort(), "127.0.0." + std::to_string(host)), 220);
            waiting.push_back(std::move(client));
        }
    }
    FtpTestClient user;
    ASSERT_EQ(user.connect(ftpPort()), 220);
    ASSERT_TRUE(user.login(m_demo.ftpUser, m_demo.ftpPassword));
    EXPECT_EQ(FtpTestClient::codeOf(user.command("PWD")), 257);
    // Those that gave way were told by their connection's end.
    int ended = 0;
    for (auto& client : waiting)
        ended += client->command("SYST").empty() ? 1 : 0;
    EXPECT_GE(ended, 160 - 64);
}

TEST_F(FtpServerTest, WrongPasswordsCountPerAddressOverItsConnections) {
    for (int connection = 0; connection < 7; ++connection) {
        FtpTestClient guesser;
        ASSERT_EQ(guesser.connect(ftpPort()), 220);
        for (int attempt = 0; attempt < 3; ++attempt) {
            guesser.command("USER " + m_demo.ftpUser);
            guesser.command("PASS guess" + std::to_string(attempt));
        }
    }
    FtpTestClient late;
    ASSERT_EQ(late.connect(ftpPort()), 220);
    late.command("USER " + m_demo.ftpUser);
    EXPECT_EQ(FtpTestClient::codeOf(late.command("PASS " + m_demo.ftpPassword)), 421);
}

// The file server with FTP over TLS offered, and a client side that trusts anything.
class FtpTlsTest : public FtpServerTest {
protected:
    void SetUp() override {
        std::string error;
        const auto authority = standin::LocalAuthority::create("test authority", error);
        ASSERT_TRUE(authority) << error;
        ASSERT_TRUE(authority->issue({{"localhost", "127.0.0.1"}}, m_data.file("host.pem"),
                                     m_data.file("host-key.pem"), error))
            << error;
        const auto tls = standin::TlsServerContext::load(m_data.file("host.pem"),
                                                         m_data.file("host-key.pem"), error);
        ASSERT_TRUE(tls) << error;
        startService(true, [tls](standin::ServiceOptions& options) { options.ftp.tls = tls; });
        m_demo = login("demo", "demo123");
        m_client = SSL_CTX_new(TLS_client_method());
        SSL_CTX_set_verify(m_client, SSL_VERIFY_NONE, nullptr);
    }
    void TearDown() override {
        FtpServerTest::TearDown();
        SSL_CTX_free(m_client);
    }

    SSL_CTX* m_client = nullptr;
};

// Protected data connections were checked by their address only: another local program that
// connected there first and made a handshake of its own received the file. They must resume
// the session of their own control connection.
TEST_F(FtpTlsTest, ProtectedDataGoesOnlyToTheClientOfItsControlConnection) {
    const std::string bytes = bytesOf(70000, 5);
    const std::string id = upload(m_demo, "\\", "0", "secret.bin", bytes);
    FtpTestClient victim;
    ASSERT_EQ(victim.connect(ftpPort()), 220);
    ASSERT_TRUE(victim.secureControl(m_client));
    ASSERT_TRUE(victim.login(m_demo.ftpUser, m_demo.ftpPassword));
    ASSERT_EQ(FtpTestClient::codeOf(victim.command("PBSZ 0")), 200);
    ASSERT_EQ(FtpTestClient::codeOf(victim.command("PROT P")), 200);
    victim.command("TYPE I");

    // The thief's own handshake, then one resuming a session of the thief's own control
    // connection to the same server (no sign-in needed for that).
    FtpTestClient own;
    ASSERT_EQ(own.connect(ftpPort()), 220);
    ASSERT_TRUE(own.secureControl(m_client));
    ASSERT_EQ(FtpTestClient::codeOf(own.command("SYST")), 215);
    SSL_SESSION* ownSession = own.controlSession();
    ASSERT_NE(ownSession, nullptr);
    for (SSL_SESSION* session : {static_cast<SSL_SESSION*>(nullptr), ownSession}) {
        const int port = victim.passivePort();
        ASSERT_GT(port, 0);
        ASSERT_EQ(FtpTestClient::codeOf(victim.command("RETR " + id + ".bin")), 150);
        FtpTestClient thief;
        ASSERT_TRUE(thief.connectData(port));
        thief.secureData(m_client, session);
        EXPECT_EQ(thief.dataResumed(), session != nullptr);
        EXPECT_EQ(thief.receiveData().size(), 0u);
        EXPECT_EQ(FtpTestClient::codeOf(victim.readReply()), 425);
    }
    SSL_SESSION_free(ownSession);

    // The client itself resumes its control connection's session and gets the file.
    const int port = victim.passivePort();
    ASSERT_EQ(FtpTestClient::codeOf(victim.command("RETR " + id + ".bin")), 150);
    ASSERT_TRUE(victim.connectData(port));
    SSL_SESSION* session = victim.controlSession();
    ASSERT_TRUE(victim.secureData(m_client, session));
    SSL_SESSION_free(session);
    EXPECT_TRUE(victim.dataResumed());
    EXPECT_TRUE(victim.receiveData() == bytes);
    EXPECT_EQ(FtpTestClient::codeOf(victim.readReply()), 226);
}

TEST_F(FtpServerTest, StoppingTheServiceEndsSessionsThatWaitForData) {
    FtpTestClient stalled;
    signedInClient(stalled);
    ASSERT_TRUE(stalled.openData());
    EXPECT_EQ(FtpTestClient::codeOf(stalled.command("STOR stalled.bin")), 150);
    stalled.sendData("partial");
    const std::string staging = dataFolder() + "/data/staging/" + m_demo.uid;
    const auto staged = [&] {
        std::error_code error;
        std::filesystem::directory_iterator entry(staging, error);
        return error || entry == std::filesystem::directory_iterator()
                   ? std::string()
                   : readFile(entry->path().string());
    };
    // The server has the bytes before it is stopped: what it keeps is the test, not the race.
    ASSERT_TRUE(waitUntil([&] { return staged() == "partial"; }));
    FtpTestClient idle;
    signedInClient(idle);
    m_service->stop();
    EXPECT_EQ(FtpTestClient::codeOf(idle.readReply()), 421);
    EXPECT_EQ(staged(), "partial");
    m_service.reset();
}

}  // namespace
}  // namespace nubexa::test
