#include <gtest/gtest.h>

#include <functional>

#include "service_fixture.h"

namespace nubexa::test {
namespace {

class ItemOperations : public ServiceTest {};

struct Expected {
    std::string operation;
    std::string query;  // after "uid=u&token=t"
    std::string signSource;
    std::function<void(ServiceClient&)> call;
};

// Path spelling, key order, encoded values and the sign of every item operation.
TEST_F(ItemOperations, SendTheServiceSpellingAndSignTheValuesInQueryOrder) {
    std::string id;
    std::string domain;
    const std::vector<Expected> cases = {
        {"FolderMove", "&dirids=1,2&target_dirid=0", "ut1,20",
         [](ServiceClient& c) { c.FolderMove("u", "t", "1,2", "0"); }},
        {"FolderRename", "&dirid=3&newname=new+name%2Ex", "ut3new name.x",
         [](ServiceClient& c) { c.FolderRename("u", "t", "3", "new name.x"); }},
        {"FolderAndFileRestore", "&dirids=1&fids=2", "ut12",
         [](ServiceClient& c) { c.FolderAndFileRestore("u", "t", "1", "2"); }},
        {"FolderEncrypt", "&dirid=3&password=pw&password_tip=tip", "ut3pwtip",
         [](ServiceClient& c) { c.FolderEncrypt("u", "t", "3", "pw", "tip"); }},
        {"FolderDecrypt", "&dirid=3&password=pw", "ut3pw",
         [](ServiceClient& c) { c.FolderDecrypt("u", "t", "3", "pw"); }},
        {"FolderShare", "&dirids=3&downpwd=dp&downValue=5&description=%E7%9C%8B%E7%9C%8B",
         "ut3dp5看看", [](ServiceClient& c) { c.FolderShare("u", "t", "3", "dp", "5", "看看"); }},
        {"FolderShareCancle", "&dirids=3", "ut3",
         [](ServiceClient& c) { c.FolderShareCancle("u", "t", "3"); }},
        {"FolderAdd", "&pid=0&name=%E6%96%B0", "ut0新",
         [&](ServiceClient& c) { id = c.addFolder("u", "t", "0", "新").value.id; }},
        {"FolderDelete", "&dirids=3&is_real=1", "ut31",
         [](ServiceClient& c) { c.FolderDelete("u", "t", "3", "1"); }},
        {"GetFolderShareLink", "&dirid=3", "ut3",
         [](ServiceClient& c) { c.GetFolderShareLink("u", "t", "3"); }},
        {"GetFolderEmailShareInfo", "&dirid=3", "ut3",
         [](ServiceClient& c) { c.GetFolderEmailShareInfo("u", "t", "3"); }},
        {"FileMove", "&fids=4&target_dirid=3", "ut43",
         [](ServiceClient& c) { c.FileMove("u", "t", "4", "3"); }},
        {"FileRename", "&fid=4&newname=a%5Fb", "ut4a_b",
         [](ServiceClient& c) { c.FileRename("u", "t", "4", "a_b"); }},
        {"FileDelete", "&fids=4&is_real=0", "ut40",
         [](ServiceClient& c) { c.FileDelete("u", "t", "4", "0"); }},
        {"FileEncrypt", "&fid=4&password=pw&password_tip=tip", "ut4pwtip",
         [](ServiceClient& c) { c.FileEncrypt("u", "t", "4", "pw", "tip"); }},
        {"FileDecrypt", "&fid=4&password=pw", "ut4pw",
         [](ServiceClient& c) { c.FileDecrypt("u", "t", "4", "pw"); }},
        {"FileShare", "&fids=4&downpwd=&downValue=0&description=d", "ut40d",
         [](ServiceClient& c) { c.FileShare("u", "t", "4", "", "0", "d"); }},
        {"FileShareCancle", "&fids=4", "ut4",
         [](ServiceClient& c) { c.FileShareCancle("u", "t", "4"); }},
        {"FileEmailShare", "&fid=4&to=a@b.c;d@e.f", "ut4a@b.c;d@e.f",
         [](ServiceClient& c) { c.FileEmailShare("u", "t", "4", "a@b.c;d@e.f"); }},
        {"FileOutLinkSetting", "&fid=4&link_name=mine&domain=a.com,b.com", "ut4minea.com,b.com",
         [](ServiceClient& c) { c.FileOutLinkSetting("u", "t", "4", "mine", "a.com,b.com"); }},
        {"CancleFileOutLink", "&fids=4", "ut4",
         [](ServiceClient& c) { c.CancleFileOutLink("u", "t", "4"); }},
        {"GetFileOutLink", "&fid=4", "ut4",
         [](ServiceClient& c) { c.GetFileOutLink("u", "t", "4"); }},
        {"GetFileShareLink", "&fid=4", "ut4",
         [](ServiceClient& c) { c.GetFileShareLink("u", "t", "4"); }},
        {"GetFileEmailShareInfo", "&fid=4", "ut4",
         [](ServiceClient& c) { c.GetFileEmailShareInfo("u", "t", "4"); }},
        {"GetFileOutLinkInfo", "&fid=4", "ut4",
         [&](ServiceClient& c) { c.GetFileOutLinkInfo("u", "t", "4", domain); }},
        {"ClearBin", "", "ut", [](ServiceClient& c) { c.ClearBin("u", "t"); }},
    };
    // The sign over "ut1,20" as md5sum(1) gives it; the loop below uses the test's own MD5.
    EXPECT_EQ(md5Hex("ut1,20"), "6FB3E8E6BD36DB66E08F887211FE089C");
    for (const auto& c : cases) {
        const std::string path = "/fileservice.asmx/" + c.operation;
        m_server.answer(path, accepted());
        c.call(client());
        EXPECT_EQ(m_server.lastTarget(),
                  path + "?uid=u&token=t" + c.query + "&sign=" + md5Hex(c.signSource))
            << c.operation;
    }
}

TEST_F(ItemOperations, FileAddSignsItsHashAlone) {
    const std::string path = "/fileservice.asmx/FileAdd";
    m_server.answer(path, accepted("<file id=\"88\"/>"));
    std::string id;
    EXPECT_EQ(client().FileAdd("u", "t", "照片 1", ".jpg", "2048", "3", "ABC123", id), 1);
    EXPECT_EQ(id, "88");
    EXPECT_EQ(m_server.lastTarget(), path +
                                         "?uid=u&token=t&name=%E7%85%A7%E7%89%87+1&ext=.jpg"
                                         "&size=2048&dirid=3&hash=ABC123&sign=" +
                                         md5Hex("ABC123"));
    // Another name, same hash: same sign. Another hash: another sign.
    client().FileAdd("u", "t", "other", ".jpg", "2048", "3", "ABC123", id);
    EXPECT_EQ(queryValue(m_server.lastTarget(), "sign"), md5Hex("ABC123"));
    client().FileAdd("u", "t", "other", ".jpg", "2048", "3", "ABC124", id);
    EXPECT_EQ(queryValue(m_server.lastTarget(), "sign"), md5Hex("ABC124"));

    m_server.answer(path, accepted());
    id = "old";
    EXPECT_EQ(client().FileAdd("u", "t", "n", ".x", "1", "0", "H", id), 1);
    EXPECT_EQ(id, "");
    m_server.answer(path, refused("<file id=\"9\"/>"));
    id = "old";
    EXPECT_EQ(client().FileAdd("u", "t", "n", ".x", "1", "0", "H", id), 0);
    EXPECT_EQ(id, "old");
}

TEST_F(ItemOperations, FolderAddTakesTheIdEvenWhenRefused) {
    m_server.answer("/fileservice.asmx/FolderAdd", refused("<folder id=\"12\"/>"));
    const auto refusedAdd = client().addFolder("u", "t", "0", "x");
    EXPECT_EQ(refusedAdd.failure, Failure::kRefused);
    EXPECT_EQ(refusedAdd.value.result, 0);
    EXPECT_EQ(refusedAdd.value.id, "12");
    m_server.answer("/fileservice.asmx/FolderAdd", accepted());
    const auto added = client().addFolder("u", "t", "0", "x");
    EXPECT_TRUE(added.ok());
    EXPECT_EQ(added.value.result, 1);
    EXPECT_EQ(added.value.id, "");
}

TEST_F(ItemOperations, TextResultsFollowTheirOwnRules) {
    const std::string info = "/fileservice.asmx/GetFileOutLinkInfo";
    m_server.answer(info,
                    accepted("<file id=\"4\" linkname=\"\" linkkey=\"k9\" domain=\"a.com\"/>"));
    std::string domain = "old";
    EXPECT_EQ(client().GetFileOutLinkInfo("u", "t", "4", domain), "k9/4");
    EXPECT_EQ(domain, "a.com");
    m_server.answer(info, accepted("<file id=\"4\" linkname=\"mine\" linkkey=\"k9\"/>"));
    EXPECT_EQ(client().GetFileOutLinkInfo("u", "t", "4", domain), "mine");
    EXPECT_EQ(domain, "");
    m_server.answer(info, refused("<file linkname=\"mine\" domain=\"x\"/>"));
    domain = "kept";
    EXPECT_EQ(client().GetFileOutLinkInfo("u", "t", "4", domain), "");
    EXPECT_EQ(domain, "kept");

    const std::string email = "/fileservice.asmx/FileEmailShare";
    m_server.answer(email, refused("<msg>邮箱地址不正确</msg>"));
    EXPECT_EQ(client().FileEmailShare("u", "t", "4", "x"), "邮箱地址不正确");
    m_server.answer(email, "<root><msg>m</msg></root>");
    EXPECT_EQ(client().FileEmailShare("u", "t", "4", "x"), "0");
    m_server.answer(email, accepted("<msg>m</msg>"));
    EXPECT_EQ(client().FileEmailShare("u", "t", "4", "x"), "1");

    m_server.answer("/fileservice.asmx/FolderShare", "<root><result>2</result></root>");
    EXPECT_EQ(client().FolderShare("u", "t", "3", "", "0", ""), "2");
    m_server.answer("/fileservice.asmx/FileShare", "<root/>");
    EXPECT_EQ(client().FileShare("u", "t", "3", "", "0", ""), "0");

    m_server.answer("/fileservice.asmx/GetFileShareLink", accepted("<file url=\"http://s/1\"/>"));
    EXPECT_EQ(client().GetFileShareLink("u", "t", "4"), "http://s/1");
    m_server.answer("/fileservice.asmx/GetFileShareLink", refused("<file url=\"http://s/1\"/>"));
    EXPECT_EQ(client().GetFileShareLink("u", "t", "4"), "");
    m_server.answer("/fileservice.asmx/GetFolderEmailShareInfo",
                    accepted("<folder info=\"text\"/>"));
    EXPECT_EQ(client().GetFolderEmailShareInfo("u", "t", "3"), "text");
}

TEST_F(ItemOperations, ResultMustBeExactlyOne) {
    const std::string path = "/fileservice.asmx/FileDelete";
    for (const std::string& body :
         {std::string("<root><result> 1</result></root>"),
          std::string("<root><result>11</result></root>"), std::string("<root><result/></root>"),
          std::string("<root><x><result>1</result></x></root>")}) {
        m_server.answer(path, body);
        EXPECT_EQ(client().FileDelete("u", "t", "4", "0"), 0) << body;
    }
    m_server.answer(path, "<?xml version=\"1.0\"?><any><result>1</result></any>");
    EXPECT_EQ(client().FileDelete("u", "t", "4", "0"), 1);
}

TEST_F(ItemOperations, MovesAreSentOnceOthersRepeatTheIdenticalRequest) {
    EXPECT_EQ(client().FolderMove("u", "t", "1", "0"), 0);
    EXPECT_EQ(client().FileMove("u", "t", "1", "0"), 0);
    EXPECT_EQ(sent("/fileservice.asmx/FolderMove").size(), 1u);
    EXPECT_EQ(sent("/fileservice.asmx/FileMove").size(), 1u);

    EXPECT_EQ(client().FolderDecrypt("u", "t", "3", "p w"), 0);
    const auto decrypts = sent("/fileservice.asmx/FolderDecrypt");
    ASSERT_EQ(decrypts.size(), 3u);
    EXPECT_EQ(decrypts[0], decrypts[1]);
    EXPECT_EQ(decrypts[1], decrypts[2]);

    std::string id = "kept";
    EXPECT_EQ(client().FileAdd("u", "t", "n", ".x", "1", "0", "H", id), 0);
    EXPECT_EQ(id, "kept");
    EXPECT_EQ(client().FileShare("u", "t", "1", "", "0", ""), "0");
    EXPECT_EQ(client().GetFileOutLink("u", "t", "1"), "");
}

TEST_F(ItemOperations, AccountExtrasSignAndRead) {
    m_server.answer("/UserService.asmx/AddDrawDiskSize", accepted());
    EXPECT_EQ(client().AddDrawDiskSize("u", "t", "104857600"), 1);
    EXPECT_EQ(m_server.lastTarget(),
              "/UserService.asmx/AddDrawDiskSize?uid=u&token=t"
              "&size=104857600&sign=" +
                  md5Hex("ut104857600"));
    m_server.answer("/UserService.asmx/AddDrawDiskSize", refused());
    EXPECT_EQ(client().AddDrawDiskSize("u", "t", "1"), 0);

    const std::string path = "/ExtendService.asmx/Announcement";
    m_server.answer(path,
                    accepted("<anncs><item title=\"一\" url=\"http://a/1\"/><item title=\"二\""
                             " url=\"http://a/2\"/><item title=\"三\"/></anncs>"));
    EXPECT_EQ(client().Announcement("u", "t"), "");
    EXPECT_EQ(m_server.lastTarget(), path + "?uid=u&token=t&sign=" + md5Hex("ut"));
    Announcements notices = client().announcements();
    EXPECT_EQ(notices.announcement_titles, (std::vector<std::string>{"一", "二", "三"}));
    EXPECT_EQ(notices.announcement_urls,
              (std::vector<std::string>{"http://a/1", "http://a/2", ""}));

    m_server.answer(path, "<root><result>0</result></root>");  // no "anncs": notices stay
    client().Announcement("u", "t");
    EXPECT_EQ(client().announcements().announcement_titles.size(), 3u);
}

}  // namespace
}  // namespace nubexa::test
