// Thumbnails from a picture's bytes, with pictures made here: a large picture scaled into its
// box, a picture bomb (a few hundred bytes declaring 60000 × 60000) refused by its declared size
// before any pixel is decoded, and bytes that are no picture or are cut short.
#include <QBuffer>
#include <QPainter>
#include <QTest>
#include <QtEndian>

#include "declared_png.h"
#include "pages/thumbnail_picture.h"
#include "support/qt_test_main.h"

using namespace nubexa::pages;
using nubexa::test::declaredPng;

namespace {

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

}  // namespace

class ThumbnailPictureTest : public QObject {
    Q_OBJECT

private slots:
    void aLargePictureIsScaledIntoItsBox() {
        QImage source(4000, 3000, QImage::Format_RGB32);
        source.fill(Qt::blue);
        QPainter(&source).fillRect(0, 0, 2000, 3000, Qt::red);
        for (const char* format : {"PNG", "JPEG", "BMP"}) {
            const ThumbnailPicture picture = makeThumbnail(encoded(source, format), {96, 96});
            QCOMPARE(picture.outcome, ThumbnailPicture::Outcome::kMade);
            QCOMPARE(picture.declared, QSize(4000, 3000));
            QCOMPARE(picture.image.size(), QSize(96, 72));
            // Left red, right blue: the picture, not a stretched or empty one.
            QVERIFY(qRed(picture.image.pixel(10, 36)) > 200);
            QVERIFY(qBlue(picture.image.pixel(85, 36)) > 200);
            const QByteArray kept = thumbnailBytes(picture.image);
            QVERIFY(!kept.isEmpty());
            QCOMPARE(makeThumbnail(kept, {96, 96}).image.size(), QSize(96, 72));
        }
        // A small picture stays as it is.
        const ThumbnailPicture small =
            makeThumbnail(encoded(source.scaled(40, 30), "PNG"), {96, 96});
        QCOMPARE(small.image.size(), QSize(40, 30));
    }

    void aPictureBombIsRefusedByItsDeclaredSize() {
        const QByteArray bomb = declaredPng(60000, 60000);
        QVERIFY(bomb.size() < 1024);
        const ThumbnailPicture refused = makeThumbnail(bomb, {96, 96});
        QCOMPARE(refused.outcome, ThumbnailPicture::Outcome::kTooLarge);
        QCOMPARE(refused.declared, QSize(60000, 60000));
        QVERIFY(refused.image.isNull());
        // Just past the limit and one long thin stripe: refused too.
        QCOMPARE(makeThumbnail(declaredPng(10000, 5001), {96, 96}).outcome,
                 ThumbnailPicture::Outcome::kTooLarge);
        QCOMPARE(makeThumbnail(declaredPng(1000000, 60), {96, 96}).outcome,
                 ThumbnailPicture::Outcome::kTooLarge);
    }

    void bytesThatAreNoPictureOrCutShortMakeNone() {
        QCOMPARE(makeThumbnail(QByteArray(5000, 'x'), {96, 96}).outcome,
                 ThumbnailPicture::Outcome::kUnreadable);
        QCOMPARE(makeThumbnail({}, {96, 96}).outcome, ThumbnailPicture::Outcome::kUnreadable);
        QImage source(300, 200, QImage::Format_RGB32);
        source.fill(Qt::green);
        const QByteArray png = encoded(source, "PNG");
        QCOMPARE(makeThumbnail(png.left(png.size() / 2), {96, 96}).outcome,
                 ThumbnailPicture::Outcome::kUnreadable);
    }

    void thePictureFormatsGetThumbnails() {
        QVERIFY(hasThumbnail(QStringLiteral(".JPG")));
        QVERIFY(hasThumbnail(QStringLiteral(".jpeg")));
        QVERIFY(hasThumbnail(QStringLiteral(".png")));
        QVERIFY(hasThumbnail(QStringLiteral(".bmp")));
        QVERIFY(!hasThumbnail(QStringLiteral(".txt")));
        QVERIFY(!hasThumbnail(QStringLiteral(".svg")));
        QVERIFY(!hasThumbnail(QString()));
    }
};

NUBEXA_QTEST_GUILESS(ThumbnailPictureTest)
#include "thumbnail_picture_test.moc"
