#include "standin_fixture.h"

namespace nubexa::test {
namespace {

class AccountApiTest : public StandinTest {};

TEST_F(AccountApiTest, LoginHandsOutEveryClientAttributeAndAFreshTokenEachTime) {
    const Answer answer = call("/OAuthService.asmx/Login?uid=demo&pwd=demo123");
    ASSERT_EQ(answer.result(), "1");
    for (const char* name :
         {"key", "token", "param_token", "uid", "DiskSize", "UsedSize", "avatar", "ftp_host",
          "ftp_username", "ftp_pwd", "ftp_port", "resource_ftp_host", "resource_ftp_port",
          "resource_ftp_username", "resource_ftp_pwd", "draw_count", "max_draw_size"})
        EXPECT_FALSE(answer.attr("client", name).empty()) << name;
    EXPECT_EQ(answer.attr("client", "ftp_port"), std::to_string(ftpPort()));
    EXPECT_EQ(answer.attr("client", "DiskSize"), std::to_string(5LL << 30));
    EXPECT_EQ(answer.attr("client", "draw_count"), "1");
    EXPECT_NE(answer.attr("client", "token"), m_demo.token);
    EXPECT_EQ(answer.attr("client", "uid"), m_demo.uid);

    // The earlier sign-in keeps working: the client and a second device may run side by side.
    EXPECT_EQ(signedCall("/UserService.asmx/GetUserInfo", m_demo, {}).result(), "1");
}

TEST_F(AccountApiTest, WrongPasswordOrUnknownNameIsRefusedWithAMessage) {
    for (const std::string& target : std::vector<std::string>{
             "/OAuthService.asmx/Login?uid=demo&pwd=demo124",
             "/OAuthService.asmx/Login?uid=nobody&pwd=demo123", "/OAuthService.asmx/Login?uid=demo",
             "/OAuthService.asmx/Login?uid=&pwd="}) {
        const Answer answer = call(target);
        EXPECT_EQ(answer.result(), "0") << target;
        EXPECT_TRUE(answer.items("client").empty());
    }
    EXPECT_EQ(call("/OAuthService.asmx/Login?uid=demo&pwd=demo124").text("msg"),
              "用户名或密码错误");
}

TEST_F(AccountApiTest, LoginTakesTheAccountIdOrEmailAsWellAsTheName) {
    // The client's automatic sign-in sends the uid it recorded at the last sign-in.
    const Answer byId = call("/OAuthService.asmx/Login?uid=" + m_demo.uid + "&pwd=demo123");
    ASSERT_EQ(byId.result(), "1");
    EXPECT_EQ(byId.attr("client", "uid"), m_demo.uid);
    const Answer byEmail = call("/OAuthService.asmx/Login?uid=DEMO@example.com&pwd=demo123");
    ASSERT_EQ(byEmail.result(), "1");
    EXPECT_EQ(byEmail.attr("client", "uid"), m_demo.uid);

    EXPECT_EQ(call("/OAuthService.asmx/Login?uid=" + m_demo.uid + "&pwd=guest123").result(), "0");
    EXPECT_EQ(call("/OAuthService.asmx/Login?uid=999999&pwd=demo123").result(), "0");
    EXPECT_EQ(call("/OAuthService.asmx/Login?uid=99999999999999999999&pwd=demo123").result(), "0");
}

TEST_F(AccountApiTest, UserInfoReportsServicesNicknameAndUploadLimit) {
    const Answer demo = signedCall("/UserService.asmx/GetUserInfo", m_demo, {});
    ASSERT_EQ(demo.result(), "1");
    const Answer guestInfo =
        signedCall("/UserService.asmx/GetUserInfo", login("guest", "guest123"), {});
    auto user = [](const Answer& answer, const char* field) {
        const auto items = answer.items("user");
        for (const auto* item : items) {
            if (std::string(item->Name()) == field)
                return std::string(item->GetText() != nullptr ? item->GetText() : "");
        }
        return std::string("<missing>");
    };
    EXPECT_EQ(user(demo, "VIP"), "1");
    EXPECT_EQ(user(demo, "WIP"), "1");
    EXPECT_EQ(user(demo, "Nickname"), "演示用户");
    EXPECT_EQ(user(demo, "Integral"), "120");
    EXPECT_EQ(user(demo, "UploadSize"), std::to_string(1LL << 30));
    EXPECT_EQ(user(guestInfo, "VIP"), "0");
    EXPECT_EQ(user(guestInfo, "WIP"), "0");
    EXPECT_EQ(user(guestInfo, "UploadSize"), std::to_string(100LL << 20));
}

TEST_F(AccountApiTest, SignedOperationsRefuseWrongSignTokenOrUid) {
    const std::string good = signedTarget("/UserService.asmx/GetUserInfo", m_demo, {});
    ASSERT_EQ(call(good).result(), "1");

    std::string badSign = good;
    badSign.back() = badSign.back() == 'A' ? 'B' : 'A';
    EXPECT_EQ(call(badSign).text("msg"), "签名错误");

    Credentials wrongToken = m_demo;
    wrongToken.token = std::string(32, 'f');
    EXPECT_EQ(signedCall("/UserService.asmx/GetUserInfo", wrongToken, {}).result(), "0");

    // A valid token of another account does not sign for this one.
    Credentials borrowed = login("guest", "guest123");
    borrowed.uid = m_demo.uid;
    EXPECT_EQ(signedCall("/UserService.asmx/GetUserInfo", borrowed, {}).result(), "0");

    Credentials badUid = m_demo;
    badUid.uid = m_demo.uid + "x";
    EXPECT_EQ(signedCall("/UserService.asmx/GetUserInfo", badUid, {}).result(), "0");

    EXPECT_EQ(call("/UserService.asmx/GetUserInfo?uid=" + m_demo.uid + "&token=" + m_demo.token)
                  .text("msg"),
              "缺少参数：sign");
}

TEST_F(AccountApiTest, SignatureCoversTheValuesAsSentOrAsDecodedAndFileAddSignsItsHashAlone) {
    const std::string query = "uid=" + m_demo.uid + "&token=" + m_demo.token + "&pid=0&name=";
    const std::string neither = md5Upper(m_demo.uid + m_demo.token + "0" + "my_folder");
    EXPECT_EQ(call("/fileservice.asmx/FolderAdd?" + query + "my+folder&sign=" + neither).result(),
              "0");
    const std::string decoded = md5Upper(m_demo.uid + m_demo.token + "0" + "my folder");
    EXPECT_EQ(call("/fileservice.asmx/FolderAdd?" + query + "my+folder&sign=" + decoded).result(),
              "1");
    const std::string sent = md5Upper(m_demo.uid + m_demo.token + "0" + "your%20folder");
    EXPECT_EQ(call("/fileservice.asmx/FolderAdd?" + query + "your%20folder&sign=" + sent).result(),
              "1");
    EXPECT_EQ(folderNames(listFolder(m_demo, "0")).size(), 6u);

    const std::vector<Param> params{{"name", "x", true},
                                    {"ext", ".txt"},
                                    {"size", "3"},
                                    {"dirid", "0"},
                                    {"hash", md5Upper("abc")}};
    EXPECT_EQ(signedCall("/fileservice.asmx/FileAdd", m_demo, params, false).result(), "0");
    EXPECT_EQ(signedCall("/fileservice.asmx/FileAdd", m_demo, params, true).result(), "1");
}

TEST_F(AccountApiTest, OperationPathsIgnoreCaseAsTheServiceDoes) {
    const std::vector<Param> tree{{"currentdirid", "0"}};
    EXPECT_EQ(signedCall("/userservice.asmx/GetFolders", m_demo, tree).result(), "1");
    EXPECT_EQ(signedCall("/UserService.asmx/GetFolders", m_demo, tree).result(), "1");
    int status = 0;
    get("/fileservice.asmx/NoSuchOperation?uid=1", &status);
    EXPECT_EQ(status, 404);
}

TEST_F(AccountApiTest, CapacityDrawIsBookedOncePerDay) {
    const std::string size = std::to_string(37LL << 20);
    EXPECT_EQ(signedCall("/UserService.asmx/AddDrawDiskSize", m_demo, {{"size", size}}).result(),
              "1");
    const Answer again =
        signedCall("/UserService.asmx/AddDrawDiskSize", m_demo, {{"size", "1024"}});
    EXPECT_EQ(again.result(), "0");
    EXPECT_EQ(again.text("msg"), "您今天已经抽过容量了");
    const Answer signIn = call("/OAuthService.asmx/Login?uid=demo&pwd=demo123");
    EXPECT_EQ(signIn.attr("client", "DiskSize"), std::to_string((5LL << 30) + (37LL << 20)));
    EXPECT_EQ(signIn.attr("client", "draw_count"), "0");

    // More than one draw can give, or no number at all, books nothing.
    const Credentials guest = login("guest", "guest123");
    for (const std::string& bad :
         std::vector<std::string>{std::to_string(101LL << 20), "0", "-5", "lots"})
        EXPECT_EQ(signedCall("/UserService.asmx/AddDrawDiskSize", guest, {{"size", bad}}).result(),
                  "0")
            << bad;
    EXPECT_EQ(
        signedCall("/UserService.asmx/AddDrawDiskSize", guest, {{"size", "10485760"}}).result(),
        "1");
}

TEST_F(AccountApiTest, AnnouncementServesTheThreeNoticesWithAbsoluteAddresses) {
    const Answer answer = signedCall("/ExtendService.asmx/Announcement", m_demo, {});
    ASSERT_EQ(answer.result(), "1");
    const auto items = answer.items("anncs");
    ASSERT_EQ(items.size(), 3u);
    for (const auto* item : items) {
        EXPECT_FALSE(attrOf(item, "title").empty());
        EXPECT_EQ(attrOf(item, "url").rfind(baseUrl() + "/", 0), 0u) << attrOf(item, "url");
    }
}

TEST_F(AccountApiTest, SeedingAgainChangesNothing) {
    const Answer before = listFolder(m_demo, "0");
    startService(true);
    m_demo = login("demo", "demo123");
    const Answer after = listFolder(m_demo, "0");
    EXPECT_EQ(fileNames(before), fileNames(after));
    EXPECT_EQ(folderNames(before), folderNames(after));
    EXPECT_EQ(login("guest", "guest123").uid.empty(), false);
}

}  // namespace
}  // namespace nubexa::test
