// The thumbnail cache on real files: the cap holds after every write and across a restart, the
// least recently used entry goes first, a changed file misses and replaces its old entry, and
// a cut, foreign or garbage entry is never served.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "preview/thumbnail_cache.h"
#include "support/temp_dir.h"

namespace nubexa::test {
namespace {

namespace fs = std::filesystem;

ThumbnailKey keyOf(const std::string& id, std::int64_t size = 1000,
                   const std::string& time = "2026-01-02 03:04:05") {
    return ThumbnailKey{id, size, time};
}

std::uint64_t bytesOnDisk(const std::string& folder) {
    std::uint64_t total = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        total += entry.file_size();
    return total;
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().string());
    return names;
}

TEST(ThumbnailCacheTest, CapHoldsAfterEveryWriteAndTheLeastRecentlyUsedGoesFirst) {
    TempDir dir;
    const std::string folder = thumbnailFolderIn(dir.path());
    const std::string picture(1000, 'p');
    {
        // Room for three entries (each is the picture and a header of about 120 bytes).
        ThumbnailCache cache(folder, 3500);
        for (const char* id : {"a", "b", "c"})
            ASSERT_EQ(cache.store(keyOf(id), picture), ThumbnailCache::Stored::kStored);
        ASSERT_TRUE(cache.find(keyOf("a")));  // "b" is now the least recently used
        ASSERT_EQ(cache.store(keyOf("d"), picture), ThumbnailCache::Stored::kStored);
        EXPECT_FALSE(cache.find(keyOf("b")));
        EXPECT_EQ(cache.find(keyOf("a")), picture);
        EXPECT_TRUE(cache.find(keyOf("c")));
        EXPECT_TRUE(cache.find(keyOf("d")));
        EXPECT_EQ(cache.store(keyOf("huge"), std::string(4000, 'h')),
                  ThumbnailCache::Stored::kTooLarge);

        std::mt19937 random(7);
        for (int i = 0; i < 200; ++i) {
            const std::string bytes(random() % 1500, static_cast<char>('a' + i % 26));
            cache.store(keyOf("f" + std::to_string(i % 40), i), bytes);
            ASSERT_LE(bytesOnDisk(folder), 3500u) << "after write " << i;
            ASSERT_EQ(cache.bytesHeld(), bytesOnDisk(folder));
        }
        ASSERT_EQ(cache.store(keyOf("x"), picture), ThumbnailCache::Stored::kStored);
        ASSERT_EQ(cache.store(keyOf("y"), picture), ThumbnailCache::Stored::kStored);
        ASSERT_TRUE(cache.find(keyOf("x")));  // "y" is now older than "x"
    }
    // A restart finds what was there and keeps its order of use; a lower cap evicts at once.
    ThumbnailCache smaller(folder, 1200);
    EXPECT_LE(bytesOnDisk(folder), 1200u);
    EXPECT_EQ(smaller.find(keyOf("x")), picture);
    EXPECT_FALSE(smaller.find(keyOf("y")));
}

TEST(ThumbnailCacheTest, AChangedFileMissesAndItsNewThumbnailReplacesTheOld) {
    TempDir dir;
    ThumbnailCache cache(dir.path(), 1 << 20);
    ASSERT_EQ(cache.store(keyOf("42", 1000, "t1"), "old"), ThumbnailCache::Stored::kStored);
    EXPECT_FALSE(cache.find(keyOf("42", 1001, "t1")));
    EXPECT_FALSE(cache.find(keyOf("42", 1000, "t2")));
    EXPECT_FALSE(cache.find(keyOf("43", 1000, "t1")));
    ASSERT_EQ(cache.store(keyOf("42", 1001, "t2"), "new"), ThumbnailCache::Stored::kStored);
    EXPECT_FALSE(cache.find(keyOf("42", 1000, "t1")));
    EXPECT_EQ(cache.find(keyOf("42", 1001, "t2")), "new");
    EXPECT_EQ(filesIn(dir.path()).size(), 1u);
    EXPECT_EQ(cache.store(keyOf("bad\nid"), "x"), ThumbnailCache::Stored::kUnusableKey);
}

TEST(ThumbnailCacheTest, CutForeignAndGarbageEntriesAreNeverServed) {
    TempDir dir;
    const std::string picture(5000, 'p');
    std::string cutPath, garbagePath, foreignPath;
    {
        ThumbnailCache cache(dir.path(), 1 << 20);
        for (const char* id : {"cut", "garbage", "foreign", "other", "kept"})
            ASSERT_EQ(cache.store(keyOf(id), picture + id), ThumbnailCache::Stored::kStored);
    }
    // Find each entry's file by what it holds.
    for (const auto& path : filesIn(dir.path())) {
        const std::string text = readFile(path);
        if (text.find("\ncut\n") != std::string::npos)
            cutPath = path;
        else if (text.find("\ngarbage\n") != std::string::npos)
            garbagePath = path;
        else if (text.find("\nforeign\n") != std::string::npos)
            foreignPath = path;
    }
    ASSERT_FALSE(cutPath.empty() || garbagePath.empty() || foreignPath.empty());
    fs::resize_file(cutPath, fs::file_size(cutPath) - 100);
    writeFile(garbagePath, std::string(300, '\xff'));
    // Another entry's whole bytes under this entry's name.
    for (const auto& path : filesIn(dir.path()))
        if (readFile(path).find("\nother\n") != std::string::npos)
            fs::copy_file(path, foreignPath, fs::copy_options::overwrite_existing);
    // A write that a kill cut short, under its temporary name.
    writeFile(dir.path() + "/.tmp-1-1-half.thumb", "NXTHUMB1\n");

    ThumbnailCache cache(dir.path(), 1 << 20);
    EXPECT_FALSE(fs::exists(dir.path() + "/.tmp-1-1-half.thumb"));
    EXPECT_FALSE(cache.find(keyOf("cut")));
    EXPECT_FALSE(cache.find(keyOf("garbage")));
    EXPECT_FALSE(cache.find(keyOf("foreign")));
    EXPECT_EQ(cache.find(keyOf("other")), picture + "other");
    EXPECT_EQ(cache.find(keyOf("kept")), picture + "kept");
    // The damaged entries are gone and no longer count against the cap.
    EXPECT_EQ(filesIn(dir.path()).size(), 2u);
    EXPECT_EQ(cache.bytesHeld(), bytesOnDisk(dir.path()));
}

}  // namespace
}  // namespace nubexa::test
