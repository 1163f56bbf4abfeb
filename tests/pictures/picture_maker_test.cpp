// The maker is what keeps a wrong or missing picture from reaching the client: it refuses a
// drawing of another size than the catalog's, knows which pictures are still missing, and fails
// the build, naming the file, when a source is gone.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

#include "picture_catalog.h"
#include "picture_writer.h"

namespace pic = nubexa::pictures;
using nubexa::maker::PictureWriter;

namespace {

QImage filled(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    image.setPixel(0, 0, qRgb(255, 255, 255));
    return image;
}

TEST(PictureMaker, RefusesAPictureOfAnotherSizeAndTracksWhatIsMissing) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    PictureWriter writer(out.path(), QStringLiteral(NUBEXA_PICTURE_SOURCES));
    EXPECT_EQ(writer.missing().size(), pic::all().size());

    EXPECT_FALSE(writer.save(pic::kLogo, filled(170, 65)));
    EXPECT_TRUE(writer.error().contains(QStringLiteral("logo.png")))
        << writer.error().toStdString();
    EXPECT_TRUE(writer.error().contains(QStringLiteral("172x65"))) << writer.error().toStdString();
    EXPECT_FALSE(QFile::exists(writer.outputPath(pic::kLogo)));
    EXPECT_TRUE(writer.missing().count(pic::kLogo.path));

    ASSERT_TRUE(writer.save(pic::kLogo, filled(172, 65)));
    ASSERT_TRUE(writer.save(pic::kSkinThumb2, filled(97, 62)));
    EXPECT_FALSE(writer.missing().count(pic::kLogo.path));
    EXPECT_EQ(writer.missing().size(), pic::all().size() - 2);
    // The format follows the name, and no temporary file is left beside the pictures.
    EXPECT_EQ(QImageReader(writer.outputPath(pic::kSkinThumb2)).format(), QByteArray("jpeg"));
    EXPECT_EQ(QImageReader(writer.outputPath(pic::kLogo)).format(), QByteArray("png"));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 1);  // logo.png; the jpg is in skin/
}

TEST(PictureMaker, FailsNamingTheSourceWhenOneIsMissing) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString sources = QStringLiteral(NUBEXA_PICTURE_SOURCES);
    const QString copy = temp.filePath(QStringLiteral("src"));
    ASSERT_TRUE(QDir().mkpath(copy + QStringLiteral("/icons")));
    ASSERT_TRUE(QDir().mkpath(copy + QStringLiteral("/toolbar")));
    for (const QString& name : QDir(sources + QStringLiteral("/icons")).entryList(QDir::Files)) {
        ASSERT_TRUE(QFile::copy(sources + QStringLiteral("/icons/") + name,
                                copy + QStringLiteral("/icons/") + name));
    }
    for (const QString& name : QDir(sources + QStringLiteral("/toolbar")).entryList(QDir::Files)) {
        if (name == QStringLiteral("web.svg"))
            continue;
        ASSERT_TRUE(QFile::copy(sources + QStringLiteral("/toolbar/") + name,
                                copy + QStringLiteral("/toolbar/") + name));
    }

    QProcess maker;
    maker.start(QStringLiteral(NUBEXA_PICTURE_MAKER),
                {QStringLiteral("--sources"), copy, QStringLiteral("--out"),
                 temp.filePath(QStringLiteral("out"))});
    ASSERT_TRUE(maker.waitForFinished(120'000)) << "the maker did not end in time";
    EXPECT_NE(maker.exitCode(), 0);
    EXPECT_TRUE(maker.readAllStandardError().contains("toolbar/web.svg"));
}

}  // namespace
