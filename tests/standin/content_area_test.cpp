// The staging cap's bookkeeping: the bytes an account keeps in staging must follow every way a
// staged upload appears, grows, is finished or dropped, although the folder is read only once.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>

#include "standin/store/content_area.h"
#include "standin/util/crypto_util.h"
#include "support/temp_dir.h"

namespace nubexa::standin {
namespace {

void writeBytes(const std::string& path, std::size_t count, std::ios::openmode mode = {}) {
    std::ofstream out(path, std::ios::binary | mode);
    out << std::string(count, 'x');
}

TEST(ContentAreaTest, StagedBytesFollowEveryChangeOfTheStagingFolder) {
    test::TempDir folder;
    ContentArea area(folder.path());
    ASSERT_TRUE(area.prepare().ok);
    const std::string first = area.stagingPath(7, 0, "a.bin");
    const std::string second = area.stagingPath(7, 0, "b.bin");
    // Left by an earlier run of the service: found by the first look.
    ASSERT_TRUE(area.writeWhole(first, std::string(100, 'a')).ok);
    EXPECT_EQ(area.stagedBytes(7, ""), 100);
    EXPECT_EQ(area.stagedBytes(7, first), 0);
    EXPECT_EQ(area.stagedBytes(8, ""), 0);

    // An upload written by the file server, then continued.
    writeBytes(second, 50);
    area.keepDigest(second, Md5Stream());
    EXPECT_EQ(area.stagedBytes(7, ""), 150);
    writeBytes(second, 25, std::ios::app);
    area.keepDigest(second, Md5Stream());
    EXPECT_EQ(area.stagedBytes(7, ""), 175);
    EXPECT_EQ(area.stagedBytes(7, second), 100);

    // Finished into the content folder, then a failed finish moves it back.
    const std::string content = area.contentPath(7, 42);
    ASSERT_TRUE(area.moveInto(second, content).ok);
    EXPECT_EQ(area.stagedBytes(7, ""), 100);
    ASSERT_TRUE(area.moveInto(content, second).ok);
    EXPECT_EQ(area.stagedBytes(7, ""), 175);

    area.remove(first);
    EXPECT_EQ(area.stagedBytes(7, ""), 75);
    // Pruned as abandoned (every upload is older than "now minus one hour from now").
    EXPECT_EQ(area.pruneStaging(std::chrono::seconds(-3600)), 1);
    EXPECT_EQ(area.stagedBytes(7, ""), 0);
}

}  // namespace
}  // namespace nubexa::standin
