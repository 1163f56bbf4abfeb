#include <gtest/gtest.h>

#include "xml/markup_navigator.h"
#include "xml/xml_text.h"

namespace nubexa::test {
namespace {

const char* kDoc =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<root><result>1</result><a n=\"1\"/><b>text &amp; more</b><a n=\"2\"><c k=\"v\"/></a>"
    "<a n=\"3\"/></root>";

TEST(MarkupNavigator, ChildSearchesMoveForwardOnlyAndAFailedSearchStaysPut) {
    MarkupNavigator nav;
    ASSERT_TRUE(nav.setDoc(kDoc));
    ASSERT_TRUE(nav.findElem());
    EXPECT_EQ(nav.getTagName(), "root");
    ASSERT_TRUE(nav.findChildElem("b"));
    EXPECT_EQ(nav.getChildData(), "text & more");
    // "result" and the first "a" lie behind "b".
    EXPECT_FALSE(nav.findChildElem("result"));
    EXPECT_EQ(nav.getChildTagName(), "b");
    ASSERT_TRUE(nav.findChildElem("a"));
    EXPECT_EQ(nav.getChildAttrib("n"), "2");
    EXPECT_EQ(nav.getChildAttrib("missing"), "");
    ASSERT_TRUE(nav.findChildElem());
    EXPECT_EQ(nav.getChildAttrib("n"), "3");
    EXPECT_FALSE(nav.findChildElem());
}

TEST(MarkupNavigator, StepsIntoAndOutOfAnElement) {
    MarkupNavigator nav;
    ASSERT_TRUE(nav.setDoc(kDoc));
    ASSERT_TRUE(nav.findElem("root"));
    EXPECT_FALSE(nav.intoElem());  // no child found yet
    ASSERT_TRUE(nav.findChildElem("result"));
    EXPECT_EQ(nav.getChildData(), "1");
    ASSERT_TRUE(nav.findChildElem("a"));
    ASSERT_TRUE(nav.findChildElem("a"));
    ASSERT_TRUE(nav.intoElem());
    EXPECT_EQ(nav.getTagName(), "a");
    EXPECT_EQ(nav.getAttrib("n"), "2");
    ASSERT_TRUE(nav.findChildElem("c"));
    EXPECT_EQ(nav.getChildAttrib("k"), "v");
    ASSERT_TRUE(nav.outOfElem());
    // Back at the root level; the next search continues after the element stepped out of.
    EXPECT_EQ(nav.getChildAttrib("n"), "2");
    ASSERT_TRUE(nav.findChildElem("a"));
    EXPECT_EQ(nav.getChildAttrib("n"), "3");
    EXPECT_FALSE(nav.outOfElem());  // the root has no parent element
    EXPECT_FALSE(nav.findElem());   // a single top-level element
}

TEST(MarkupNavigator, ABrokenDocumentFailsEverySearch) {
    MarkupNavigator nav;
    const std::vector<std::string> broken = {"", "<root><a></root>", "<root>", "plain",
                                             "<r a=\"\xFF\"/>"};
    for (const auto& text : broken) {
        EXPECT_FALSE(nav.setDoc(text)) << text;
        EXPECT_FALSE(nav.findElem()) << text;
        EXPECT_FALSE(nav.findChildElem()) << text;
        EXPECT_EQ(nav.getChildData(), "");
    }
    ASSERT_TRUE(nav.setDoc("<r><x/></r>"));  // usable again after a failure
    EXPECT_TRUE(nav.findElem("r"));
}

TEST(Utf8Check, AcceptsWellFormedTextOnly) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("abc中文\xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("\xC3"));              // cut short
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));          // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));      // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xE4\xB8"));
    EXPECT_FALSE(isValidUtf8("a\x80z"));
    // Runs of ASCII are checked eight bytes at a time: faults right behind and inside a run.
    EXPECT_TRUE(
        isValidUtf8("abcdefgh\xE4\xB8\xAD"
                    "abcdefgh"));
    EXPECT_FALSE(isValidUtf8("abcdefgh\x80"));
    EXPECT_FALSE(isValidUtf8("abcdefghijklmno\xC3"));
    EXPECT_FALSE(
        isValidUtf8("abc\xFF"
                    "defghijklmnop"));
}

}  // namespace
}  // namespace nubexa::test
