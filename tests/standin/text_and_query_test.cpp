#include <gtest/gtest.h>

#include "standin/util/text_util.h"
#include "standin/web/raw_query.h"
#include "standin/web/xml_answer.h"
#include "standin_fixture.h"

namespace nubexa::test {
namespace {

using namespace standin;

TEST(RawQueryTest, DecodesEachValueOnceAndSignsTheValuesInQueryOrder) {
    const RawQuery query(
        "uid=7&token=ab&name=my+folder%21&ext=.x%26dirid%3D5%2525&sign=XYZ&late=1");
    EXPECT_EQ(query.decoded("name"), "my folder!");
    EXPECT_EQ(query.decoded("ext"), ".x&dirid=5%25");
    EXPECT_FALSE(query.has("dirid"));
    EXPECT_EQ(query.decodedSignedText(), "7abmy folder!.x&dirid=5%25");
    EXPECT_EQ(query.signedText(), "7abmy+folder%21.x%26dirid%3D5%2525");
    EXPECT_FALSE(query.has("missing"));
}

TEST(RawQueryTest, UnescapedAmpersandStaysInsideTheTypedValue) {
    const RawQuery query("uid=a&b&pwd=x=y&sign=1");
    EXPECT_EQ(query.raw("uid"), "a&b");
    EXPECT_EQ(query.raw("pwd"), "x=y");
    EXPECT_EQ(query.signedText(), "a&bx=y");
}

TEST(TextUtilTest, PercentDecodingLeavesBrokenEscapesAlone) {
    EXPECT_EQ(percentDecode("%zz%4%41+", true), "%zz%4A ");
    EXPECT_EQ(percentDecode("a+b", false), "a+b");
}

TEST(TextUtilTest, IdListsAcceptOnlyPositiveIds) {
    EXPECT_EQ(parseIdList("3,4,,5"), (std::vector<std::int64_t>{3, 4, 5}));
    EXPECT_EQ(parseIdList(""), std::vector<std::int64_t>{});
    EXPECT_FALSE(parseIdList("3,-1"));
    EXPECT_FALSE(parseIdList("0"));
    EXPECT_FALSE(parseIdList("1;DROP TABLE files"));
    EXPECT_FALSE(parseIdList("99999999999999999999"));
}

TEST(TextUtilTest, ItemNamesRefuseSeparatorsTraversalAndBrokenText) {
    for (const std::string& bad :
         std::vector<std::string>{"", ".", "..", "a/b", "a\\b", "x:y", "tab\there", " lead",
                                  "trail ", std::string("nul\0x", 5), "\xFF\xFE", "\xC0\xAF",
                                  "\xED\xA0\x80", std::string(256, 'a')})
        EXPECT_FALSE(checkItemName(bad)) << bad;
    for (const std::string& good :
         std::vector<std::string>{"a+b%.txt", "照片", "report (2).pdf", "..hidden", "ünïcödé"})
        EXPECT_TRUE(checkItemName(good)) << good;
    EXPECT_TRUE(checkExtension(""));
    EXPECT_TRUE(checkExtension(".jpg"));
    EXPECT_FALSE(checkExtension("jpg"));
    EXPECT_FALSE(checkExtension(".tar.gz"));
}

TEST(TextUtilTest, CaseFoldingCoversMoreThanAscii) {
    EXPECT_EQ(foldCase("README.MD"), "readme.md");
    EXPECT_EQ(foldCase("ÄPFEL Ω"), "äpfel ω");
    EXPECT_EQ(foldCase("照片"), "照片");
    EXPECT_EQ(foldCase("\xFF"
                       "AB"),
              "\xFF"
              "ab");
}

TEST(XmlAnswerTest, PercentAndPlusSurviveTheClientsWholeBodyDecoding) {
    XmlAnswer answer = XmlAnswer::success();
    answer.add(XmlNode("file").attr("name", "a+b%<&>\"'"));
    const std::string body = answer.render();
    EXPECT_EQ(body.find('+'), std::string::npos);
    const Answer parsed(body);
    ASSERT_TRUE(parsed.parsed()) << parsed.decoded();
    EXPECT_EQ(parsed.result(), "1");
    EXPECT_EQ(parsed.attr("file", "name"), "a+b%<&>\"'");
    EXPECT_NE(parsed.decoded().find("encoding=\"utf-8\""), std::string::npos);
}

TEST(XmlAnswerTest, RefusalCarriesItsMessageAfterTheData) {
    XmlAnswer answer = XmlAnswer::refusal("名称太长");
    answer.add(XmlNode("folder").attr("id", std::int64_t{0}));
    const Answer parsed(answer.render());
    EXPECT_EQ(parsed.childNames(), (std::vector<std::string>{"result", "folder", "msg"}));
    EXPECT_EQ(parsed.text("msg"), "名称太长");
}

}  // namespace
}  // namespace nubexa::test
