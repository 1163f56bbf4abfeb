// The catalog is the one list the windows load pictures by; these cases guard what the windows
// rely on: clean relative paths, whole-number state widths, and the file icon lookup.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "picture_catalog.h"

namespace pic = nubexa::pictures;

namespace {

TEST(PictureCatalog, PathsAreUniqueRelativeAndSplitEvenlyIntoStates) {
    std::set<std::string> seen;
    for (const pic::Picture* picture : pic::all()) {
        const std::string path = picture->path;
        SCOPED_TRACE(path);
        EXPECT_TRUE(seen.insert(path).second) << "listed twice";
        EXPECT_NE(path.front(), '/');
        EXPECT_EQ(path.find('\\'), std::string::npos);
        EXPECT_EQ(path.find(".."), std::string::npos);
        EXPECT_GT(picture->width, 0);
        EXPECT_GT(picture->height, 0);
        ASSERT_GE(picture->states, 1);
        EXPECT_EQ(picture->width % picture->states, 0);
        EXPECT_EQ(pic::find(path), picture);
    }
    // Both spellings of the downloading page's button, the 43 file icons, every skin picture.
    EXPECT_TRUE(seen.count("publicImage/leftMyDownLoadNow_active.png"));
    EXPECT_TRUE(seen.count("publicImage/leftMyDownloadNow_active.png"));
    for (const pic::Picture& icon : pic::kFileIcons)
        EXPECT_TRUE(seen.count(icon.path));
    for (const pic::Skin& skin : pic::kSkins) {
        EXPECT_TRUE(seen.count(skin.thumbnail->path));
        EXPECT_TRUE(seen.count(skin.background->path));
    }
    EXPECT_EQ(pic::find("skin/missing.png"), nullptr);
}

TEST(PictureCatalog, StateRectanglesTileTheSheetAndClampOutOfRangeStates) {
    const pic::Rect hover = pic::stateRect(pic::kSysClose, 1);
    EXPECT_EQ(hover.x, 47);
    EXPECT_EQ(hover.width, 47);
    EXPECT_EQ(hover.height, 22);
    EXPECT_EQ(pic::stateRect(pic::kSkinButton, 2).x, 44);
    EXPECT_EQ(pic::stateRect(pic::kSysMax, 7).x, 66);
    EXPECT_EQ(pic::stateRect(pic::kSysMax, -1).x, 0);
    const pic::Rect whole = pic::stateRect(pic::kLogo, 2);
    EXPECT_EQ(whole.x, 0);
    EXPECT_EQ(whole.width, 172);
    EXPECT_EQ(whole.height, 65);
}

TEST(PictureCatalog, FileIconIndexMatchesExtensionsExactlyAndFallsBackToPositionOne) {
    ASSERT_EQ(std::size(pic::kFileIcons), 43u);
    EXPECT_STREQ(pic::kFileIcons[0].path, "FileIcon/folder_s.png");
    EXPECT_STREQ(pic::kFileIcons[39].path, "FileIcon/return-small.png");
    EXPECT_EQ(pic::fileIconIndex("ai"), 1);
    EXPECT_EQ(pic::fileIconIndex("jpg"), 12);
    EXPECT_EQ(pic::fileIconIndex("mpeg4"), 19);
    EXPECT_EQ(pic::fileIconIndex("pdf"), 21);
    EXPECT_EQ(pic::fileIconIndex("zip"), 38);
    // Case matters, the return arrow and the folder are never a file's icon, odd input is harmless.
    EXPECT_EQ(pic::fileIconIndex("PDF"), 1);
    EXPECT_EQ(pic::fileIconIndex("return"), 1);
    EXPECT_EQ(pic::fileIconIndex("folder_s"), 1);
    EXPECT_EQ(pic::fileIconIndex(""), 1);
    EXPECT_EQ(pic::fileIconIndex(".pdf"), 1);
    EXPECT_EQ(pic::fileIconIndex("../pdf"), 1);
}

}  // namespace
