#include <gtest/gtest.h>

#include <functional>

#include "endpoints.h"
#include "platform/listed_size.h"
#include "service/disk_entries.h"
#include "service_fixture.h"

namespace nubexa::test {
namespace {

std::string fileElement(int i) {
    const std::string n = std::to_string(i);
    return "<file id=\"" + n + "\" name=\"f" + n +
           "\" ext=\".txt\" size=\"10\" isshare=\"0\" isoutlink=\"1\" ispwd=\"0\" pwdtip=\"\""
           " time=\"2026-12-08 14:03:00\" pwd=\"\"/>";
}

std::string folderElement(int i) {
    const std::string n = std::to_string(i);
    return "<folder id=\"" + n + "\" name=\"d" + n +
           "\" ispwd=\"1\" pwdtip=\"tip\" time=\"t\" isshare=\"1\" pwd=\"pw\"/>";
}

std::string files(int count) {
    std::string inner = "<files>";
    for (int i = 0; i < count; ++i)
        inner += fileElement(i + 1);
    return inner + "</files>";
}

std::string folders(int count) {
    std::string inner = "<folders>";
    for (int i = 0; i < count; ++i)
        inner += folderElement(i + 1);
    return inner + "</folders>";
}

class Listing : public ServiceTest {
protected:
    DiskTables tables() { return client().tables(); }
};

TEST_F(Listing, GetFilesSendsItsSignedQueryAndFillsBothTables) {
    m_server.answer(kGetFiles, accepted("<parentid>7</parentid>" + files(2) + folders(1)));
    EXPECT_EQ(client().GetFiles("42", "T1", "9", "time", "1"), 1);
    EXPECT_EQ(m_server.lastTarget(),
              kGetFiles + "?uid=42&token=T1&dir=9&order=time&desc=1&sign=" + md5Hex("42T19time1"));
    EXPECT_EQ(client().account().parent_dir_id, "7");
    const DiskTables t = tables();
    EXPECT_EQ(t.disk_files.size(), kTableSize);
    EXPECT_EQ(t.disk_files[0].id, "1");
    EXPECT_EQ(t.disk_files[1].name, "f2");
    EXPECT_EQ(t.disk_files[1].ext, ".txt");
    EXPECT_EQ(t.disk_files[1].isoutlink, "1");
    EXPECT_EQ(t.disk_files[1].time, "2026-12-08 14:03:00");
    EXPECT_EQ(t.disk_files[1].mark, -1);  // not the listing's
    EXPECT_EQ(t.disk_files[2].id, kEndMarkId);
    EXPECT_EQ(t.disk_folders[0].name, "d1");
    EXPECT_EQ(t.disk_folders[0].pwd, "pw");
    EXPECT_EQ(t.disk_folders[0].note, "-1");
    EXPECT_EQ(t.disk_folders[1].id, kEndMarkId);
    EXPECT_EQ(listedEntries(t.disk_files).size(), 2u);
}

TEST_F(Listing, NamesWrittenDecomposedAreShownComposed) {
    // "café" and "Ångström" as macOS writes them.
    m_server.answer(kGetFiles,
                    accepted("<files><file id=\"1\" name=\"cafe\xCC\x81\" ext=\".txt\"/></files>"
                             "<folders><folder id=\"2\" name=\"A\xCC\x8Angstro\xCC\x88m\"/>"
                             "</folders>"));
    EXPECT_EQ(client().GetFiles("42", "T1", "9", "", ""), 1);
    const DiskTables t = tables();
    EXPECT_EQ(t.disk_files[0].name, "caf\xC3\xA9");
    EXPECT_EQ(t.disk_folders[0].name, "\xC3\x85ngstr\xC3\xB6m");
}

TEST_F(Listing, EmptyListsPutEndMarksAtZeroAndLeaveOlderEntriesBehindThem) {
    m_server.answer(kGetFiles, accepted(files(3) + folders(2)));
    ASSERT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    m_server.answer(kGetFiles, accepted("<files/><folders/>"));
    EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    const DiskTables t = tables();
    EXPECT_EQ(t.disk_files[0].id, kEndMarkId);
    EXPECT_EQ(t.disk_folders[0].id, kEndMarkId);
    EXPECT_EQ(t.disk_files[1].id, "2");  // left by the earlier listing
    EXPECT_TRUE(listedEntries(t.disk_files).empty());
}

TEST_F(Listing, ExactlyATableFullHasNoEndMarkAndALongerListingIsShownWhole) {
    m_server.answer(kGetFiles, accepted(files(1024) + folders(10000)));
    EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    DiskTables t = tables();
    EXPECT_EQ(t.disk_files[1023].id, "1024");
    EXPECT_EQ(t.disk_files.size(), kTableSize);
    EXPECT_EQ(listedEntries(t.disk_files).size(), 1024u);
    EXPECT_EQ(listedEntries(t.disk_folders).size(), 10000u);
    EXPECT_EQ(t.disk_folders[9999].id, "10000");

    // A shorter listing afterwards brings the table back to its usual length.
    m_server.answer(kGetFiles, accepted(files(1) + folders(2)));
    EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    t = tables();
    EXPECT_EQ(listedEntries(t.disk_folders).size(), 2u);
    EXPECT_EQ(t.disk_folders.size(), kTableSize);
    EXPECT_EQ(t.disk_folders[3].id, "4");  // left by the earlier listing
}

TEST_F(Listing, MarkupOddLookingButWellFormedReadsAsWritten) {
    m_server.answer(
        kGetFiles,
        "<?xml version=\"1.0\"?><!-- note --><root><result>1</result><other/>"
        "<files><!-- c --><file id=\"1\" name=\"tab\there\" id=\"2\"/><x><file id=\"9\"/></x>"
        "<file name='&#x4E2D;&amp;&quot;' ext=\".a\" id=\"3\" unknown=\"z\"/></files>"
        "<folders><folder id=\"4\"><![CDATA[ignored]]></folder></folders></root>");
    EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    const auto listed = listedEntries(tables().disk_files);
    ASSERT_EQ(listed.size(), 2u);  // the nested file is not the list's
    EXPECT_EQ(listed[0].id, "1");  // a repeated attribute reads as its first
    EXPECT_EQ(listed[0].name, "tab\there");
    EXPECT_EQ(listed[0].ext, "");
    EXPECT_EQ(listed[1].name, "中&\"");
    EXPECT_EQ(listed[1].id, "3");
    EXPECT_EQ(tables().disk_folders[0].id, "4");
}

TEST_F(Listing, DeclaredEntitiesAreNotExpanded) {
    std::string laughs = "<!DOCTYPE root [<!ENTITY a \"aaaaaaaaaa\">";
    laughs += "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>";
    m_server.answer(kGetFiles, laughs +
                                   "<root><result>1</result><files><file id=\"1\" "
                                   "name=\"&b;\"/></files><folders/></root>");
    const int listed = client().GetFiles("u", "t", "0", "name", "0");
    // Either refused or read with the reference left as text: never expanded.
    if (listed == 1) {
        EXPECT_EQ(tables().disk_files[0].name.find("aaaa"), std::string::npos);
    }
}

TEST_F(Listing, GetFilesDoesNotSearchBackwards) {
    m_server.answer(kGetFiles, accepted(files(1) + folders(1)));
    ASSERT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    // "folders" before "files": files are found, folders are not (the search moved past them).
    m_server.answer(kGetFiles, accepted("<folders>" + folderElement(50) + "</folders><files>" +
                                        fileElement(60) + "</files>"));
    EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 0);
    const DiskTables t = tables();
    EXPECT_EQ(t.disk_files[0].id, "60");
    EXPECT_EQ(t.disk_folders[0].id, "1");
}

TEST_F(Listing, GetFilesWithoutResultOrFilesLeavesTheTables) {
    m_server.answer(kGetFiles, accepted(files(1) + folders(1)));
    ASSERT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    m_server.answer(kGetFiles, "<root>" + files(3) + "</root>");
    EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    m_server.answer(kGetFiles, accepted(folders(3)));
    EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 0);
    EXPECT_EQ(listedEntries(tables().disk_files).size(), 1u);
    EXPECT_EQ(listedEntries(tables().disk_folders).size(), 1u);
}

