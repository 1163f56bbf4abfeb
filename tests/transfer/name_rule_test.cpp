// The client's copy of the service's name rule, and the mapping onto it, against the rule the
// stand-in service itself applies to FolderAdd and FileAdd.
#include <gtest/gtest.h>

#include <string>

#include "service/remote_name.h"
#include "standin/util/text_util.h"

namespace nubexa::test {
namespace {

// Whether the service registers `fileName` split the way the client splits it.
bool serviceAcceptsFile(const std::string& fileName) {
    const auto [name, ext] = splitRemoteName(fileName);
    return standin::checkItemName(name) && standin::checkExtension(ext) &&
           standin::checkItemName(name + ext);
}

TEST(NameRule, AgreesWithTheServiceAndMapsEveryOrdinaryNameOntoIt) {
    struct Case {
        std::string local;
        std::string remote;  // empty: cannot be sent
    };
    const std::string tooLong(256, 'x');
    const std::string longest(255, 'x');
    const Case cases[] = {
        {"photo.jpg", "photo.jpg"},
        {"报告 2026.docx", "报告 2026.docx"},
        {"q?.txt", "q？.txt"},
        {"it's \"quoted\".txt", "it's ＂quoted＂.txt"},
        {"back\\slash.txt", "back＼slash.txt"},
        {"a:b*c<d>e|f", "a：b＊c＜d＞e｜f"},
        {"trailing space .txt", "trailing space .txt"},
        {" lead and trail ", "\u3000lead and trail\u3000"},
        {"  two", "\u3000 two"},
        {"tab\there", "tab\u2409here"},
        {"line\nfeed\x7f", "line\u240Afeed\u2421"},
        {"c1\xC2\x85x", "c1\uFFFDx"},
        {".hidden", ".hidden"},
        {".gitignore", ".gitignore"},
        {"archive.tar.gz", "archive.tar.gz"},
        {"noext", "noext"},
        {"name.", "name."},
        {"a..b", "a..b"},
        {"..x", "..x"},
        {"a .txt", "a .txt"},
        {"x. y", "x. y"},
        {"long." + std::string(40, 'e'), "long." + std::string(40, 'e')},
        {"已经是全角？.txt", "已经是全角？.txt"},
        {longest, longest},
        {tooLong, ""},
        {std::string(100, '?'), ""},  // 300 bytes once wide
        {"latin1-\xE9t\xE9", ""},
        {"surrogate-\xED\xA0\x80", ""},
        {".", ""},
        {"..", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.local);
        // The client's rule says no exactly where the service does, with its words.
        const auto service = standin::checkItemName(c.local);
        EXPECT_EQ(remoteNameProblem(c.local), service ? "" : service.message);
        const RemoteName mapped = mapToRemoteName(c.local);
        if (c.remote.empty()) {
            EXPECT_FALSE(mapped.ok());
            EXPECT_TRUE(mapped.name.empty());
            continue;
        }
        ASSERT_TRUE(mapped.ok()) << mapped.problem;
        EXPECT_EQ(mapped.name, c.remote);
        EXPECT_EQ(mapped.changed, c.remote != c.local);
        // What the client sends is what the service takes, as a folder and as a file.
        EXPECT_TRUE(remoteNameProblem(mapped.name).empty());
        EXPECT_TRUE(standin::checkItemName(mapped.name))
            << standin::checkItemName(mapped.name).message;
        EXPECT_TRUE(serviceAcceptsFile(mapped.name));
    }
}

TEST(NameRule, SplitsDotFilesAndOddExtensionsSoThatTheyComeBackWhole) {
    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(splitRemoteName("archive.tar.gz"), P("archive.tar", ".gz"));
    EXPECT_EQ(splitRemoteName(".gitignore"), P(".gitignore", ""));
    EXPECT_EQ(splitRemoteName(".config"), P(".config", ""));
    EXPECT_EQ(splitRemoteName("name."), P("name.", ""));
    EXPECT_EQ(splitRemoteName("a..b"), P("a.", ".b"));
    EXPECT_EQ(splitRemoteName("..x"), P("..x", ""));        // "." alone is no name
    EXPECT_EQ(splitRemoteName("a .txt"), P("a .txt", ""));  // nor one ending in a blank
    const std::string longExt = "f." + std::string(32, 'e');
    EXPECT_EQ(splitRemoteName(longExt), P(longExt, ""));
    const std::string longestExt = "f." + std::string(31, 'e');
    EXPECT_EQ(splitRemoteName(longestExt), P("f", "." + std::string(31, 'e')));
    // Every split joins back to the name it came from.
    for (const char* name : {"x.y.z", ".a.b", "a.", "...", "a. b", "a .b"}) {
        const auto [stem, ext] = splitRemoteName(name);
        EXPECT_EQ(stem + ext, name);
        EXPECT_EQ(serviceAcceptsFile(name), standin::checkItemName(name).ok) << name;
    }
}

}  // namespace
}  // namespace nubexa::test
