#include <algorithm>
#include <cctype>
#include <map>

#include "standin_fixture.h"

namespace nubexa::test {
namespace {

class ListingApiTest : public StandinTest {
protected:
    // Folder ids of the demo disk by name.
    std::map<std::string, std::string> folderIds() {
        std::map<std::string, std::string> ids;
        const Answer tree =
            signedCall("/userservice.asmx/GetFolders", m_demo, {{"currentdirid", "0"}});
        for (const auto* folder : tree.items("folders"))
            ids[attrOf(folder, "name")] = attrOf(folder, "id");
        return ids;
    }

    const tinyxml2::XMLElement* find(const Answer& answer, const char* list,
                                     const std::string& name) {
        for (const auto* item : answer.items(list)) {
            if (attrOf(item, "name") + attrOf(item, "ext") == name)
                return item;
        }
        return nullptr;
    }

    Answer view(const char* operation, const std::string& order = "name",
                const std::string& desc = "0") {
        return signedCall(std::string("/UserService.asmx/") + operation, m_demo,
                          {{"order", order}, {"desc", desc}});
    }
};

TEST_F(ListingApiTest, FolderListingHasTheShapeAndAttributesTheClientReads) {
    const Answer root = listFolder(m_demo, "0");
    ASSERT_EQ(root.result(), "1");
    EXPECT_EQ(root.childNames(),
              (std::vector<std::string>{"result", "parentid", "files", "folders"}));
    EXPECT_EQ(root.text("parentid"), "0");
    EXPECT_EQ(folderNames(root),
              (std::vector<std::string>{"projects", "文档", "照片", "私密资料"}));
    EXPECT_EQ(fileNames(root), std::vector<std::string>{"欢迎使用Nubexa.txt"});

    const auto* welcome = find(root, "files", "欢迎使用Nubexa.txt");
    ASSERT_NE(welcome, nullptr);
    EXPECT_EQ(attrOf(welcome, "name"), "欢迎使用Nubexa");
    EXPECT_EQ(attrOf(welcome, "ext"), ".txt");
    const std::string time = attrOf(welcome, "time");
    ASSERT_EQ(time.size(), 19u) << time;
    for (std::size_t i = 0; i < time.size(); ++i)
        EXPECT_EQ(std::string("dddd-dd-dd dd:dd:dd")[i] == 'd', std::isdigit(time[i]) != 0) << time;
    for (const char* name : {"id", "size", "isshare", "isoutlink", "ispwd", "pwdtip", "pwd"})
        EXPECT_NE(welcome->Attribute(name), nullptr) << name;

    const auto* secret = find(root, "folders", "私密资料");
    ASSERT_NE(secret, nullptr);
    EXPECT_EQ(attrOf(secret, "ispwd"), "1");
    EXPECT_EQ(attrOf(secret, "pwd"), "1234");
    EXPECT_EQ(attrOf(secret, "pwdtip"), "四位数字");

    const auto ids = folderIds();
    const Answer documents = listFolder(m_demo, ids.at("文档"));
    EXPECT_EQ(documents.text("parentid"), "0");
    EXPECT_EQ(attrOf(find(documents, "files", "季度报告.pdf"), "isshare"), "1");
    const Answer photos = listFolder(m_demo, ids.at("照片"));
    EXPECT_EQ(attrOf(find(photos, "files", "海边.png"), "isoutlink"), "1");
    EXPECT_EQ(listFolder(m_demo, ids.at("第一天")).text("parentid"), ids.at("旅行"));
}

TEST_F(ListingApiTest, EveryOrderSortsFilesAndFoldersEachWay) {
    const std::string dir = addFolder(m_demo, "0", "sorting");
    addFolder(m_demo, dir, "b-folder");
    addFolder(m_demo, dir, "A-folder");
    upload(m_demo, "\\sorting", dir, "big.bin", std::string(3000, 'x'));
    upload(m_demo, "\\sorting", dir, "Alpha.txt", std::string(10, 'x'));
    const std::string linked = upload(m_demo, "\\sorting", dir, "mid.dat", std::string(500, 'x'));
    ASSERT_EQ(signedCall("/fileservice.asmx/FileOutLinkSetting", m_demo,
                         {{"fid", linked}, {"link_name", "sorted-link"}, {"domain", ""}})
                  .result(),
              "1");

    auto files = [&](const std::string& order, const std::string& desc) {
        return fileNames(listFolder(m_demo, dir, order, desc));
    };
    EXPECT_EQ(files("name", "0"), (std::vector<std::string>{"Alpha.txt", "big.bin", "mid.dat"}));
    EXPECT_EQ(files("name", "1"), (std::vector<std::string>{"mid.dat", "big.bin", "Alpha.txt"}));
    EXPECT_EQ(files("size", "0"), (std::vector<std::string>{"Alpha.txt", "mid.dat", "big.bin"}));
    EXPECT_EQ(files("size", "1"), (std::vector<std::string>{"big.bin", "mid.dat", "Alpha.txt"}));
    EXPECT_EQ(files("link", "1").front(), "mid.dat");
    EXPECT_EQ(files("link", "0").back(), "mid.dat");
    EXPECT_EQ(files("nonsense", "0"), files("name", "0"));
    EXPECT_EQ(folderNames(listFolder(m_demo, dir, "name", "0")),
              (std::vector<std::string>{"A-folder", "b-folder"}));
    EXPECT_EQ(folderNames(listFolder(m_demo, dir, "name", "1")),
              (std::vector<std::string>{"b-folder", "A-folder"}));
    // Upload order: the time order follows it, newest last ascending.
    const auto byTime = files("time", "1");
    EXPECT_EQ(byTime.size(), 3u);
    EXPECT_EQ(files("time", "0"), std::vector<std::string>(byTime.rbegin(), byTime.rend()));
}

TEST_F(ListingApiTest, ViewsShowTheBinTheSharesTheLinksAndTheLatestUploads) {
    EXPECT_EQ(fileNames(view("GetRecycleFiles")), std::vector<std::string>{"旧文件.txt"});
    EXPECT_EQ(fileNames(view("GetShareFiles")), std::vector<std::string>{"季度报告.pdf"});
    EXPECT_EQ(fileNames(view("GetLinkFiles")), std::vector<std::string>{"海边.png"});
    const auto latest = fileNames(view("GetNewUploadFiles", "time", "1"));
    // Within thirty days, live, newest first; the older sunrise picture is not among them.
    EXPECT_EQ(latest.front(), "data.bin");
    EXPECT_NE(std::find(latest.begin(), latest.end(), "季度报告.pdf"), latest.end());
    EXPECT_EQ(std::find(latest.begin(), latest.end(), "日出.png"), latest.end());
    EXPECT_EQ(std::find(latest.begin(), latest.end(), "旧文件.txt"), latest.end());
    EXPECT_EQ(view("GetNewUploadFiles").childNames(),
              (std::vector<std::string>{"result", "files", "folders"}));
}

TEST_F(ListingApiTest, SearchMatchesNamesWithoutRegardToCase) {
    upload(m_demo, "\\", "0", "Äpfel und Birnen.txt", "fruit");
    auto search = [&](const std::string& keyword) {
        return signedCall("/UserService.asmx/FileSearch", m_demo,
                          {{"order", "name"}, {"desc", "0"}, {"keyword", keyword, true}});
    };
    EXPECT_EQ(fileNames(search("readme")), std::vector<std::string>{"README.md"});
    EXPECT_EQ(fileNames(search("äPFEL UND")), std::vector<std::string>{"Äpfel und Birnen.txt"});
    EXPECT_EQ(folderNames(search("PROJ")), std::vector<std::string>{"projects"});
    EXPECT_EQ(folderNames(search("旅")), std::vector<std::string>{"旅行"});
    // Items in the recycle bin are not found.
    const Answer nothing = search("旧文件");
    EXPECT_EQ(nothing.result(), "1");
    EXPECT_TRUE(nothing.items("files").empty());
    EXPECT_TRUE(nothing.items("folders").empty());
}

TEST_F(ListingApiTest, FolderTreeListsEveryFolderAfterItsParent) {
    const std::string extra = addFolder(m_demo, folderIds().at("旅行"), "第二天");
    const Answer tree =
        signedCall("/userservice.asmx/GetFolders", m_demo, {{"currentdirid", extra}});
    ASSERT_EQ(tree.result(), "1");
    EXPECT_EQ(tree.text("parentid"), folderIds().at("旅行"));
    std::vector<std::string> seen{"0"};
    for (const auto* folder : tree.items("folders")) {
        EXPECT_NE(std::find(seen.begin(), seen.end(), attrOf(folder, "parentid")), seen.end())
            << attrOf(folder, "name");
        seen.push_back(attrOf(folder, "id"));
    }
    EXPECT_EQ(seen.size(), 8u);
}

TEST_F(ListingApiTest, ListingBelowAFolderCarriesThePathsOfAFolderDownload) {
    const Answer below = signedCall("/UserService.asmx/GetFilesWhitPath", m_demo,
                                    {{"dir", folderIds().at("照片")}, {"order", ""}, {"desc", ""}});
    ASSERT_EQ(below.result(), "1");
    EXPECT_EQ(below.childNames(),
              (std::vector<std::string>{"result", "parentid", "files", "folders"}));
    std::map<std::string, std::string> paths;
    for (const auto* file : below.items("files"))
        paths[attrOf(file, "name") + attrOf(file, "ext")] = attrOf(file, "path");
    for (const auto* folder : below.items("folders"))
        paths[attrOf(folder, "name") + "/"] = attrOf(folder, "path");
    EXPECT_EQ(paths, (std::map<std::string, std::string>{{"海边.png", "/照片/"},
                                                         {"日出.png", "/照片/旅行/第一天/"},
                                                         {"旅行/", "/照片/"},
                                                         {"第一天/", "/照片/旅行/"}}));
    EXPECT_EQ(signedCall("/UserService.asmx/GetFilesWhitPath", m_demo,
                         {{"dir", "0"}, {"order", ""}, {"desc", ""}})
                  .result(),
              "0");
}

TEST_F(ListingApiTest, FoldersOfOtherAccountsOrInTheBinAreNotListed) {
    const Credentials guest = login("guest", "guest123");
    const std::string documents = folderIds().at("文档");
    const Answer foreign = listFolder(guest, documents);
    EXPECT_EQ(foreign.result(), "0");
    EXPECT_TRUE(foreign.items("files").empty());
    EXPECT_EQ(listFolder(m_demo, "987654").result(), "0");
    EXPECT_EQ(listFolder(m_demo, "abc").result(), "0");
}

}  // namespace
}  // namespace nubexa::test