TEST_F(Listing, OtherListingsReadEachListWhenItIsThere) {
    m_server.answer("/UserService.asmx/GetRecycleFiles", accepted(folders(2)));
    EXPECT_EQ(client().GetRecycleFiles("u", "t", "size", "1"), 1);
    EXPECT_EQ(listedEntries(tables().disk_folders).size(), 2u);
    for (const char* op : {"GetNewUploadFiles", "GetShareFiles", "GetLinkFiles"}) {
        m_server.answer(std::string("/UserService.asmx/") + op, accepted(files(1) + folders(0)));
    }
    EXPECT_EQ(client().GetNewUploadFiles("u", "t", "name", "0"), 1);
    EXPECT_EQ(client().GetShareFiles("u", "t", "name", "0"), 1);
    EXPECT_EQ(client().GetLinkFiles("u", "t", "link", "0"), 1);
    EXPECT_EQ(m_server.lastTarget(),
              "/UserService.asmx/GetLinkFiles?uid=u&token=t&order=link"
              "&desc=0&sign=" +
                  md5Hex("utlink0"));
}

TEST_F(Listing, HostileSizesAreClampedWhereTheyAreReadAndSumWithoutOverflow) {
    std::string inner = "<files>";
    for (const char* size : {"99999999999999999999999", "-5", "9223372036854775807", "x", "2048",
                             "007", "12a", " 5", "999999999999999", "1125899906842625"})
        inner += "<file id=\"1\" name=\"a\" ext=\".b\" size=\"" + std::string(size) + "\"/>";
    m_server.answer(kGetFiles, accepted(inner + "</files>" + folders(0)));
    ASSERT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    std::vector<std::string> sizes;
    for (const auto& entry : listedEntries(tables().disk_files))
        sizes.push_back(entry.size);
    const std::string most = std::to_string(kMaxListedSize);
    EXPECT_EQ(sizes, (std::vector<std::string>{most, "0", most, "0", "2048", "7", "12", "5",
                                               "999999999999999", most}));

    // Totals and percentages of any values stay defined (the sanitizers watch this).
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(addSaturated(kMax, kMax), kMax);
    EXPECT_EQ(addSaturated(kMax - 1, 1), kMax);
    EXPECT_EQ(percentOf(kMax - 1, kMax), 99);
    EXPECT_EQ(percentOf(kMax, kMax), 100);
    EXPECT_EQ(percentOf(kMax, 0), 0);
    EXPECT_EQ(percentOf(kMaxListedSize / 2, kMaxListedSize), 50);
}

