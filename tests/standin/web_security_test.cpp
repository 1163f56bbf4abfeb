#include <sqlite3.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "browser.h"
#include "ftp_test_client.h"
#include "standin/store/account_store.h"
#include "standin/web/signin_throttle.h"
#include "standin_fixture.h"

namespace nubexa::test {
namespace {

namespace fs = std::filesystem;

class WebSecurityTest : public StandinTest {
protected:
    Answer apiLogin(const std::string& sid) {
        return call("/OAuthService.asmx/APILogin?sid=" + sid);
    }

    std::string fileIdIn(const Answer& listing, const std::string& name) {
        for (const auto* file : listing.items("files")) {
            if (attrOf(file, "name") + attrOf(file, "ext") == name)
                return attrOf(file, "id");
        }
        return {};
    }
};

// An uploaded page must not run on the site's origin: that is where the sign-in confirmation
// lives.
TEST_F(WebSecurityTest, DownloadsOfUploadsCannotRunScriptOnTheSite) {
    const std::string page = "<html><script>alert(document.cookie)</script></html>";
    const std::string id = upload(m_demo, "\\", "0", "evil.html", page);
    ASSERT_FALSE(id.empty());
    ASSERT_EQ(signedCall("/fileservice.asmx/FileOutLinkSetting", m_demo,
                         {{"fid", id}, {"link_name", "evil"}, {"domain", ""}})
                  .result(),
              "1");
    ASSERT_EQ(signedCall("/fileservice.asmx/FileShare", m_demo,
                         {{"fids", id}, {"downpwd", ""}, {"downValue", "0"}, {"description", ""}})
                  .result(),
              "1");
    const std::string share =
        signedCall("/fileservice.asmx/GetFileShareLink", m_demo, {{"fid", id}}).attr("file", "url");
    ASSERT_FALSE(share.empty());

    Browser browser(m_service->httpPort());
    for (const std::string& path :
         {std::string("/d/evil"), share.substr(baseUrl().size()) + "/file/" + id}) {
        const auto served = browser.get(path);
        ASSERT_TRUE(served) << path;
        EXPECT_EQ(served->status, 200) << path;
        EXPECT_EQ(served->body, page) << path;
        EXPECT_EQ(served->get_header_value("Content-Type"), "text/plain; charset=utf-8") << path;
        EXPECT_EQ(served->get_header_value("Content-Disposition").rfind("attachment;", 0), 0u)
            << path;
        EXPECT_EQ(served->get_header_value("X-Content-Type-Options"), "nosniff") << path;
        EXPECT_EQ(served->get_header_value("Content-Security-Policy"), "sandbox") << path;
    }
    // A picture behind a direct link still shows in place, in the same sandbox.
    const auto picture = browser.get("/d/demo-seaside");
    EXPECT_EQ(picture->get_header_value("Content-Type"), "image/png");
    EXPECT_EQ(picture->get_header_value("Content-Disposition").rfind("inline;", 0), 0u);
    EXPECT_EQ(picture->get_header_value("Content-Security-Policy"), "sandbox");
}

TEST_F(WebSecurityTest, FormsPostedWithoutTheBrowsersTokenChangeNothing) {
    const std::string sid = "AttackerSid0123456789";
    Browser victim(m_service->httpPort());
    ASSERT_EQ(victim.submit("/home", "name=guest&password=guest123")->status, 303);
    ASSERT_FALSE(victim.cookie().empty());

    // The takeover: a page posts the confirmation for the attacker's sid with the victim's
    // cookies, without a token or with one the attacker got for his own browser.
    Browser attacker(m_service->httpPort());
    const std::string foreign = attacker.tokenOf("/clientuserlogin.aspx?type=qq&sid=" + sid);
    ASSERT_FALSE(foreign.empty());
    EXPECT_EQ(victim.post("/clientuserlogin.aspx", "sid=" + sid + "&type=qq&confirm=1")->status,
              403);
    EXPECT_EQ(
        victim.post("/clientuserlogin.aspx", "sid=" + sid + "&type=qq&confirm=1&csrf=" + foreign)
            ->status,
        403);
    EXPECT_EQ(apiLogin(sid).result(), "0");

    // The other state-changing forms refuse the same way and change nothing.
    for (const auto& [path, form] :
         {std::pair{"/account/recommend.aspx", ""}, std::pair{"/account/wip.aspx", ""},
          std::pair{"/account/upspace.aspx", "gb=5"},
          std::pair{"/reset.aspx",
                    "name=guest&email=guest%40example.com&password=owned12&"
                    "password2=owned12"},
          std::pair{"/register.aspx", "name=mallory&password=secret1&password2=secret1"},
          std::pair{"/home", "name=demo&password=demo123"}}) {
        EXPECT_EQ(victim.post(path, form)->status, 403) << path;
    }
    const Answer guest = call("/OAuthService.asmx/Login?uid=guest&pwd=guest123");
    ASSERT_EQ(guest.result(), "1");
    EXPECT_EQ(guest.attr("client", "DiskSize"), std::to_string(1LL << 30));
    EXPECT_EQ(call("/OAuthService.asmx/Login?uid=mallory&pwd=secret1").result(), "0");

    // The user confirming on the page itself still signs the client in.
    const auto confirmed = victim.submit("/clientuserlogin.aspx?type=qq&sid=" + sid,
                                         "sid=" + sid + "&type=qq&confirm=1");
    ASSERT_EQ(confirmed->status, 303);
    EXPECT_NE(victim.get(confirmed->get_header_value("Location"))->body.find("授权成功"),
              std::string::npos);
    EXPECT_EQ(apiLogin(sid).result(), "1");
    // Pages refuse to be framed by other sites.
    EXPECT_EQ(victim.get("/home")->get_header_value("X-Frame-Options"), "DENY");
}

TEST_F(WebSecurityTest, RepeatedWrongPasswordsLockTheAccountAndThenTheAddressOut) {
    Browser browser(m_service->httpPort());
    for (int i = 0; i < 5; ++i) {
        const auto wrong = browser.submit("/home", "name=guest&password=wrong" + std::to_string(i));
        EXPECT_NE(wrong->body.find("用户名或密码错误"), std::string::npos);
    }
    const auto locked = browser.submit("/home", "name=guest&password=guest123");
    EXPECT_NE(locked->body.find("登录失败次数过多"), std::string::npos);
    EXPECT_TRUE(browser.cookie().empty());
    // The web sign-in page shares the count; another account is not held back by it.
    const std::string sid = "LockedSid01234567890";
    const auto page = "/clientuserlogin.aspx?type=qq&sid=" + sid;
    EXPECT_NE(browser.submit(page, "sid=" + sid + "&type=qq&name=guest&password=guest123")
                  ->body.find("登录失败次数过多"),
              std::string::npos);
    EXPECT_EQ(apiLogin(sid).result(), "0");
    EXPECT_EQ(Browser(m_service->httpPort()).submit("/home", "name=demo&password=demo123")->status,
              303);

    // Guessing across many names locks the address out.
    for (int i = 0; i < 15; ++i)
        browser.submit("/home", "name=nobody" + std::to_string(i) + "&password=x");
    EXPECT_NE(Browser(m_service->httpPort())
                  .submit("/home", "name=demo&password=demo123")
                  ->body.find("登录失败次数过多"),
              std::string::npos);
}

// A guessing loop against the API: the count is per account whichever name is typed, and once
// it is locked even the right password is refused, which it could only be before hashing.
TEST_F(WebSecurityTest, GuessingThroughTheApiIsRefusedAtOnceWhileTheServiceAnswersOthers) {
    const Credentials guest = login("guest", "guest123");
    ASSERT_FALSE(guest.uid.empty());
    const std::string names[] = {"guest", guest.uid, "GUEST@example.com"};
    for (int i = 0; i < 40; ++i) {
        const Answer refused =
            call("/OAuthService.asmx/Login?uid=" + names[i % 3] + "&pwd=wrong" + std::to_string(i));
        EXPECT_EQ(refused.result(), "0");
        EXPECT_EQ(refused.text("msg"),
                  i < 5 ? "用户名或密码错误" : "登录失败次数过多，请1分钟后再试")
            << i;
    }
    EXPECT_EQ(call("/OAuthService.asmx/Login?uid=guest&pwd=guest123").text("msg"),
              "登录失败次数过多，请1分钟后再试");
    EXPECT_NE(Browser(m_service->httpPort())
                  .submit("/home", "name=guest&password=guest123")
                  ->body.find("登录失败次数过多"),
              std::string::npos);
    // Other accounts and signed operations go on.
    EXPECT_EQ(signedCall("/UserService.asmx/GetUserInfo", m_demo, {}).result(), "1");
    EXPECT_FALSE(login("demo", "demo123").token.empty());
    // An id is taken only as written: "0" + id is no account at all.
    EXPECT_EQ(call("/OAuthService.asmx/Login?uid=0" + m_demo.uid + "&pwd=demo123").result(), "0");
    EXPECT_EQ(call("/OAuthService.asmx/Login?uid=" + m_demo.uid + "&pwd=demo123").result(), "1");
}

// The browser sign-in token travels in an address that lands in histories and logs.
TEST_F(WebSecurityTest, AWebSignInTokenServesOnceAndLogoutTakesTheFormsToken) {
    const std::string forward = "/paramoauth.aspx?token=" + m_demo.paramToken + "&url=/home";
    Browser first(m_service->httpPort());
    ASSERT_EQ(first.get(forward)->status, 303);
    ASSERT_FALSE(first.cookie().empty());
    Browser replay(m_service->httpPort());
    replay.get(forward);
    EXPECT_TRUE(replay.cookie().empty());
    EXPECT_NE(replay.get("/home")->body.find("name=\"password\""), std::string::npos);

    // A token older than its lifetime signs nobody in.
    const Credentials later = login("demo", "demo123");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dataFolder() + "/data/nubexa.db").c_str(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 5000);
    const std::string age =
        "UPDATE sessions SET created = created - 3600 WHERE token = '" + later.token + "'";
    EXPECT_EQ(sqlite3_exec(db, age.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    Browser stale(m_service->httpPort());
    stale.get("/paramoauth.aspx?token=" + later.paramToken + "&url=/home");
    EXPECT_TRUE(stale.cookie().empty());

    // Leaving: a link or a foreign post does not sign the browser out; the page's form does.
    first.get("/logout.aspx");
    EXPECT_EQ(first.post("/logout.aspx", "")->status, 403);
    EXPECT_NE(first.get("/home")->body.find("我的账号"), std::string::npos);
    EXPECT_EQ(first.submit("/logout.aspx", "")->status, 303);
    EXPECT_TRUE(first.cookie().empty());
}

TEST_F(WebSecurityTest, ReturnAddressesStayOnTheSite) {
    Browser browser(m_service->httpPort());
    for (const std::string& evil :
         {std::string("/%09/evil.example"), std::string("//evil.example"),
          std::string("/%5Cevil.example"), std::string("%2F%0D%0A%2Fevil.example"),
          std::string("http%3A%2F%2Fevil.example%2F"), baseUrl() + "/%09/evil.example"}) {
        const auto forwarded = browser.get("/paramoauth.aspx?token=none&url=" + evil);
        ASSERT_TRUE(forwarded) << evil;
        EXPECT_NE(forwarded->status, 303) << evil;
        const auto signedIn =
            Browser(m_service->httpPort())
                .submit("/home", "/home", "name=demo&password=demo123&next=" + evil);
        EXPECT_EQ(signedIn->get_header_value("Location"), "/home") << evil;
    }
    const auto local = browser.get("/paramoauth.aspx?token=none&url=%2Faccount%2Fwip.aspx");
    EXPECT_EQ(local->get_header_value("Location"), "/account/wip.aspx");
}

TEST_F(WebSecurityTest, TheCapacityPageStopsAtItsCap) {
    Browser browser(m_service->httpPort());
    ASSERT_EQ(browser.submit("/home", "name=demo&password=demo123")->status, 303);
    for (int i = 0; i < 6; ++i)
        browser.submit("/account/upspace.aspx", "gb=5");
    const auto page = browser.get("/account/upspace.aspx");
    EXPECT_EQ(page->body.find("name=\"gb\""), std::string::npos);
    EXPECT_EQ(call("/OAuthService.asmx/Login?uid=demo&pwd=demo123").attr("client", "DiskSize"),
              std::to_string(standin::AccountStore::kMaxPurchasedDisk));
    const auto refused =
        browser.post("/account/upspace.aspx", "gb=5&csrf=" + browser.tokenOf("/logout.aspx"));
    EXPECT_NE(refused->body.find("已达扩容上限"), std::string::npos);
}

TEST(SignInThrottleTest, LockOutEndsAfterItsTimeAndARightPasswordClearsTheCount) {
    using namespace std::chrono_literals;
    standin::SignInThrottle throttle({3, 60s, 10s});
    const auto t0 = standin::SignInThrottle::Clock::now();
    throttle.failed("Alice", "10.0.0.1", t0);
    throttle.failed("alice", "10.0.0.1", t0 + 1s);
    throttle.succeeded("ALICE");
    throttle.failed("alice", "10.0.0.1", t0 + 2s);
    EXPECT_TRUE(throttle.mayTry("alice", "10.0.0.1", t0 + 2s));
    // Failures further apart than the window do not add up.
    throttle.failed("alice", "10.0.0.2", t0 + 70s);
    throttle.failed("alice", "10.0.0.2", t0 + 71s);
    EXPECT_TRUE(throttle.mayTry("alice", "10.0.0.2", t0 + 71s));
    throttle.failed("alice", "10.0.0.2", t0 + 72s);
    EXPECT_FALSE(throttle.mayTry("alice", "10.0.0.3", t0 + 72s));
    EXPECT_TRUE(throttle.mayTry("bob", "10.0.0.3", t0 + 72s));
    EXPECT_TRUE(throttle.mayTry("alice", "10.0.0.3", t0 + 83s));
}

class StagingTest : public StandinTest {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        // Lower the guest's disk so its staging room is small.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((dataFolder() + "/data/nubexa.db").c_str(), &db), SQLITE_OK);
        sqlite3_busy_timeout(db, 5000);
        EXPECT_EQ(sqlite3_exec(db, "UPDATE accounts SET disk_size = 65536 WHERE name = 'guest'",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
        const Answer guest = call("/OAuthService.asmx/Login?uid=guest&pwd=guest123");
        m_ftpUser = guest.attr("client", "ftp_username");
        m_ftpPassword = guest.attr("client", "ftp_pwd");
    }

    // STOR of `bytes` under `name` in the root; the final reply.
    std::string store(FtpTestClient& ftp, const std::string& name, const std::string& bytes) {
        if (!ftp.openData())
            return "no data connection";
        const std::string opening = ftp.command("STOR " + name);
        if (FtpTestClient::codeOf(opening) != 150)
            return opening;
        ftp.sendData(bytes);
        ftp.closeData();
        return ftp.readReply();
    }

    std::string m_ftpUser;
    std::string m_ftpPassword;
};

TEST_F(StagingTest, AnAccountKeepsNoMoreThanItsFreeSpaceInStaging) {
    FtpTestClient ftp;
    ASSERT_EQ(ftp.connect(ftpPort()), 220);
    ASSERT_TRUE(ftp.login(m_ftpUser, m_ftpPassword));
    ftp.command("TYPE I");
    EXPECT_EQ(FtpTestClient::codeOf(store(ftp, "a.bin", std::string(40000, 'a'))), 226);
    const std::string refused = store(ftp, "b.bin", std::string(40000, 'b'));
    EXPECT_EQ(FtpTestClient::codeOf(refused), 552) << refused;
    EXPECT_NE(refused.find("Staging"), std::string::npos) << refused;
    // Writing the same upload again does not count its own earlier bytes.
    EXPECT_EQ(FtpTestClient::codeOf(store(ftp, "a.bin", std::string(40000, 'c'))), 226);
    EXPECT_EQ(ftp.command("SIZE a.bin"), "213 40000\r\n");
}

// Two sessions of one account share its room while their bytes arrive, not only at STOR.
TEST_F(StagingTest, ParallelUploadsOfOneAccountShareItsStagingRoom) {
    FtpTestClient first;
    FtpTestClient second;
    for (FtpTestClient* ftp : {&first, &second}) {
        ASSERT_EQ(ftp->connect(ftpPort()), 220);
        ASSERT_TRUE(ftp->login(m_ftpUser, m_ftpPassword));
        ftp->command("TYPE I");
    }
    ASSERT_TRUE(first.openData());
    ASSERT_EQ(FtpTestClient::codeOf(first.command("STOR a.bin")), 150);
    first.sendData(std::string(40000, 'a'));
    // Wait until the server holds the first upload's bytes (never longer than the deadline).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (second.command("SIZE a.bin") != "213 40000\r\n" &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::string refused = store(second, "b.bin", std::string(40000, 'b'));
    EXPECT_EQ(FtpTestClient::codeOf(refused), 552) << refused;
    first.closeData();
    EXPECT_EQ(FtpTestClient::codeOf(first.readReply()), 226);
}

TEST_F(StagingTest, NoUploadStartsWhenTheDataFoldersDiskIsNearlyFull) {
    startService(false, [](standin::ServiceOptions& options) {
        options.minFreeDisk = std::int64_t{1} << 62;
    });
    FtpTestClient ftp;
    ASSERT_EQ(ftp.connect(ftpPort()), 220);
    ASSERT_TRUE(ftp.login(m_ftpUser, m_ftpPassword));
    ASSERT_TRUE(ftp.openData());
    EXPECT_EQ(FtpTestClient::codeOf(ftp.command("STOR a.bin")), 452);
}

TEST_F(StagingTest, AbandonedUploadsArePrunedWhileTheServiceRuns) {
    m_service->stop();
    standin::ServiceOptions options;
    options.dataFolder = dataFolder() + "/data";
    options.httpPort = 0;
    options.ftp.port = 0;
    options.stagingMaxAge = std::chrono::hours(1);
    options.stagingPruneInterval = std::chrono::milliseconds(50);
    m_service = std::make_unique<standin::StandinService>(options);
    ASSERT_TRUE(m_service->start().ok);

    FtpTestClient ftp;
    ASSERT_EQ(ftp.connect(ftpPort()), 220);
    ASSERT_TRUE(ftp.login(m_ftpUser, m_ftpPassword));
    ftp.command("TYPE I");
    ASSERT_EQ(FtpTestClient::codeOf(store(ftp, "old.bin", "old bytes")), 226);
    ASSERT_EQ(FtpTestClient::codeOf(store(ftp, "new.bin", "new bytes")), 226);
    std::vector<fs::path> staged;
    for (const auto& entry : fs::recursive_directory_iterator(dataFolder() + "/data/staging")) {
        if (entry.is_regular_file())
            staged.push_back(entry.path());
    }
    ASSERT_EQ(staged.size(), 2u);
    std::string oldPath;
    for (const auto& path : staged) {
        std::ifstream in(path);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        if (text == "old bytes")
            oldPath = path.string();
    }
    ASSERT_FALSE(oldPath.empty());
    // Age the old upload by two hours.
    fs::last_write_time(oldPath, fs::last_write_time(oldPath) - std::chrono::hours(2));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (fs::exists(oldPath) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(fs::exists(oldPath));
    EXPECT_EQ(ftp.command("SIZE new.bin"), "213 9\r\n");
}

}  // namespace
}  // namespace nubexa::test
