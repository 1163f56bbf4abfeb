// Changing a picture's source and building again redraws the pictures made from it; a build
// without changes leaves them alone. Runs the real build of this build folder, limited to the
// pictures target (a few seconds); the maker replaces files atomically, so tests reading
// pictures at the same time see either the old or the new file, both complete.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QString>

#include <chrono>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

const fs::path kSource = fs::path(NUBEXA_PICTURE_SOURCES) / "icons" / "nubexa-client.svg";
const fs::path kDrawn = fs::path(NUBEXA_IMAGE_DIR) / "icons" / "nubexa-client-48.png";

void buildPictures() {
    QProcess build;
    build.setProcessChannelMode(QProcess::MergedChannels);
    build.start(QStringLiteral(NUBEXA_CMAKE),
                {QStringLiteral("--build"), QStringLiteral(NUBEXA_BUILD_DIR),
                 QStringLiteral("--target"), QStringLiteral("nubexa_images")});
    ASSERT_TRUE(build.waitForFinished(180'000)) << "the build did not end in time";
    ASSERT_EQ(build.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(build.exitCode(), 0) << build.readAll().toStdString();
}

QByteArray contents(const fs::path& path) {
    QFile file(QString::fromStdString(path.string()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(PictureRebuild, TouchingASourceRedrawsItsPicturesAndAnUnchangedBuildDoesNot) {
    ASSERT_NO_FATAL_FAILURE(buildPictures());
    const auto drawnAt = fs::last_write_time(kDrawn);
    const QByteArray before = contents(kDrawn);
    ASSERT_FALSE(before.isEmpty());

    ASSERT_NO_FATAL_FAILURE(buildPictures());
    EXPECT_EQ(fs::last_write_time(kDrawn), drawnAt) << "pictures are redrawn on every build";

    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    fs::last_write_time(kSource, fs::file_time_type::clock::now());
    ASSERT_NO_FATAL_FAILURE(buildPictures());
    EXPECT_GT(fs::last_write_time(kDrawn), drawnAt) << "touching the source did not redraw it";
    // Drawing is deterministic: the same source gives the same bytes.
    EXPECT_EQ(contents(kDrawn), before);
}

}  // namespace