TEST_F(Listing, WithoutAnAnswerListingsFailButGetLinkFilesAsksOnce) {
    m_server.answer(kGetFiles, accepted(files(1) + folders(1)));
    ASSERT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    m_server.answer(kGetFiles, "");
    EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 0);
    EXPECT_EQ(client().GetShareFiles("u", "t", "name", "0"), 0);
    EXPECT_EQ(sent("/UserService.asmx/GetShareFiles").size(), 3u);
    EXPECT_EQ(client().GetLinkFiles("u", "t", "name", "0"), 1);
    EXPECT_EQ(sent("/UserService.asmx/GetLinkFiles").size(), 1u);
    EXPECT_EQ(listedEntries(tables().disk_files).size(), 1u);
}

TEST_F(Listing, FileSearchEncodesTheKeywordAndShowsAPlaceholderWhenNothingIsFound) {
    const std::string path = "/UserService.asmx/FileSearch";
    m_server.answer(path, accepted("<files/><folders/>"));
    EXPECT_EQ(client().FileSearch("u", "t", "name", "0", "my file-1"), 1);
    EXPECT_EQ(m_server.lastTarget(), path +
                                         "?uid=u&token=t&order=name&desc=0&keyword=my+file%2D1"
                                         "&sign=" +
                                         md5Hex("utname0my file-1"));
    DiskTables t = tables();
    EXPECT_EQ(t.disk_files[0].id, "-1");
    EXPECT_EQ(t.disk_files[0].name, "真遗憾，我的网盘中居然没这个文件");
    EXPECT_EQ(t.disk_files[0].ext, "-");
    EXPECT_EQ(t.disk_files[0].ispwd, "0");
    EXPECT_EQ(t.disk_files[1].id, kEndMarkId);
    EXPECT_EQ(t.disk_folders[0].id, kEndMarkId);

    // Any child of "files" counts; "pwd" is not read by the search.
    m_server.answer(path,
                    accepted("<files><f id=\"3\" name=\"x\" pwd=\"secret\"/></files><folders/>"));
    EXPECT_EQ(client().FileSearch("u", "t", "name", "0", "x"), 1);
    t = tables();
    EXPECT_EQ(t.disk_files[0].id, "3");
    EXPECT_EQ(t.disk_files[0].pwd, "");
    EXPECT_EQ(t.disk_files[1].id, kEndMarkId);

    // A refusal leaves the tables and still counts as an answer.
    m_server.answer(path, refused("<files/><folders/>"));
    EXPECT_EQ(client().FileSearch("u", "t", "name", "0", "x"), 1);
    EXPECT_EQ(tables().disk_files[0].id, "3");
}

