// The pictures the build drew: each one the windows load is there, readable, of the size the
// windows cut from it, and shows something; button states can be told apart; skins differ.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <cmath>
#include <set>

#include "picture_catalog.h"

namespace pic = nubexa::pictures;

namespace {

QImage load(const pic::Picture& picture) {
    QImageReader reader(QStringLiteral(NUBEXA_IMAGE_DIR "/") + QString::fromUtf8(picture.path));
    reader.setAutoTransform(false);
    if (QString::fromUtf8(picture.path).endsWith(QStringLiteral(".svg")))
        reader.setScaledSize(QSize(picture.width, picture.height));
    QImage image = reader.read();
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32);
}

QImage cut(const QImage& image, const pic::Rect& r) {
    return image.copy(r.x, r.y, r.width, r.height);
}

bool hasTwoColours(const QImage& image) {
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first)
                return true;
    return false;
}

struct Mean {
    double r = 0, g = 0, b = 0;
    double distance(const Mean& o) const {
        return std::sqrt((r - o.r) * (r - o.r) + (g - o.g) * (g - o.g) + (b - o.b) * (b - o.b));
    }
};

Mean mean(const QImage& image) {
    Mean m;
    const double n = double(image.width()) * image.height();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            m.r += qRed(c) / n;
            m.g += qGreen(c) / n;
            m.b += qBlue(c) / n;
        }
    return m;
}

TEST(BuiltPictures, EveryCatalogPictureIsThereAtItsSizeAndNotBlank) {
    for (const pic::Picture* picture : pic::all()) {
        SCOPED_TRACE(picture->path);
        const QImage image = load(*picture);
        ASSERT_FALSE(image.isNull()) << "missing or unreadable";
        EXPECT_EQ(image.width(), picture->width);
        EXPECT_EQ(image.height(), picture->height);
        for (int state = 0; state < picture->states; ++state)
            EXPECT_TRUE(hasTwoColours(cut(image, pic::stateRect(*picture, state))))
                << "state " << state << " is one flat colour";
    }
}

