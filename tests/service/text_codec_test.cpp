#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "canned_server.h"
#include "service/common.h"
#include "service/remote_name.h"
#include "service/text_codec.h"

namespace nubexa::test {
namespace {

TEST(UrlEncode, KeepsOnlyAsciiLettersAndDigits) {
    EXPECT_EQ(urlEncode("Abc019"), "Abc019");
    EXPECT_EQ(urlEncode("my folder"), "my+folder");
    EXPECT_EQ(urlEncode("a\tb\nc\vd\fe\rf"), "a+b+c+d+e+f");
    EXPECT_EQ(urlEncode("a-b.c_d~"), "a%2Db%2Ec%5Fd%7E");
    EXPECT_EQ(urlEncode("中"), "%E4%B8%AD");
    EXPECT_EQ(urlEncode("+%&="), "%2B%25%26%3D");
    EXPECT_EQ(urlEncode(std::string("a\0b", 3)), "a%00b");
    EXPECT_EQ(urlEncode("\xFF"), "%FF");
}

TEST(PercentDecode, DecodesGroupsAndPlusAndKeepsTheRest) {
    EXPECT_EQ(percentDecode("%3Croot%3E%3cx/%3e"), "<root><x/>");
    EXPECT_EQ(percentDecode("a+b"), "a b");
    EXPECT_EQ(percentDecode("a%2Bb%25.txt"), "a+b%.txt");
    EXPECT_EQ(percentDecode("100%"), "100%");
    EXPECT_EQ(percentDecode("%4"), "%4");
    EXPECT_EQ(percentDecode("%zz%4g"), "%zz%4g");
    EXPECT_EQ(percentDecode("%E4%B8%AD"), "中");
    EXPECT_EQ(percentDecode("%%41++%2B"), "%A  +");  // escapes and pluses next to each other
    EXPECT_EQ(percentDecode(urlEncode("名 字-1.txt")), "名 字-1.txt");
}

TEST(ToNfc, LeavesComposedNamesAndStillComposesWhatNeedsIt) {
    // Names of ASCII, ideographs and full-width punctuation come back as they are.
    for (const char* plain : {"", "report-2026.txt", "照片 2026（一）。", "ＡＢＣ１２３"})
        EXPECT_EQ(toNfc(plain), plain);
    // A character that composes with its neighbour, next to ideographs, is still composed.
    EXPECT_EQ(toNfc("照片cafe\xCC\x81"), "照片caf\xC3\xA9");
    EXPECT_EQ(toNfc("\xE1\x84\x80\xE1\x85\xA1照"), "\xEA\xB0\x80照");  // Hangul jamo
    EXPECT_EQ(toNfc("\xE3\x81\x8B\xE3\x82\x99"), "\xE3\x81\x8C");      // か + voicing mark
    // Not UTF-8: kept byte for byte.
    EXPECT_EQ(toNfc("\xE4\xB8"), "\xE4\xB8");
    EXPECT_EQ(toNfc("a\xED\xA0\x80"), "a\xED\xA0\x80");
}

TEST(TrimSpaces, RemovesOnlySpacesAtTheEnds) {
    EXPECT_EQ(trimSpaces("  a b  "), "a b");
    EXPECT_EQ(trimSpaces("\ta\t"), "\ta\t");
    EXPECT_EQ(trimSpaces("   "), "");
    EXPECT_EQ(trimSpaces(""), "");
}

TEST(EncodeQueryValue, EveryByteThatCouldSplitTheQueryIsEncodedAndDecodesBack) {
    EXPECT_EQ(encodeQueryValue(".x&dirid=5"), ".x%26dirid%3D5");
    EXPECT_EQ(encodeQueryValue("a+b#c%41?d e"), "a%2Bb%23c%2541%3Fd%20e");
    EXPECT_EQ(encodeQueryValue("中"), "%E4%B8%AD");
    EXPECT_EQ(encodeQueryValue(std::string("\r\n\x7F\0", 4)), "%0D%0A%7F%00");
    EXPECT_EQ(encodeQueryValue("1,2;a@b.c:-_~/"), "1,2;a@b.c:-_~/");
    const std::string hostile = std::string("p&w=d+%2B#?\x01 中", 16);
    EXPECT_EQ(percentDecode(encodeQueryValue(hostile)), hostile);
}

TEST(ToInt, ReadsLikeAtoiWithoutOverflow) {
    EXPECT_EQ(toInt32("21"), 21);
    EXPECT_EQ(toInt32("  -7x"), -7);
    EXPECT_EQ(toInt32("+3"), 3);
    EXPECT_EQ(toInt32(""), 0);
    EXPECT_EQ(toInt32("abc"), 0);
    EXPECT_EQ(toInt32("99999999999"), 2147483647);
    EXPECT_EQ(toInt32("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(toInt32("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(toInt64("5368709120"), 5368709120LL);
    EXPECT_EQ(toInt64("99999999999999999999"), INT64_MAX);
}

TEST(CommonDigest, IsUpperCaseMd5Hex) {
    // Published test vectors (RFC 1321).
    EXPECT_EQ(Common::digest(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(Common::digest("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(md5Hex("abc"), "900150983CD24FB0D6963F7D28E17F72");
    const std::string binary("\0\xFF中", 5);
    EXPECT_EQ(Common::digest(binary), md5Hex(binary));
}

TEST(CommonLocalTime, HasNoLeadingZeros) {
    const std::string text = Common::localTimeText();
    // GoogleTest's own (POSIX) expressions: std::regex draws a false GCC 12 warning at -O1.
    EXPECT_THAT(text, testing::MatchesRegex(
                          "[0-9]{4}-[1-9][0-9]?-[1-9][0-9]? [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}"));
    EXPECT_THAT(text, testing::Not(testing::ContainsRegex("[-: ]0[0-9]")));
}

}  // namespace
}  // namespace nubexa::test
