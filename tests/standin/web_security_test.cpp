#include <sqlite3.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "browser.h"
#include "ftp_test_client.h"
#include "standin/store/account_store.h"
#include "standin/util/guess_throttle.h"
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

TEST(GuessThrottleTest, AGuesserLocksHimselfOutLongerEachTimeButNotTheSecretsOwner) {
    using namespace std::chrono_literals;
    standin::GuessThrottle throttle({3, 8, 6, 60s, 10s, 40s});
    const auto t0 = standin::GuessThrottle::Clock::now();
    throttle.failed("Alice", "10.0.0.1", t0);
    throttle.failed("alice", "10.0.0.1", t0 + 1s);
    // A right password clears the count of its own address.
    throttle.succeeded("ALICE", "10.0.0.1", t0 + 1s);
    throttle.failed("alice", "10.0.0.1", t0 + 2s);
    EXPECT_TRUE(throttle.mayTry("alice", "10.0.0.1", t0 + 2s));
    // Failures further apart than the window do not add up.
    throttle.failed("alice", "10.0.0.2", t0 + 70s);
    throttle.failed("alice", "10.0.0.2", t0 + 71s);
    EXPECT_TRUE(throttle.mayTry("alice", "10.0.0.2", t0 + 71s));
    throttle.failed("alice", "10.0.0.2", t0 + 72s);
    // The guesser is locked out; the owner at another address and other accounts are not.
    EXPECT_EQ(throttle.lockedFor("alice", "10.0.0.2", t0 + 72s), 10s);
    EXPECT_TRUE(throttle.mayTry("alice", "10.0.0.3", t0 + 72s));
    EXPECT_TRUE(throttle.mayTry("bob", "10.0.0.2", t0 + 72s));
    EXPECT_TRUE(throttle.mayTry("alice", "10.0.0.2", t0 + 82s));
    // Locked again soon after: twice as long.
    for (int i = 0; i < 3; ++i)
        throttle.failed("alice", "10.0.0.2", t0 + 83s);
    EXPECT_EQ(throttle.lockedFor("alice", "10.0.0.2", t0 + 83s), 20s);
    // Guessing spread over addresses (6 wrong at alice since t0 + 70s, window 60 s) locks the
    // account for addresses that never gave its password, not for the owner's.
    EXPECT_GT(throttle.lockedFor("alice", "10.0.0.9", t0 + 83s).count(), 0);
    EXPECT_TRUE(throttle.mayTry("alice", "10.0.0.1", t0 + 83s));
    // An address's own count covers every secret it guesses; an IPv6 /64 is one address.
    for (int i = 0; i < 8; ++i)
        throttle.failed("user" + std::to_string(i), "2001:db8::" + std::to_string(i + 1), t0);
    EXPECT_FALSE(throttle.mayTry("carol", "2001:db8::ffff", t0 + 1s));
    EXPECT_TRUE(throttle.mayTry("carol", "2001:db8:0:1::1", t0 + 1s));
}

// One anonymous request with a wrong extraction code froze the whole service: the share page
// held its database transaction while showing the page opened another.
TEST_F(WebSecurityTest, AWrongExtractionCodeIsAnsweredAndTheServiceGoesOn) {
    // The demo shares 文档/季度报告.pdf with the code abcd.
    std::string docs;
    const Answer root = listFolder(m_demo, "0");
    for (const auto* folder : root.items("folders")) {
        if (attrOf(folder, "name") == "文档")
            docs = attrOf(folder, "id");
    }
    const std::string report = fileIdIn(listFolder(m_demo, docs), "季度报告.pdf");
    const std::string url =
        signedCall("/fileservice.asmx/GetFileShareLink", m_demo, {{"fid", report}})
            .attr("file", "url");
    ASSERT_FALSE(url.empty());
    const std::string page = url.substr(baseUrl().size());

    Browser visitor(m_service->httpPort());
    const auto byLink = visitor.get(page + "?pwd=wrong");
    ASSERT_TRUE(byLink) << "no answer to a wrong code in the link";
    EXPECT_EQ(byLink->status, 200);
    EXPECT_NE(byLink->body.find("提取码错误"), std::string::npos);
    EXPECT_NE(byLink->body.find("value=\"wrong\""), std::string::npos);
    const auto byForm = visitor.submit(page, "code=nope");
    ASSERT_TRUE(byForm) << "no answer to a wrong code in the form";
    EXPECT_NE(byForm->body.find("提取码错误"), std::string::npos);

    // Everything else still answers: the API, the site, the file server.
    EXPECT_FALSE(login("guest", "guest123").token.empty());
    EXPECT_EQ(Browser(m_service->httpPort()).submit("/home", "name=demo&password=demo123")->status,
              303);
    FtpTestClient ftp;
    ASSERT_EQ(ftp.connect(ftpPort()), 220);
    EXPECT_TRUE(ftp.login(m_demo.ftpUser, m_demo.ftpPassword));
    // The right code still opens the share, and no request failed on the way.
    EXPECT_EQ(visitor.get(page + "?pwd=%20ABCD")->status, 303);
    EXPECT_EQ(visitor.get(page + "/file/" + report)->status, 200);
    for (const auto& line : logLines())
        EXPECT_EQ(line.find("failed"), std::string::npos) << line;
}

