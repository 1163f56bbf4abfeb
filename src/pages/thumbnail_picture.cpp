#include "pages/thumbnail_picture.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <mutex>

namespace nubexa::pages {

namespace {

// Qt's limit is process-wide: set once, high enough for any picture the pixel check lets by
// (4 bytes a pixel) and far below what a bomb would take.
constexpr int kAllocationLimitMiB = 256;

void limitAllocations() {
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(kAllocationLimitMiB); });
}

}  // namespace

ThumbnailPicture makeThumbnail(const QByteArray& bytes, QSize box) {
    limitAllocations();
    ThumbnailPicture picture;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    picture.declared = reader.size();
    if (!picture.declared.isValid() || picture.declared.isEmpty())
        return picture;
    const qint64 pixels = qint64(picture.declared.width()) * picture.declared.height();
    if (pixels > kMostThumbnailSourcePixels) {
        picture.outcome = ThumbnailPicture::Outcome::kTooLarge;
        return picture;
    }
    const QSize target = picture.declared.scaled(box, Qt::KeepAspectRatio).expandedTo({1, 1});
    // A reader that can scale while it decodes (JPEG) never holds the whole picture.
    if (reader.supportsOption(QImageIOHandler::ScaledSize) &&
        target.width() < picture.declared.width())
        reader.setScaledSize(target);
    QImage image = reader.read();
    if (image.isNull())
        return picture;
    if (image.width() > box.width() || image.height() > box.height())
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    picture.image = std::move(image);
    picture.outcome = ThumbnailPicture::Outcome::kMade;
    return picture;
}

QByteArray thumbnailBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    return bytes;
}

bool hasThumbnail(const QString& extension) {
    QByteArray format = extension.toLower().toLatin1();
    if (format.startsWith('.'))
        format.remove(0, 1);
    if (format == "jpeg")
        format = "jpg";
    // Asked once: the readers' list is built anew on every call, and a folder asks for each file.
    static const QList<QByteArray> kReadable = [] {
        QList<QByteArray> readable;
        const QList<QByteArray> supported = QImageReader::supportedImageFormats();
        for (const char* wanted : {"jpg", "png", "gif", "webp", "bmp"})
            if (supported.contains(wanted))
                readable.push_back(wanted);
        return readable;
    }();
    return kReadable.contains(format);
}

}  // namespace nubexa::pages
