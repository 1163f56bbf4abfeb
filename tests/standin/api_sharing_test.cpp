#include <httplib.h>

#include <filesystem>

#include "browser.h"
#include "standin_fixture.h"

namespace nubexa::test {
namespace {

class SharingApiTest : public StandinTest {
protected:
    Answer op(const Credentials& who, const std::string& operation,
              const std::vector<Param>& params) {
        return signedCall("/fileservice.asmx/" + operation, who, params);
    }

    std::string fileId(const std::string& dir, const std::string& name) {
        const Answer listing = listFolder(m_demo, dir);
        for (const auto* file : listing.items("files")) {
            if (attrOf(file, "name") + attrOf(file, "ext") == name)
                return attrOf(file, "id");
        }
        return {};
    }

    // A GET by path on this service with headers; status and body.
    std::pair<int, std::string> fetch(const std::string& url,
                                      const httplib::Headers& headers = {}) {
        const std::string path = url.substr(baseUrl().size());
        httplib::Client client("127.0.0.1", m_service->httpPort());
        client.set_read_timeout(20, 0);
        const auto response = client.Get(path.c_str(), headers);
        return response ? std::make_pair(response->status, response->body)
                        : std::make_pair(-1, std::string());
    }
};

TEST_F(SharingApiTest, ShareGivesALinkWhosePageAsksForThePasswordAndServesTheBytes) {
    const std::string welcome = fileId("0", "欢迎使用Nubexa.txt");
    ASSERT_EQ(
        op(m_demo, "FileShare",
           {{"fids", welcome}, {"downpwd", "k3y"}, {"downValue", "3"}, {"description", "看看"}})
            .result(),
        "1");
    const Answer link = op(m_demo, "GetFileShareLink", {{"fid", welcome}});
    ASSERT_EQ(link.result(), "1");
    const std::string url = link.attr("file", "url");
    EXPECT_EQ(url.rfind(baseUrl() + "/s/", 0), 0u) << url;

    Browser visitor(m_service->httpPort());
    const std::string page = url.substr(baseUrl().size());
    const auto locked = visitor.get(page);
    EXPECT_EQ(locked->status, 200);
    EXPECT_NE(locked->body.find("提取码"), std::string::npos);
    EXPECT_EQ(locked->body.find("/file/"), std::string::npos);
    // Points are not charged by this service, so the page does not claim them.
    EXPECT_EQ(locked->body.find("积分"), std::string::npos);
    EXPECT_EQ(visitor.get(page + "/file/" + welcome)->status, 404);
    // A wrong code keeps what was typed; the right one, typed loosely, opens the share and
    // then stays out of the address.
    const auto wrong = visitor.submit(page, "code=nope");
    EXPECT_NE(wrong->body.find("提取码错误"), std::string::npos);
    EXPECT_NE(wrong->body.find("value=\"nope\""), std::string::npos);
    const auto right = visitor.submit(page, "code=+K3Y+");
    EXPECT_EQ(right->status, 303);
    EXPECT_EQ(right->get_header_value("Location"), page);
    const auto open = visitor.get(page);
    ASSERT_NE(open->body.find(page + "/file/" + welcome + "\""), std::string::npos) << open->body;
    const auto bytes = visitor.get(page + "/file/" + welcome);
    EXPECT_EQ(bytes->status, 200);
    EXPECT_NE(bytes->body.find("欢迎使用Nubexa网盘"), std::string::npos);
    // A link that carries a wrong code shows the form again (and leaves the service free for
    // the next request); one that carries the right code opens once and sheds it.
    Browser linked(m_service->httpPort());
    const auto wrongInLink = linked.get(page + "?pwd=nope");
    ASSERT_TRUE(wrongInLink);
    EXPECT_NE(wrongInLink->body.find("提取码错误"), std::string::npos);
    EXPECT_EQ(linked.get(page + "/file/" + welcome)->status, 404);
    EXPECT_EQ(linked.get(page + "?pwd=k3y")->get_header_value("Location"), page);
    EXPECT_EQ(linked.get(page + "/file/" + welcome)->status, 200);

    const auto shared = fileNames(
        signedCall("/UserService.asmx/GetShareFiles", m_demo, {{"order", "name"}, {"desc", "0"}}));
    EXPECT_EQ(shared.size(), 2u);
    EXPECT_EQ(op(m_demo, "FileShareCancle", {{"fids", welcome}}).result(), "1");
    EXPECT_EQ(fetch(url).first, 404);
    EXPECT_EQ(op(m_demo, "GetFileShareLink", {{"fid", welcome}}).result(), "0");
    EXPECT_EQ(op(m_demo, "FileShare",
                 {{"fids", welcome}, {"downpwd", ""}, {"downValue", "many"}, {"description", ""}})
                  .result(),
              "0");
}

TEST_F(SharingApiTest, FolderShareListsTheFilesOfTheFolder) {
    const Answer root = listFolder(m_demo, "0");
    std::string projects;
    for (const auto* folder : root.items("folders")) {
        if (attrOf(folder, "name") == "projects")
            projects = attrOf(folder, "id");
    }
    ASSERT_EQ(op(m_demo, "FolderShare",
                 {{"dirids", projects}, {"downpwd", ""}, {"downValue", "0"}, {"description", ""}})
                  .result(),
              "1");
    const std::string url =
        op(m_demo, "GetFolderShareLink", {{"dirid", projects}}).attr("folder", "url");
    const auto page = fetch(url);
    EXPECT_NE(page.second.find("README.md"), std::string::npos);
    EXPECT_NE(page.second.find("data.bin"), std::string::npos);
    EXPECT_EQ(folderNames(signedCall("/UserService.asmx/GetShareFiles", m_demo,
                                     {{"order", "name"}, {"desc", "0"}})),
              std::vector<std::string>{"projects"});
    const Answer info = op(m_demo, "GetFolderEmailShareInfo", {{"dirid", projects}});
    EXPECT_NE(info.attr("folder", "info").find(url), std::string::npos);
}

// The share page as a visitor uses it: subfolders open but the share is never left, a
// protected folder asks for its password, and a description arrives as it was typed.
TEST_F(SharingApiTest, FolderSharesOpenSubfoldersAndAskForProtectedFoldersPasswords) {
    auto folderIn = [&](const std::string& dir, const std::string& name) {
        const Answer listing = listFolder(m_demo, dir);
        for (const auto* folder : listing.items("folders")) {
            if (attrOf(folder, "name") == name)
                return attrOf(folder, "id");
        }
        return std::string();
    };
    const std::string photos = folderIn("0", "照片");
    const std::string trip = folderIn(photos, "旅行");
    const std::string day = folderIn(trip, "第一天");
    const std::string secret = folderIn("0", "私密资料");
    const std::string docs = folderIn("0", "文档");
    ASSERT_FALSE(day.empty());

    // Every value encoded, the sign over the values as the service decodes them.
    const std::string description = "中文 说明 & 50%+1";
    const std::string target = "/fileservice.asmx/FolderShare?uid=" + m_demo.uid +
                               "&token=" + m_demo.token + "&dirids=" + photos +
                               "&downpwd=&downValue=0&description=%E4%B8%AD%E6%96%87%20%E8%AF%B4"
                               "%E6%98%8E%20%26%2050%25%2B1&sign=" +
                               md5Upper(m_demo.uid + m_demo.token + photos + "0" + description);
    ASSERT_EQ(call(target).result(), "1");
    ASSERT_EQ(op(m_demo, "FolderShare",
                 {{"dirids", secret}, {"downpwd", ""}, {"downValue", "0"}, {"description", ""}})
                  .result(),
              "1");
    auto pageOf = [&](const std::string& dir) {
        return op(m_demo, "GetFolderShareLink", {{"dirid", dir}})
            .attr("folder", "url")
            .substr(baseUrl().size());
    };
    const std::string photoPage = pageOf(photos);
    const std::string secretPage = pageOf(secret);

    Browser visitor(m_service->httpPort());
    const auto top = visitor.get(photoPage);
    EXPECT_NE(top->body.find("分享说明：中文 说明 &amp; 50%+1"), std::string::npos) << top->body;
    EXPECT_NE(top->body.find("海边.png"), std::string::npos);
    ASSERT_NE(top->body.find("?dir=" + trip + "\""), std::string::npos);
    const auto inner = visitor.get(photoPage + "?dir=" + day);
    const std::string sunrise = fileId(day, "日出.png");
    EXPECT_NE(inner->body.find("/file/" + sunrise), std::string::npos) << inner->body;
    EXPECT_EQ(visitor.get(photoPage + "/file/" + sunrise)->status, 200);
    EXPECT_EQ(visitor.get(photoPage + "?dir=" + docs)->status, 404);
    EXPECT_EQ(visitor.get(photoPage + "/file/" + fileId(docs, "预算.csv"))->status, 404);
    EXPECT_EQ(visitor.get(secretPage)->body.find("分享说明"), std::string::npos);

    const std::string memo = fileId(secret, "账号备忘.txt");
    const auto asked = visitor.get(secretPage);
    EXPECT_NE(asked->body.find("文件夹密码"), std::string::npos);
    EXPECT_EQ(asked->body.find("账号备忘"), std::string::npos);
    EXPECT_EQ(visitor.get(secretPage + "/file/" + memo)->status, 404);
    const std::string lock = "lock=f" + secret;
    EXPECT_NE(visitor.submit(secretPage, lock + "&itempwd=12345")->body.find("密码错误"),
              std::string::npos);
    EXPECT_EQ(visitor.submit(secretPage, lock + "&itempwd=1234")->status, 303);
    EXPECT_NE(visitor.get(secretPage)->body.find("账号备忘.txt"), std::string::npos);
    EXPECT_EQ(visitor.get(secretPage + "/file/" + memo)->status, 200);
    // Another browser has unlocked nothing.
    EXPECT_EQ(Browser(m_service->httpPort()).get(secretPage + "/file/" + memo)->status, 404);

    // A file with a password of its own asks for it too.
    ASSERT_EQ(op(m_demo, "FileEncrypt", {{"fid", memo}, {"password", "pw9"}, {"password_tip", ""}})
                  .result(),
              "1");
    EXPECT_EQ(visitor.get(secretPage + "/file/" + memo)->status, 404);
    const std::string ask = secretPage + "?dir=" + secret + "&file=" + memo;
    EXPECT_NE(visitor.get(secretPage)->body.find(ask), std::string::npos);
    EXPECT_NE(visitor.get(ask)->body.find("文件密码"), std::string::npos);
    EXPECT_NE(visitor.submit(ask, secretPage, "lock=i" + memo + "&dir=" + secret + "&itempwd=x")
                  ->body.find("密码错误"),
              std::string::npos);
    visitor.submit(ask, secretPage, "lock=i" + memo + "&dir=" + secret + "&itempwd=pw9");
    EXPECT_EQ(visitor.get(secretPage + "/file/" + memo)->status, 200);
}

TEST_F(SharingApiTest, EmailShareIsForVipUsersAndLandsInTheOutbox) {
    const Credentials guest = login("guest", "guest123");
    const Answer guestRoot = listFolder(guest, "0");
    const std::string guestFolder = attrOf(guestRoot.items("folders").front(), "id");
    const std::string hello = attrOf(listFolder(guest, guestFolder).items("files").front(), "id");
    const Answer refused = op(guest, "FileEmailShare", {{"fid", hello}, {"to", "a@example.com"}});
    EXPECT_EQ(refused.result(), "0");
    EXPECT_EQ(refused.text("msg"), "E-mail 私密分享服务为VIP尊享服务权限，请升级至VIP服务");

    const std::string report =
        fileId(attrOf(listFolder(m_demo, "0").items("folders")[1], "id"), "季度报告.pdf");
    ASSERT_FALSE(report.empty());
    const Answer info = op(m_demo, "GetFileEmailShareInfo", {{"fid", report}});
    EXPECT_NE(info.attr("file", "info").find("季度报告.pdf"), std::string::npos);
    EXPECT_NE(info.attr("file", "info").find("提取码：abcd"), std::string::npos);

    EXPECT_EQ(op(m_demo, "FileEmailShare", {{"fid", report}, {"to", "a@example.com,b@example.org"}})
                  .result(),
              "1");
    EXPECT_EQ(
        op(m_demo, "FileEmailShare", {{"fid", report}, {"to", "a,b,c,d,e,f@example.com"}}).result(),
        "0");
    EXPECT_EQ(op(m_demo, "FileEmailShare", {{"fid", report}, {"to", "not-an-address"}}).result(),
              "0");
    EXPECT_EQ(op(m_demo, "FileEmailShare", {{"fid", report}, {"to", ""}}).result(), "0");

    std::vector<std::string> mails;
    for (const auto& entry : std::filesystem::directory_iterator(dataFolder() + "/data/outbox"))
        mails.push_back(readFile(entry.path()));
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_NE(mails[0].find("To: a@example.com, b@example.org"), std::string::npos);
    EXPECT_NE(mails[0].find("季度报告.pdf"), std::string::npos);
}

TEST_F(SharingApiTest, DirectLinksNeedTheServiceAFreeNameAndHonourTheWhiteList) {
    const Credentials guest = login("guest", "guest123");
    const Answer refused =
        op(guest, "FileOutLinkSetting", {{"fid", "1"}, {"link_name", "x"}, {"domain", ""}});
    EXPECT_EQ(refused.text("msg"), "网盘直链服务未开通，请先开通服务");

    const std::string welcome = fileId("0", "欢迎使用Nubexa.txt");
    EXPECT_EQ(
        op(m_demo, "FileOutLinkSetting", {{"fid", welcome}, {"link_name", ""}, {"domain", ""}})
            .result(),
        "0");
    EXPECT_EQ(op(m_demo, "FileOutLinkSetting",
                 {{"fid", welcome}, {"link_name", "demo-seaside"}, {"domain", ""}})
                  .text("msg"),
              "该直链地址已被使用，请换一个");
    EXPECT_EQ(op(m_demo, "FileOutLinkSetting",
                 {{"fid", welcome}, {"link_name", "../etc"}, {"domain", ""}})
                  .result(),
              "0");
    ASSERT_EQ(
        op(m_demo, "FileOutLinkSetting",
           {{"fid", welcome}, {"link_name", "welcome"}, {"domain", "Example.com,partner.org"}})
            .result(),
        "1");
    const Answer info = op(m_demo, "GetFileOutLinkInfo", {{"fid", welcome}});
    EXPECT_EQ(info.attr("file", "linkname"), "welcome");
    EXPECT_EQ(info.attr("file", "domain"), "example.com,partner.org");
    EXPECT_EQ(info.attr("file", "id"), welcome);
    EXPECT_FALSE(info.attr("file", "linkkey").empty());
    const std::string url = op(m_demo, "GetFileOutLink", {{"fid", welcome}}).attr("file", "url");
    EXPECT_EQ(url, baseUrl() + "/d/welcome");

    EXPECT_EQ(fetch(url).first, 403);
    EXPECT_EQ(fetch(url, {{"Referer", "http://evil-example.com/"}}).first, 403);
    const auto allowed = fetch(url, {{"Referer", "https://www.example.com/page"}});
    EXPECT_EQ(allowed.first, 200);
    EXPECT_NE(allowed.second.find("欢迎使用Nubexa网盘"), std::string::npos);
    EXPECT_EQ(fileNames(signedCall("/UserService.asmx/GetLinkFiles", m_demo,
                                   {{"order", "name"}, {"desc", "0"}}))
                  .size(),
              2u);

    EXPECT_EQ(op(m_demo, "CancleFileOutLink", {{"fids", welcome}}).result(), "1");
    EXPECT_EQ(fetch(url, {{"Referer", "https://www.example.com/page"}}).first, 404);
    EXPECT_EQ(op(m_demo, "GetFileOutLinkInfo", {{"fid", welcome}}).result(), "0");
    // The seeded link has no white list: any page may use it.
    EXPECT_EQ(fetch(baseUrl() + "/d/demo-seaside").first, 200);
}

}  // namespace
}  // namespace nubexa::test