// Another program holds SQLite's lock, as an operator's sqlite3 in a transaction would: every
// request fails within its own time limit instead of queueing behind the one before, the file
// server says so too, and all recovers once the lock is gone.
TEST_F(WebSecurityTest, RequestsThatCannotHaveTheDatabaseFailInTimeAndTheServiceRecovers) {
    using namespace std::chrono_literals;
    // Long enough for a sign-in's deliberately slow hash on a slow machine.
    startService(true, [](standin::ServiceOptions& options) { options.requestTimeLimit = 3s; });
    m_demo = login("demo", "demo123");
    Browser browser(m_service->httpPort());
    ASSERT_EQ(browser.submit("/home", "name=demo&password=demo123")->status, 303);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dataFolder() + "/data/nubexa.db").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    const auto started = std::chrono::steady_clock::now();
    constexpr int kCallers = 6;
    std::vector<int> statuses(kCallers, 0);
    std::vector<std::string> bodies(kCallers);
    std::vector<std::thread> callers;
    for (int i = 0; i < kCallers; ++i)
        callers.emplace_back([&, i] {
            bodies[i] = get("/OAuthService.asmx/Login?uid=demo&pwd=demo123", &statuses[i]);
        });
    for (auto& caller : callers)
        caller.join();
    const auto waited = std::chrono::steady_clock::now() - started;
    for (int i = 0; i < kCallers; ++i) {
        EXPECT_EQ(statuses[i], 503) << i;
        EXPECT_EQ(Answer(bodies[i]).text("msg"), "服务器忙，请稍后再试") << bodies[i];
    }
    // One after another at SQLite's own 5 s each, the last would have waited half a minute.
    EXPECT_LT(waited, 8s);
    const auto page = browser.get("/home");
    EXPECT_EQ(page->status, 503);
    EXPECT_NE(page->body.find("服务器忙"), std::string::npos);
    FtpTestClient ftp;
    ASSERT_EQ(ftp.connect(ftpPort()), 220);
    ftp.command("USER " + m_demo.ftpUser);
    EXPECT_EQ(FtpTestClient::codeOf(ftp.command("PASS " + m_demo.ftpPassword)), 451);

    ASSERT_EQ(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    // Failing for want of the database counted no wrong password.
    EXPECT_FALSE(login("demo", "demo123").token.empty());
    EXPECT_NE(browser.get("/home")->body.find("我的账号"), std::string::npos);
    EXPECT_TRUE(ftp.login(m_demo.ftpUser, m_demo.ftpPassword));
    int failures = 0;
    for (const auto& line : logLines())
        failures += line.find("GET /OAuthService.asmx/Login failed: ") != std::string::npos;
    EXPECT_EQ(failures, kCallers);
}

