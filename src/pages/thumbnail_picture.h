#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace nubexa::pages {

// What a picture's bytes made for a thumbnail.
struct ThumbnailPicture {
    enum class Outcome {
        kMade,
        kTooLarge,    // the picture declares more pixels than a thumbnail may decode
        kUnreadable,  // not a picture Qt reads, or cut short
    };
    Outcome outcome = Outcome::kUnreadable;
    QImage image;    // made: no larger than the box asked for, its aspect kept
    QSize declared;  // the size the file says it has, when it says one
};

// Pictures above this many pixels are refused by their declared size, before a pixel is
// decoded: a small file can declare gigapixels (a picture bomb).
inline constexpr qint64 kMostThumbnailSourcePixels = 50'000'000;

// Decodes `bytes` into a picture that fits `box`. The declared size is read first and checked;
// Qt's own allocation limit stands behind that check for a file whose declared size lies.
// Formats that can decode at a smaller size (JPEG) do so. Any thread: the disk page calls it
// off the GUI thread.
ThumbnailPicture makeThumbnail(const QByteArray& bytes, QSize box);

// The picture as the thumbnail cache keeps it (PNG); empty when it cannot be written.
QByteArray thumbnailBytes(const QImage& image);

// Whether a file with this extension (".jpg", any case) gets a thumbnail: the picture formats
// this Qt reads among JPEG, PNG, GIF, WebP and BMP.
bool hasThumbnail(const QString& extension);

}  // namespace nubexa::pages
