#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_dir.h"
#include "sync/local_scan.h"
#include "sync/local_trash.h"

namespace nubexa {
namespace {

namespace fs = std::filesystem;

TEST(LocalScan, RegularFilesOnlyAndAnUnreadableFolderIsNotAnEmptyOne) {
    test::TempDir dir;
    const std::string root = dir.file("pair");
    fs::create_directories(root + "/sub/locked");
    test::writeFile(root + "/a.txt", "aa");
    test::writeFile(root + "/sub/locked/b.txt", "b");
    test::writeFile(root + "/sub/.c.txt.nubexa-part", "unfinished");
    fs::create_symlink("/etc", root + "/link");
    ASSERT_EQ(::mkfifo((root + "/fifo").c_str(), 0600), 0);

    LocalScan scan = scanLocalFolder(root);
    ASSERT_TRUE(scan.snapshot.rootPresent);
    ASSERT_EQ(scan.snapshot.files.size(), 2u);
    EXPECT_EQ(scan.skipped.size(), 2u);  // the link and the pipe, not the unfinished download
    EXPECT_FALSE(scanLocalFolder(dir.file("gone")).snapshot.rootPresent);

    ::chmod((root + "/sub/locked").c_str(), 0);
    if (::access((root + "/sub/locked").c_str(), R_OK) == 0)
        GTEST_SKIP() << "running as a user every folder is readable to";
    scan = scanLocalFolder(root);
    ::chmod((root + "/sub/locked").c_str(), 0700);
    ASSERT_EQ(scan.snapshot.unreadableFolders, std::vector<std::string>{"sub/locked"});
    EXPECT_EQ(scan.snapshot.files.size(), 1u);
}

TEST(LocalTrash, FilesKeepWhereTheyCameFromAndSameNamesDoNotMeet) {
    test::TempDir dir;
    const LocalTrash trash(dir.file("Trash"));
    fs::create_directories(dir.file("x y"));
    for (const char* content : {"first", "second"}) {
        test::writeFile(dir.file("x y/note.txt"), content);
        std::string why;
        ASSERT_TRUE(trash.moveIn(dir.file("x y/note.txt"), why)) << why;
    }
    EXPECT_FALSE(fs::exists(dir.file("x y/note.txt")));
    EXPECT_EQ(test::readFile(dir.file("Trash/files/note.txt")), "first");
    EXPECT_EQ(test::readFile(dir.file("Trash/files/note.txt.2")), "second");
    const std::string info = test::readFile(dir.file("Trash/info/note.txt.2.trashinfo"));
    EXPECT_NE(info.find("Path=" + dir.path() + "/x%20y/note.txt\n"), std::string::npos) << info;

    std::string why;
    EXPECT_FALSE(trash.moveIn(dir.file("not there"), why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(fs::exists(dir.file("Trash/info/not there.trashinfo")));
}

}  // namespace
}  // namespace nubexa