// Share codes and folder passwords are counted as sign-in passwords are: per address, from one
// address whatever it guesses, and from everywhere. The demo's four-digit folder password fell
// to 1,235 quick guesses.
TEST_F(WebSecurityTest, ShareCodesAndFolderPasswordsCannotBeGuessedWithoutEnd) {
    std::string secret;
    std::string docs;
    const Answer root = listFolder(m_demo, "0");
    for (const auto* folder : root.items("folders")) {
        if (attrOf(folder, "name") == "私密资料")
            secret = attrOf(folder, "id");
        if (attrOf(folder, "name") == "文档")
            docs = attrOf(folder, "id");
    }
    ASSERT_EQ(
        signedCall("/fileservice.asmx/FolderShare", m_demo,
                   {{"dirids", secret}, {"downpwd", ""}, {"downValue", "0"}, {"description", ""}})
            .result(),
        "1");
    const std::string folderPage =
        signedCall("/fileservice.asmx/GetFolderShareLink", m_demo, {{"dirid", secret}})
            .attr("folder", "url")
            .substr(baseUrl().size());
    const std::string codePage =
        signedCall("/fileservice.asmx/GetFileShareLink", m_demo,
                   {{"fid", fileIdIn(listFolder(m_demo, docs), "季度报告.pdf")}})
            .attr("file", "url")
            .substr(baseUrl().size());
    const std::string lock = "lock=f" + secret + "&itempwd=";
    auto guess = [](int n) {
        std::string digits = std::to_string(n);
        return std::string(digits.size() < 4 ? 4 - digits.size() : 0, '0') + digits;
    };

    // One address guessing the folder's password, or the code in a link, is held back, then
    // refused even the right one.
    Browser guesser(m_service->httpPort(), "127.0.0.2");
    for (int n = 0; n < 5; ++n)
        EXPECT_NE(guesser.submit(folderPage, lock + guess(n))->body.find("密码错误"),
                  std::string::npos);
    const auto held = guesser.submit(folderPage, lock + "1234");
    EXPECT_EQ(held->status, 429);
    EXPECT_NE(held->body.find("尝试次数过多，请1分钟后再试"), std::string::npos) << held->body;
    EXPECT_EQ(guesser.get(folderPage)->body.find("账号备忘.txt"), std::string::npos);
    Browser linkGuesser(m_service->httpPort(), "127.0.0.3");
    for (int n = 0; n < 5; ++n)
        EXPECT_NE(linkGuesser.get(codePage + "?pwd=x" + guess(n))->body.find("提取码错误"),
                  std::string::npos);
    EXPECT_EQ(linkGuesser.get(codePage + "?pwd=abcd")->status, 429);

    // A visitor at another address is not held back by them.
    Browser visitor(m_service->httpPort());
    EXPECT_EQ(visitor.submit(folderPage, lock + "1234")->status, 303);
    EXPECT_EQ(visitor.get(codePage + "?pwd=abcd")->status, 303);

    // Guessing spread over many addresses holds the share back for newcomers, not for the
    // address that opened it before.
    for (int host = 4; host < 14; ++host) {
        Browser spread(m_service->httpPort(), "127.0.0." + std::to_string(host));
        for (int n = 0; n < 5; ++n)
            spread.submit(folderPage, lock + guess(host * 10 + n));
    }
    EXPECT_EQ(
        Browser(m_service->httpPort(), "127.0.0.14").submit(folderPage, lock + "1234")->status,
        429);
    EXPECT_EQ(Browser(m_service->httpPort()).submit(folderPage, lock + "1234")->status, 303);
}

// Five wrong passwords locked an account for everyone, its owner included.
TEST_F(WebSecurityTest, AGuesserLocksOnlyHimselfOutNotTheOwner) {
    auto loginFrom = [&](const std::string& source, const std::string& password) {
        httplib::Client client("127.0.0.1", m_service->httpPort());
        client.set_interface(source);
        client.set_read_timeout(20, 0);
        const auto answer =
            client.Get(("/OAuthService.asmx/Login?uid=guest&pwd=" + password).c_str());
        return Answer(answer ? answer->body : std::string());
    };
    ASSERT_FALSE(login("guest", "guest123").token.empty());
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(loginFrom("127.0.0.2", "wrong" + std::to_string(i)).text("msg"),
                  i < 5 ? "用户名或密码错误" : "登录失败次数过多，请1分钟后再试")
            << i;
    EXPECT_EQ(loginFrom("127.0.0.2", "guest123").result(), "0");
    // The owner, at his own address, signs in on the API and on the site.
    EXPECT_FALSE(login("guest", "guest123").token.empty());
    EXPECT_EQ(
        Browser(m_service->httpPort()).submit("/home", "name=guest&password=guest123")->status,
        303);

    // Guessing spread over many addresses locks the account for addresses that never signed
    // in to it, and not for the owner's.
    for (int host = 3; host < 13; ++host)
        for (int i = 0; i < 5; ++i)
            loginFrom("127.0.0." + std::to_string(host), "spread" + std::to_string(i));
    EXPECT_EQ(loginFrom("127.0.0.13", "guest123").text("msg"), "登录失败次数过多，请1分钟后再试");
    EXPECT_FALSE(login("guest", "guest123").token.empty());
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
