#include <gtest/gtest.h>

#include "endpoints.h"
#include "service_fixture.h"

namespace nubexa::test {
namespace {

class Answers : public ServiceTest {
protected:
    // Fills the tables with one known file so that an untouched table can be told apart.
    void listOneFile() {
        m_server.answer(kGetFiles, accepted("<files><file id=\"1\" name=\"known\"/></files>"
                                            "<folders/>"));
        ASSERT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    }
    std::string firstFileName() { return client().tables().disk_files[0].name; }
};

TEST_F(Answers, PercentEncodedMarkupAndPlusSignsDecodeBeforeParsing) {
    m_server.answer(kGetFiles,
                    "%3Croot%3E%3Cresult%3E1%3C/result%3E%3Cfiles%3E"
                    "%3Cfile id=%22a%22 name=%22my+file%22/%3E"
                    "<file id=\"b\" name=\"a%2Bb%25\" ext=\".txt\"/>"
                    "<file id=\"c\" name=\"&lt;&amp;&#x4E2D;\"/>"
                    "%3C/files%3E%3Cfolders/%3E%3C/root%3E");
    EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    const DiskTables t = client().tables();
    EXPECT_EQ(t.disk_files[0].name, "my file");
    EXPECT_EQ(t.disk_files[1].name + t.disk_files[1].ext, "a+b%.txt");
    EXPECT_EQ(t.disk_files[2].name, "<&中");
}

TEST_F(Answers, BrokenDocumentsAreFailuresThatTouchNothing) {
    listOneFile();
    m_server.answer(kLogin, "<root><client uid=\"9\" token=\"x\"/><result>1</res");
    const std::vector<std::string> broken = {
        "<root><result>1</result><files><file id=\"9\" name=\"new\"/>",  // truncated
        "not xml at all",
        std::string("<root><result>1</result><files><file name=\"\xC3\x28\"/></files>"
                    "<folders/></root>"),  // invalid UTF-8
        std::string("<root><result>1</result><files><file name=\"\xED\xA0\x80\"/></files>"
                    "<folders/></root>"),  // an encoded surrogate
        std::string(3000, '<'),
        std::string("\0\1\2\3", 4),
        "<root><result>1</result><files><file id=\"9\" name=\"new\"/></folders></root>",
        "<root><result>1</result><files><file id=9 name=\"new\"/></files></root>",
        "<root><result>1</result><files><file id=\"9\" name=\"new\"/></files></root><r2",
    };
    for (const auto& body : broken) {
        m_server.answer(kGetFiles, body);
        EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 0);
        m_server.answer(kLogin, body);
        EXPECT_EQ(client().signIn("a", "b").value, 0);
        m_server.answer("/fileservice.asmx/ClearBin", body);
        EXPECT_EQ(client().ClearBin("u", "t"), 0);
    }
    EXPECT_EQ(firstFileName(), "known");
    EXPECT_EQ(client().account().signed_in, 0);
}

TEST_F(Answers, DeepNestingIsRefusedNotRecursedInto) {
    listOneFile();
    std::string deep = "<root><result>1</result>";
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    m_server.answer(kGetFiles, deep);
    EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 0);
    m_server.answer("/fileservice.asmx/ClearBin", deep);
    EXPECT_EQ(client().ClearBin("u", "t"), 0);
    EXPECT_EQ(firstFileName(), "known");
}

TEST_F(Answers, AnotherRootNameIsFineButAnAnswerWithoutResultIsNotAListing) {
    listOneFile();
    m_server.answer(kGetFiles, "<html><body><files><file id=\"9\"/></files></body></html>");
    EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    EXPECT_EQ(firstFileName(), "known");
    m_server.answer(kGetFiles,
                    "<Answer><result>0</result><files><file id=\"9\" name=\"x\"/>"
                    "</files><folders/></Answer>");
    EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);  // result text is not judged
    EXPECT_EQ(firstFileName(), "x");
}

TEST_F(Answers, HugeValuesAndHundredsOfThousandsOfElementsStayBounded) {
    const std::string hugeName(1 << 20, 'n');
    std::string inner = "<files><file id=\"1\" name=\"" + hugeName + "\"/>";
    for (int i = 0; i < 20000; ++i)
        inner += "<file id=\"x\"/><other/>";
    inner += "</files><folders>";
    for (std::size_t i = 0; i < kMostListedEntries + 10; ++i)
        inner += "<folder/>";
    m_server.answer(kGetFiles, accepted(inner + "</folders>"));
    EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    const DiskTables t = client().tables();
    EXPECT_EQ(t.disk_files.size(), 20001u);
    EXPECT_EQ(t.disk_folders.size(), kMostListedEntries);
    EXPECT_EQ(t.disk_files[0].name.size(), hugeName.size());
    EXPECT_EQ(t.disk_files[20000].id, "x");

    // A search fills no more than a table.
    m_server.answer("/UserService.asmx/FileSearch", accepted(inner + "</folders>"));
    EXPECT_EQ(client().FileSearch("u", "t", "name", "0", "n"), 1);
    EXPECT_EQ(listedEntries(client().tables().disk_files).size(), kTableSize);
}

