#include <filesystem>
#include <fstream>

#include "browser.h"
#include "standin_fixture.h"

namespace nubexa::test {
namespace {

class WebPagesTest : public StandinTest {
protected:
    std::string sid() const { return "AbCdEfGhIj0123456789"; }
    Answer apiLogin(const std::string& id) { return call("/OAuthService.asmx/APILogin?sid=" + id); }
};

TEST_F(WebPagesTest, EveryPageTheClientOpensIsAnHtmlPage) {
    Browser browser(m_service->httpPort());
    for (const std::string& path :
         {std::string("/register.aspx"), std::string("/reset.aspx"), std::string("/home"),
          std::string("/help/"), std::string("/account/recommend.aspx"),
          std::string("/account/wip.aspx"), std::string("/account/upspace.aspx"),
          "/clientuserlogin.aspx?type=qq&sid=" + sid(),
          "/clientuserlogin.aspx?type=sina&sid=" + sid()}) {
        const auto page = browser.get(path);
        ASSERT_TRUE(page) << path;
        EXPECT_EQ(page->status, 200) << path;
        EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8") << path;
        EXPECT_NE(page->body.find("</html>"), std::string::npos) << path;
        if (path != "/help/") {
            EXPECT_NE(page->body.find("<form"), std::string::npos) << path;
        }
    }
    EXPECT_EQ(browser.get("/clientuserlogin.aspx?type=qq&sid=<script>")->status, 400);
    EXPECT_EQ(browser.get("/no/such/page")->status, 404);
}

TEST_F(WebPagesTest, RegistrationCreatesAnAccountTheClientCanSignInWith) {
    Browser browser(m_service->httpPort());
    const auto mismatch = browser.submit("/register.aspx",
                                         "name=alice&nickname=Al&email=al%40example.com&password="
                                         "secret1&password2=secret2");
    EXPECT_NE(mismatch->body.find("两次输入密码不一致"), std::string::npos);
    const auto created = browser.submit("/register.aspx",
                                        "name=alice&nickname=%E7%88%B1&email=al%40example.com&"
                                        "password=secret1&password2=secret1");
    ASSERT_EQ(created->status, 303);
    // The page after it is a plain GET: reloading it registers nothing again.
    const auto done = browser.get(created->get_header_value("Location"));
    EXPECT_NE(done->body.find("注册成功"), std::string::npos) << done->body;
    EXPECT_NE(done->body.find("退出"), std::string::npos);
    EXPECT_EQ(done->body.find("无法找回"), std::string::npos);
    EXPECT_FALSE(browser.cookie().empty());
    const Credentials alice = login("alice", "secret1");
    ASSERT_FALSE(alice.token.empty());
    EXPECT_EQ(listFolder(alice, "0").result(), "1");
    EXPECT_EQ(alice.avatar, "avatar_" + alice.uid + ".png");

    const auto taken =
        Browser(m_service->httpPort())
            .submit("/register.aspx", "name=ALICE&email=&password=secret1&password2=secret1");
    EXPECT_NE(taken->body.find("该用户名已被注册"), std::string::npos);
    // Limits are said, and the fields stay.
    Browser limited(m_service->httpPort());
    const auto longName = limited.submit(
        "/register.aspx", "name=bob&nickname=" + std::string(33, 'n') +
                              "&email=b%40example.com&password=secret1&password2=secret1");
    EXPECT_NE(longName->body.find("昵称最多 32 个字符"), std::string::npos);
    EXPECT_NE(longName->body.find("value=\"b@example.com\""), std::string::npos);
    EXPECT_NE(limited
                  .submit("/register.aspx",
                          "name=bob&nickname=+%E3%80%80+&password=secret1&password2=secret1")
                  ->body.find("昵称不能只有空格"),
              std::string::npos);
    const auto noMail =
        limited.submit("/register.aspx", "name=bob&email=&password=secret1&password2=secret1");
    EXPECT_NE(limited.get(noMail->get_header_value("Location"))->body.find("无法找回"),
              std::string::npos);
    // A form whose token went stale comes back with what was typed and a note.
    limited.tokenOf("/register.aspx");
    const auto stale = limited.post("/register.aspx", "name=carol&email=c%40example.com&csrf=old");
    EXPECT_EQ(stale->status, 403);
    EXPECT_NE(stale->body.find("页面已过期"), std::string::npos);
    EXPECT_NE(stale->body.find("value=\"carol\""), std::string::npos);
    const auto bad = Browser(m_service->httpPort())
                         .submit("/register.aspx", "name=a%26b&password=secret1&password2=secret1");
    EXPECT_NE(bad->body.find("用户名只能包含"), std::string::npos);
}

// A reset takes a one-time link mailed to the registered address (the outbox stands in for
// the mail server); knowing the name and the address is not enough.
TEST_F(WebPagesTest, ResetGoesThroughAOneTimeLinkMailedToTheRegisteredAddress) {
    Browser browser(m_service->httpPort());
    const auto wrong = browser.submit("/reset.aspx", "name=demo&email=x%40example.com");
    EXPECT_NE(wrong->body.find("邮箱与该账号注册时填写的不一致"), std::string::npos);
    EXPECT_NE(wrong->body.find("value=\"x@example.com\""), std::string::npos);
    EXPECT_NE(browser.submit("/reset.aspx", "name=nobody&email=x%40example.com")
                  ->body.find("没有这个用户名"),
              std::string::npos);
    const auto sent = browser.submit("/reset.aspx", "name=demo&email=DEMO%40example.com");
    EXPECT_EQ(sent->status, 303);
    EXPECT_NE(browser.get(sent->get_header_value("Location"))->body.find("30分钟"),
              std::string::npos);
    EXPECT_FALSE(login("demo", "demo123").token.empty());  // nothing changed yet

    std::string mail;
    for (const auto& entry : std::filesystem::directory_iterator(dataFolder() + "/data/outbox")) {
        std::ifstream in(entry.path());
        mail.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string marker = baseUrl() + "/reset.aspx?token=";
    const auto at = mail.find(marker);
    ASSERT_NE(at, std::string::npos) << mail;
    const std::string link =
        mail.substr(at + baseUrl().size(), marker.size() - baseUrl().size() + 48);
    const std::string token = link.substr(link.find('=') + 1);

    const auto done = browser.submit(link, "/reset.aspx",
                                     "reset=" + token + "&password=newpass1&password2=newpass1");
    EXPECT_EQ(done->status, 303);
    EXPECT_TRUE(login("demo", "demo123").token.empty());
    EXPECT_FALSE(login("demo", "newpass1").token.empty());
    EXPECT_EQ(listFolder(m_demo, "0").result(), "0");
    // The link served once.
    EXPECT_NE(browser.get(link)->body.find("重设链接已失效"), std::string::npos);
    const auto again =
        browser.submit("/reset.aspx", "reset=" + token + "&password=owned123&password2=owned123");
    EXPECT_NE(again->body.find("重设链接已失效"), std::string::npos);
    EXPECT_TRUE(login("demo", "owned123").token.empty());

    // Requests are throttled: mails to one account cannot be sent without end.
    std::string last;
    for (int i = 0; i < 6; ++i)
        last = browser.submit("/reset.aspx", "name=guest&email=guest%40example.com")->body;
    EXPECT_NE(last.find("申请过于频繁"), std::string::npos);
}

TEST_F(WebPagesTest, WebSignInTiesTheSidAndApiLoginThenAnswersWithTheAccount) {
    EXPECT_EQ(apiLogin(sid()).result(), "0");
    Browser browser(m_service->httpPort());
    const auto refused = browser.submit("/clientuserlogin.aspx?type=sina&sid=" + sid(),
                                        "sid=" + sid() + "&type=sina&name=demo&password=nope");
    EXPECT_NE(refused->body.find("用户名或密码错误"), std::string::npos);
    EXPECT_NE(refused->body.find("value=\"demo\""), std::string::npos);
    EXPECT_EQ(apiLogin(sid()).result(), "0");

    const auto confirmed = browser.submit("/clientuserlogin.aspx?type=sina&sid=" + sid(),
                                          "sid=" + sid() + "&type=sina&name=demo&password=demo123");
    ASSERT_EQ(confirmed->status, 303);
    EXPECT_NE(browser.get(confirmed->get_header_value("Location"))->body.find("授权成功"),
              std::string::npos);
    const Answer first = apiLogin(sid());
    ASSERT_EQ(first.result(), "1");
    EXPECT_EQ(first.attr("client", "uid"), m_demo.uid);
    EXPECT_EQ(first.attr("client", "ftp_port"), std::to_string(ftpPort()));
    // A repeated poll gets the same sign-in, not a new one.
    EXPECT_EQ(apiLogin(sid()).attr("client", "token"), first.attr("client", "token"));
    Credentials web;
    web.uid = first.attr("client", "uid");
    web.token = first.attr("client", "token");
    EXPECT_EQ(listFolder(web, "0").result(), "1");

    // A browser already signed in only confirms; another sid is another attempt.
    const std::string other = "ZyXwVuTsRq9876543210";
    EXPECT_EQ(apiLogin(other).result(), "0");
    const auto page = browser.get("/clientuserlogin.aspx?type=qq&sid=" + other);
    EXPECT_NE(page->body.find("演示用户"), std::string::npos);
    browser.submit("/clientuserlogin.aspx?type=qq&sid=" + other,
                   "sid=" + other + "&type=qq&confirm=1");
    EXPECT_EQ(apiLogin(other).result(), "1");
    EXPECT_EQ(apiLogin("short").result(), "0");
}

TEST_F(WebPagesTest, ParamTokenSignsTheBrowserInAndForwardsOnlyToThisSite) {
    Browser browser(m_service->httpPort());
    const auto forwarded =
        browser.get("/paramoauth.aspx?token=" + m_demo.paramToken + "&url=" + baseUrl() + "/home");
    EXPECT_EQ(forwarded->status, 303);
    EXPECT_EQ(forwarded->get_header_value("Location"), baseUrl() + "/home");
    const auto home = browser.get("/home");
    EXPECT_NE(home->body.find("演示用户"), std::string::npos);
    EXPECT_NE(home->body.find("私密资料"), std::string::npos);
    // Folders open in place; a protected one only in the client.
    const auto photos = home->body.rfind("/home?dir=", home->body.find("照片</a>"));
    ASSERT_NE(photos, std::string::npos) << home->body;
    const std::string dir = home->body.substr(photos, home->body.find('"', photos) - photos);
    EXPECT_NE(browser.get(dir)->body.find("海边.png"), std::string::npos) << dir;
    EXPECT_EQ(home->body.find("私密资料</a>"), std::string::npos);
    const auto icon = browser.get("/favicon.ico");
    EXPECT_EQ(icon->get_header_value("Content-Type"), "image/png");
    EXPECT_EQ(icon->body.substr(1, 3), "PNG");

    const auto elsewhere =
        Browser(m_service->httpPort())
            .get("/paramoauth.aspx?token=" + m_demo.paramToken + "&url=http://elsewhere.example/");
    EXPECT_EQ(elsewhere->status, 200);
    EXPECT_NE(elsewhere->body.find("http://elsewhere.example/"), std::string::npos);
    EXPECT_FALSE(elsewhere->has_header("Location"));
    const auto stale = Browser(m_service->httpPort()).get("/paramoauth.aspx?token=bogus&url=/home");
    EXPECT_FALSE(stale->has_header("Set-Cookie"));
}

TEST_F(WebPagesTest, AccountPagesOpenServicesForTheSignedInUser) {
    Browser browser(m_service->httpPort());
    const auto anonymous = browser.post("/account/recommend.aspx", "");
    EXPECT_EQ(anonymous->status, 303);
    browser.submit("/home", "name=guest&password=guest123&next=%2Faccount%2Fwip.aspx");
    ASSERT_FALSE(browser.cookie().empty());
    browser.submit("/account/recommend.aspx", "");
    browser.submit("/account/wip.aspx", "");
    browser.submit("/account/upspace.aspx", "gb=5");
    const Credentials guest = login("guest", "guest123");
    const Answer info = signedCall("/UserService.asmx/GetUserInfo", guest, {});
    EXPECT_NE(info.decoded().find("<VIP>1</VIP>"), std::string::npos);
    EXPECT_NE(info.decoded().find("<WIP>1</WIP>"), std::string::npos);
    EXPECT_EQ(call("/OAuthService.asmx/Login?uid=guest&pwd=guest123").attr("client", "DiskSize"),
              std::to_string(6LL << 30));
    // Nothing left to open is offered again; the space page says it is done.
    EXPECT_EQ(browser.get("/account/wip.aspx")->body.find("<button"), std::string::npos);
    EXPECT_NE(browser.get("/account/upspace.aspx?done=1")->body.find("扩容成功"),
              std::string::npos);
    EXPECT_NE(browser.get("/account/recommend.aspx")->body.find("/register.aspx?invite=guest"),
              std::string::npos);
    browser.submit("/logout.aspx", "");
    EXPECT_TRUE(browser.cookie().empty());
}

}  // namespace
}  // namespace nubexa::test
