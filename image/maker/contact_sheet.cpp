#include "contact_sheet.h"

#include <QFontMetrics>
#include <QImageReader>

#include "paint_kit.h"
#include "picture_catalog.h"

namespace nubexa::maker {

namespace {

constexpr int kColumns = 6;
constexpr int kCellWidth = 200;
constexpr int kCellHeight = 150;
constexpr int kPreviewHeight = 116;
constexpr int kSheetHeaderHeight = 56;

// True when the visible pixels are mostly light, such as white glyphs meant for the skins.
bool mostlyLight(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    double weight = 0;
    double light = 0;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const double alpha = qAlpha(line[x]) / 255.0;
            weight += alpha;
            light += alpha * qGray(line[x]);
        }
    }
    return weight > 0 && light / weight > 160;
}

// A checkerboard shows transparency; a dark one lets white pictures show.
void checkerboard(QPainter& p, const QRect& area, bool dark) {
    p.fillRect(area, dark ? QColor(0x4A, 0x55, 0x68) : QColor(0xEE, 0xEE, 0xEE));
    const QColor second = dark ? QColor(0x3A, 0x44, 0x55) : QColor(0xD8, 0xD8, 0xD8);
    for (int y = area.top(); y < area.bottom(); y += 8)
        for (int x = area.left() + ((y - area.top()) / 8 % 2) * 8; x < area.right(); x += 16)
            p.fillRect(QRect(x, y, 8, 8).intersected(area), second);
}

}  // namespace

QImage contactSheet(const QString& imageDir) {
    const auto pictures = nubexa::pictures::all();
    const int rows = (static_cast<int>(pictures.size()) + kColumns - 1) / kColumns;
    QImage sheet(kColumns * kCellWidth, kSheetHeaderHeight + rows * kCellHeight,
                 QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    prepare(p);
    p.setFont(textFont(20, true));
    p.setPen(kInk);
    p.drawText(QRect(16, 0, sheet.width() - 32, kSheetHeaderHeight), Qt::AlignVCenter,
               QStringLiteral("Nubexa client pictures (%1 files)").arg(pictures.size()));

    const QFont labelFont = textFont(11);
    const QFontMetrics metrics(labelFont);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const auto& picture = *pictures[i];
        const int column = static_cast<int>(i) % kColumns;
        const int row = static_cast<int>(i) / kColumns;
        const QRect cell(column * kCellWidth, kSheetHeaderHeight + row * kCellHeight, kCellWidth,
                         kCellHeight);
        const QRect preview = cell.adjusted(8, 4, -8, -(kCellHeight - kPreviewHeight));
        QImageReader reader(imageDir + QLatin1Char('/') + QString::fromUtf8(picture.path));
        // SVGs are read at the size the catalog gives.
        reader.setScaledSize(QSize(picture.width, picture.height));
        const QImage image = reader.read();
        checkerboard(p, preview, !image.isNull() && mostlyLight(image));
        if (image.isNull()) {
            p.fillRect(preview, QColor(0xF8, 0xD0, 0xD0));
        } else {
            // Small pictures are enlarged by whole steps (up to 3x) so their details show.
            QSize size = image.size();
            const int step = std::clamp(
                std::min(preview.width() / size.width(), preview.height() / size.height()), 1, 3);
            size *= step;
            size = size.scaled(preview.size(), Qt::KeepAspectRatio).boundedTo(size);
            const QRect target(preview.center() - QPoint(size.width() / 2, size.height() / 2),
                               size);
            p.save();
            p.setRenderHint(QPainter::SmoothPixmapTransform, step == 1);
            p.drawImage(target, image);
            p.restore();
        }
        p.setFont(labelFont);
        p.setPen(kInk);
        const QString name = QString::fromUtf8(picture.path);
        p.drawText(QRect(cell.left() + 8, preview.bottom() + 3, kCellWidth - 16, 15),
                   Qt::AlignHCenter | Qt::AlignTop,
                   metrics.elidedText(name, Qt::ElideMiddle, kCellWidth - 16));
        p.setPen(kInkSoft);
        QString size = QStringLiteral("%1×%2").arg(picture.width).arg(picture.height);
        if (picture.states > 1)
            size += QStringLiteral(", %1 states").arg(picture.states);
        p.drawText(QRect(cell.left() + 8, preview.bottom() + 17, kCellWidth - 16, 15),
                   Qt::AlignHCenter | Qt::AlignTop, size);
    }
    return sheet;
}

}  // namespace nubexa::maker