TEST_F(Listing, GetFoldersIsFetchedOncePerSignInAndAfterEachFolderChange) {
    const std::string path = "/userservice.asmx/GetFolders";
    m_server.answer("/OAuthService.asmx/Login", accepted("<client uid=\"1\" token=\"T\"/>"));
    ASSERT_EQ(client().signIn("a", "b").value, 1);
    m_server.answer(path, accepted("<parentid>0</parentid><folders><folder id=\"4\" name=\"相册\""
                                   " parentid=\"0\"/><folder id=\"5\" name=\"b\" parentid=\"4\"/>"
                                   "</folders>"));
    const ServiceResult<FolderTree> tree = client().GetFolders("1", "T", "0");
    ASSERT_TRUE(tree.ok());
    EXPECT_EQ(m_server.lastTarget(), path + "?uid=1&token=T&currentdirid=0&sign=" + md5Hex("1T0"));
    EXPECT_EQ(tree.value.names, (std::vector<std::string>{"相册", "b"}));
    EXPECT_EQ(tree.value.ids, (std::vector<std::int32_t>{4, 5}));
    EXPECT_EQ(tree.value.parentids, (std::vector<std::int32_t>{0, 4}));

    m_server.answer(path, accepted("<folders/>"));
    EXPECT_EQ(client().GetFolders("1", "T", "5").value.names, tree.value.names);
    EXPECT_EQ(sent(path).size(), 1u);

    ASSERT_EQ(client().signIn("a", "b").value, 1);  // a new sign-in fetches again
    EXPECT_TRUE(client().GetFolders("1", "T", "5").value.names.empty());
    EXPECT_EQ(sent(path).size(), 2u);

    // So does any request that may have changed the tree, answered or not: a folder made in
    // this session is in the next move dialog's tree, and a second sync pair finds its parent.
    std::size_t asked = 2;
    const std::vector<std::function<void()>> changes = {
        [&] { client().addFolder("1", "T", "0", "new"); },
        [&] { client().FolderRename("1", "T", "4", "renamed"); },
        [&] { client().FolderMove("1", "T", "5", "0"); },
        [&] { client().FolderDelete("1", "T", "5", "0"); },
        [&] { client().FolderAndFileRestore("1", "T", "5", ""); },
    };
    for (const auto& change : changes) {
        change();
        EXPECT_TRUE(client().GetFolders("1", "T", "0").ok());
        EXPECT_TRUE(client().GetFolders("1", "T", "0").ok());
        EXPECT_EQ(sent(path).size(), ++asked);
    }
}

// Neither no answer nor a refusal reads as a disk without folders, and neither is kept in place
// of the tree: the next call asks again.
TEST_F(Listing, GetFoldersThatGetsNoTreeSaysWhyAndAsksAgain) {
    const std::string path = "/userservice.asmx/GetFolders";
    client().updateAccount([](AccountInfo& a) { a.folder_tree_stale = 1; });
    EXPECT_EQ(client().GetFolders("1", "T", "0").failure, Failure::kNoAnswer);
    m_server.answer(path, "<root><result>0</result><msg>登录已失效，请重新登录</msg></root>");
    const ServiceResult<FolderTree> refused = client().GetFolders("1", "T", "0");
    EXPECT_EQ(refused.failure, Failure::kRefused);
    EXPECT_EQ(refused.message, kSessionEnded);
    m_server.answer(path,
                    accepted("<folders><folder id=\"4\" name=\"a\" parentid=\"0\"/></folders>"));
    const ServiceResult<FolderTree> tree = client().GetFolders("1", "T", "0");
    ASSERT_TRUE(tree.ok());
    EXPECT_EQ(tree.value.names, std::vector<std::string>{"a"});
}

}  // namespace
}  // namespace nubexa::test
