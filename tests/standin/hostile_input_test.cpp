#include <random>

#include "standin_fixture.h"

namespace nubexa::test {
namespace {

class HostileInputTest : public StandinTest {
protected:
    void expectStillServing() {
        EXPECT_EQ(call("/OAuthService.asmx/Login?uid=demo&pwd=demo123").result(), "1");
    }
};

TEST_F(HostileInputTest, HugeAndOverfullQueriesAreRefusedWithoutHarm) {
    int status = 0;
    get("/fileservice.asmx/FolderAdd?uid=1&name=" + std::string(200000, 'a'), &status);
    EXPECT_EQ(status, 414);
    std::string many = "/UserService.asmx/GetUserInfo?uid=1";
    for (int i = 0; i < 100; ++i)
        many += "&k" + std::to_string(i) + "=v";
    EXPECT_EQ(call(many).text("msg"), "参数太多");
    // A name just under the request limit is a name too long to keep.
    const Answer longName = signedCall("/fileservice.asmx/FolderAdd", m_demo,
                                       {{"pid", "0"}, {"name", std::string(2000, 'n'), true}});
    EXPECT_EQ(longName.result(), "0");
    expectStillServing();
}

TEST_F(HostileInputTest, BrokenEncodingsAndTraversalNamesAreRefused) {
    const std::vector<std::string> rawNames = {
        "%00",   "a%00b", "%FF%FE",       "%C0%AF", "%ED%A0%80", "..", "%2E%2E",
        "a%2Fb", "a%5Cb", "line%0Abreak", "%",      "trail%20",  "%2E"};
    for (const auto& raw : rawNames) {
        const std::string target = "/fileservice.asmx/FolderAdd?uid=" + m_demo.uid +
                                   "&token=" + m_demo.token + "&pid=0&name=" + raw +
                                   "&sign=" + md5Upper(m_demo.uid + m_demo.token + "0" + raw);
        const Answer answer = call(target);
        ASSERT_TRUE(answer.parsed()) << raw;
        EXPECT_EQ(answer.result(), raw == "%" ? "1" : "0") << raw;
    }
    // Unescaped values carry raw bytes: valid UTF-8 is kept, broken UTF-8 refused.
    const std::string welcome = attrOf(listFolder(m_demo, "0").items("files").front(), "id");
    EXPECT_EQ(signedCall("/fileservice.asmx/FileEncrypt", m_demo,
                         {{"fid", welcome}, {"password", "\xE5\xAF\x86"}, {"password_tip", ""}})
                  .result(),
              "1");
    EXPECT_EQ(signedCall("/fileservice.asmx/FileEncrypt", m_demo,
                         {{"fid", welcome}, {"password", "\xE5\xAF"}, {"password_tip", ""}})
                  .result(),
              "0");
    expectStillServing();
}

TEST_F(HostileInputTest, IdsThatAreNotIdsChangeNothing) {
    for (const std::string& ids : std::vector<std::string>{"1;DELETE", "-1", "0x10", "1e3",
                                                           "9223372036854775807999", "1,,a"}) {
        EXPECT_EQ(signedCall("/fileservice.asmx/FolderDelete", m_demo,
                             {{"dirids", ids}, {"is_real", "1"}})
                      .result(),
                  "0")
            << ids;
    }
    EXPECT_EQ(folderNames(listFolder(m_demo, "0")).size(), 4u);
}

TEST_F(HostileInputTest, RandomQueriesAlwaysGetAnAnswer) {
    const std::vector<std::string> operations = {"/fileservice.asmx/FolderAdd",
                                                 "/fileservice.asmx/FileAdd",
                                                 "/fileservice.asmx/FolderMove",
                                                 "/fileservice.asmx/FileRename",
                                                 "/fileservice.asmx/FileShare",
                                                 "/fileservice.asmx/FileOutLinkSetting",
                                                 "/UserService.asmx/FileSearch",
                                                 "/UserService.asmx/GetFiles",
                                                 "/OAuthService.asmx/Login",
                                                 "/OAuthService.asmx/APILogin",
                                                 "/fileservice.asmx/FolderAndFileRestore",
                                                 "/UserService.asmx/AddDrawDiskSize"};
    const std::vector<std::string> keys = {
        "uid",  "token", "sign", "name", "pid",     "fid", "fids",      "dirids", "keyword",
        "size", "hash",  "sid",  "dir",  "newname", "to",  "link_name", "domain", "target_dirid"};
    const std::string alphabet = "abcXYZ0129%+&=.-_/\\:*?\"<>|~!$'()[]{}#@^`\xE4\xB8\xAD\xFF\x01";
    std::mt19937 random(20240607);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    for (int round = 0; round < 300; ++round) {
        std::string target = operations[pick(operations.size())] + "?";
        const std::size_t count = pick(8);
        for (std::size_t i = 0; i < count; ++i) {
            target += (i > 0 ? "&" : "") + keys[pick(keys.size())] + "=";
            const std::size_t length = pick(24);
            for (std::size_t k = 0; k < length; ++k)
                target += alphabet[pick(alphabet.size())];
        }
        // Half of them carry a good uid and token so they reach the operations themselves.
        if (round % 2 == 0)
            target = signedTarget(
                operations[pick(operations.size())], m_demo,
                {{keys[pick(keys.size())], target.substr(target.find('?') + 1), true}});
        int status = 0;
        const std::string body = get(target, &status);
        ASSERT_NE(status, -1) << target;
        if (status == 200) {
            const Answer answer(body);
            EXPECT_TRUE(answer.parsed()) << target;
            EXPECT_TRUE(answer.result() == "0" || answer.result() == "1") << target;
        }
    }
    expectStillServing();
}

}  // namespace
}  // namespace nubexa::test