// High-density screens take "name@2x.png": drawn at twice the pixels, not the 1x picture
// enlarged, so its edges are as sharp as the 1x ones.
TEST(BuiltPictures, EveryBitmapHasASharpTwinAtTwiceTheSize) {
    for (const pic::Picture* picture : pic::all()) {
        QString path = QString::fromUtf8(picture->path);
        if (path.endsWith(QStringLiteral(".svg")))
            continue;
        SCOPED_TRACE(picture->path);
        path.insert(path.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
        const QImage twin(QStringLiteral(NUBEXA_IMAGE_DIR "/") + path);
        ASSERT_FALSE(twin.isNull()) << "missing or unreadable";
        EXPECT_EQ(twin.width(), picture->width * 2);
        EXPECT_EQ(twin.height(), picture->height * 2);
        // An enlarged 1x picture repeats or blends its pixels; a drawn one differs from that.
        const QImage enlarged =
            load(*picture).scaled(twin.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_NE(twin.convertToFormat(QImage::Format_ARGB32), enlarged);
    }
}

TEST(BuiltPictures, PicturesWithWordsHaveEnglishTwinsAndOnlyThey) {
    const QString english = QStringLiteral(NUBEXA_IMAGE_DIR "/en/");
    const pic::Picture withWords[] = {pic::kNavButtons[0].leave,
                                      pic::kNavButtons[6].active,
                                      pic::kLoginButton,
                                      pic::kLoginBack,
                                      pic::kUploadFile,
                                      pic::kEnlarge,
                                      pic::kLogo,
                                      pic::kLoginErrorTip};
    for (const pic::Picture& picture : withWords) {
        SCOPED_TRACE(picture.path);
        for (const QString& suffix : {QString(), QStringLiteral("@2x")}) {
            QString path = QString::fromUtf8(picture.path);
            path.insert(path.lastIndexOf(QLatin1Char('.')), suffix);
            const QImage twin(english + path);
            ASSERT_FALSE(twin.isNull()) << "no English twin" << suffix.toStdString();
            EXPECT_EQ(twin.size(), QImage(QStringLiteral(NUBEXA_IMAGE_DIR "/") + path).size());
            EXPECT_NE(twin.convertToFormat(QImage::Format_ARGB32),
                      QImage(QStringLiteral(NUBEXA_IMAGE_DIR "/") + path)
                          .convertToFormat(QImage::Format_ARGB32));
        }
    }
    // Pictures without words are not drawn twice: the client falls back to the first ones.
    for (const pic::Picture& picture : {pic::kFrame, pic::kSkinDefault, pic::kFileIcons[0]})
        EXPECT_FALSE(QFile::exists(english + QString::fromUtf8(picture.path))) << picture.path;
}

TEST(BuiltPictures, ThePageAreaHasDarkTwinsAndTheSkinsDoNot) {
    const QString base = QStringLiteral(NUBEXA_IMAGE_DIR "/");
    const auto argb = [](const QString& path) {
        return QImage(path).convertToFormat(QImage::Format_ARGB32);
    };
    for (const pic::Picture* entry :
         {&pic::kPagePanel, &pic::kNavButtons[1].leave, &pic::kSearchBar, &pic::kSeparator}) {
        const pic::Picture& picture = *entry;
        SCOPED_TRACE(picture.path);
        const QString path = QString::fromUtf8(picture.path);
        for (const QString& twin : {QStringLiteral("dark/"), QStringLiteral("dark/en/")}) {
            const QImage dark = argb(base + twin + path);
            ASSERT_FALSE(dark.isNull()) << twin.toStdString();
            EXPECT_NE(dark, argb(base + path));
            // A panel or a field gets darker on the whole; ink on nothing gets lighter.
            const bool filled = entry == &pic::kPagePanel || entry == &pic::kSearchBar;
            if (!filled)
                continue;
            const auto lightness = [](const QImage& image) {
                double sum = 0;
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x)
                        sum += QColor::fromRgba(image.pixel(x, y)).lightnessF() *
                               qAlpha(image.pixel(x, y)) / 255.0;
                return sum / (image.width() * image.height());
            };
            EXPECT_LT(lightness(dark), lightness(argb(base + path)));
        }
    }
    // The English dark twin of a picture with words has the English words.
    const QString myFiles = QString::fromUtf8(pic::kNavButtons[0].leave.path);
    EXPECT_NE(argb(base + QStringLiteral("dark/en/") + myFiles),
              argb(base + QStringLiteral("dark/") + myFiles));
    for (const pic::Picture& picture : {pic::kFrame, pic::kSkinDefault, pic::kLoginBack})
        EXPECT_FALSE(
            QFile::exists(base + QStringLiteral("dark/") + QString::fromUtf8(picture.path)))
            << picture.path;
}

TEST(BuiltPictures, ButtonStatesAndVariantsCanBeToldApart) {
    for (const pic::Picture* picture : pic::all()) {
        if (picture->states < 2)
            continue;
        SCOPED_TRACE(picture->path);
        const QImage image = load(*picture);
        ASSERT_FALSE(image.isNull());
        std::set<QByteArray> faces;
        for (int state = 0; state < picture->states; ++state) {
            const QImage face = cut(image, pic::stateRect(*picture, state));
            faces.insert(
                QByteArray(reinterpret_cast<const char*>(face.constBits()), face.sizeInBytes()));
        }
        EXPECT_EQ(faces.size(), std::size_t(picture->states)) << "two states look the same";
    }
    const std::pair<const pic::Picture*, const pic::Picture*> pairs[] = {
        {&pic::kToolbarNormal, &pic::kToolbarHover},
        {&pic::kToolbarHover, &pic::kToolbarPushed},
        {&pic::kNewFolder, &pic::kNewFolderHover},
        {&pic::kHome, &pic::kHomeHover},
        {&pic::kRefresh, &pic::kRefreshHover},
        {&pic::kScrollBarLeave, &pic::kScrollBarStay},
        {&pic::kUploadFile, &pic::kUploadFileEnable},
        {&pic::kBadgeDirectLink, &pic::kBadgeDirectLinkOff},
        {&pic::kNavButtons[0].leave, &pic::kNavButtons[0].active}};
    for (const auto& [a, b] : pairs)
        EXPECT_NE(load(*a), load(*b)) << a->path << " vs " << b->path;

    // The dialog sheet's cut-out faces are drawn where the dialogs cut them.
    const QImage sheet = load(pic::kDialogSheet);
    ASSERT_FALSE(sheet.isNull());
    for (const pic::Rect& r : {pic::kDialogCancel, pic::kDialogOk, pic::kDialogTabNormal,
                               pic::kDialogTabSelected, pic::kDialogButtonNormal}) {
        const QImage face = cut(sheet, r);
        EXPECT_GT(qAlpha(face.pixel(r.width / 2, r.height / 2)), 200) << r.x << "," << r.y;
        EXPECT_TRUE(hasTwoColours(face)) << r.x << "," << r.y;
    }
}

TEST(BuiltPictures, SkinsAreDistinctAndEachThumbnailShowsItsOwnBackground) {
    std::vector<Mean> backgrounds;
    for (const pic::Skin& skin : pic::kSkins) {
        const QImage background = load(*skin.background);
        ASSERT_FALSE(background.isNull()) << skin.background->path;
        backgrounds.push_back(mean(background));
    }
    for (std::size_t i = 0; i < backgrounds.size(); ++i)
        for (std::size_t j = i + 1; j < backgrounds.size(); ++j)
            EXPECT_GT(backgrounds[i].distance(backgrounds[j]), 12.0)
                << pic::kSkins[i].background->path << " looks like "
                << pic::kSkins[j].background->path;
    for (std::size_t i = 0; i < backgrounds.size(); ++i) {
        const QImage thumbnail = load(*pic::kSkins[i].thumbnail);
        ASSERT_FALSE(thumbnail.isNull());
        const Mean m = mean(thumbnail);
        for (std::size_t j = 0; j < backgrounds.size(); ++j) {
            if (j != i) {
                EXPECT_LT(m.distance(backgrounds[i]), m.distance(backgrounds[j]))
                    << pic::kSkins[i].thumbnail->path;
            }
        }
    }
}

}  // namespace