TEST_F(Answers, AnAcceptedSearchWithoutItsListsIsAFailure) {
    listOneFile();
    m_server.answer("/UserService.asmx/FileSearch", accepted("<files/>"));
    EXPECT_EQ(client().FileSearch("u", "t", "name", "0", "n"), 0);
    EXPECT_EQ(firstFileName(), "known");
}

TEST_F(Answers, MissingAttributesReadAsEmptyTextAndNumbersAsZero) {
    m_server.answer(kLogin, accepted("<client uid=\"5\" ftp_port=\"abc\"/>"));
    ASSERT_EQ(client().signIn("a", "b").value, 1);
    const AccountInfo a = client().account();
    EXPECT_EQ(a.token, "");
    EXPECT_EQ(a.ftp_port, 0);
    EXPECT_EQ(a.draw_count, 0);
    m_server.answer(kGetFiles, accepted("<files><file/></files><folders><folder/></folders>"));
    EXPECT_EQ(client().GetFiles("u", "t", "0", "name", "0"), 1);
    const DiskTables t = client().tables();
    EXPECT_EQ(t.disk_files[0].id, "");
    EXPECT_EQ(t.disk_files[0].name, "");
    EXPECT_EQ(t.disk_folders[0].pwdtip, "");
    EXPECT_EQ(t.disk_files[1].id, kEndMarkId);
}

// The brief listing of a whole tree takes what the full one takes (escapes, composed names,
// paths below the listed folder) and never reads a refusal, a cut answer or a missing list as
// an empty tree.
TEST_F(Answers, ATreeListingIsReadInBriefAndAnythingButBothListsIsNoTree) {
    const std::string kTree = "/UserService.asmx/GetFilesWhitPath";
    m_server.answer(kTree,
                    accepted("<parentid>3</parentid><files>"
                             "<file id=\"11\" name=\"a&amp;b\" ext=\".txt\" size=\"5\" "
                             "time=\"2026-01-02 03:04:05\" path=\"/top/\"/>"
                             "<other id=\"99\"/>"
                             "<file id=\"12\" name=\"e\xCC\x81\" ext=\"\" size=\"-7\" "
                             "path=\"/top/d/e/\"/></files>"
                             "<folders><folder id=\"20\" name=\"d\" path=\"/top/\"/></folders>"));
    const auto tree = client().treeBelow("u", "t", "3");
    ASSERT_TRUE(tree.ok());
    ASSERT_EQ(tree.value.files.size(), 2u);
    EXPECT_EQ(tree.value.files[0].path, "a&b.txt");
    EXPECT_EQ(tree.value.files[0].id, "11");
    EXPECT_EQ(tree.value.files[0].size, 5);
    EXPECT_EQ(tree.value.files[0].time, "2026-01-02 03:04:05");
    EXPECT_EQ(tree.value.files[1].path, "d/e/\u00E9");
    EXPECT_EQ(tree.value.files[1].size, 0);
    ASSERT_EQ(tree.value.folders.size(), 1u);
    EXPECT_EQ(tree.value.folders[0].path, "d");
    EXPECT_EQ(tree.value.folders[0].id, "20");

    const std::vector<std::pair<std::string, Failure>> noTree = {
        {"<root><result>0</result><msg>gone</msg></root>", Failure::kRefused},
        {"<root><msg>no result</msg></root>", Failure::kRefused},
        {accepted("<files/>"), Failure::kMalformed},
        {accepted("<folders/><files/>"), Failure::kMalformed},
        {"<root><result>1</result><files><file id=\"9\"/></files><folders/>", Failure::kMalformed},
        {std::string("<root><result>1</result><files><file name=\"\xC3\x28\"/></files>"
                     "<folders/></root>"),
         Failure::kMalformed},
    };
    for (const auto& [body, failure] : noTree) {
        m_server.answer(kTree, body);
        const auto read = client().treeBelow("u", "t", "3");
        EXPECT_EQ(read.failure, failure) << body;
        EXPECT_TRUE(read.value.files.empty() && read.value.folders.empty()) << body;
    }
    // Nor does the full listing (a folder download's) read a refusal as an empty folder.
    for (std::size_t i = 0; i < 2; ++i) {
        m_server.answer(kTree, noTree[i].first);
        const auto read = client().GetFilesWhitPath("u", "t", "3", "name", "0");
        EXPECT_EQ(read.failure, Failure::kRefused) << noTree[i].first;
        EXPECT_EQ(read.message, i == 0 ? "gone" : "") << noTree[i].first;
    }
}

}  // namespace
}  // namespace nubexa::test
