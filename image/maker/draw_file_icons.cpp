// The file-type icons of the disk list: a page with a coloured label and a small sign of its kind;
// a folder; a return arrow.
#include <span>
#include <string>
#include <string_view>

#include "families.h"
#include "paint_kit.h"

namespace nubexa::maker {

namespace pic = nubexa::pictures;

namespace {

enum class Kind {
    Document,
    Sheet,
    Slides,
    Pdf,
    Image,
    Video,
    Audio,
    Archive,
    Code,
    Database,
    Web,
    Text,
    Binary,
    Other
};

struct FileType {
    std::string_view stem;  // file name before "-small.png"
    const char* label;
    Kind kind;
};

constexpr FileType kTypes[] = {
    {"ai", "AI", Kind::Image},      {"asf", "ASF", Kind::Video},    {"asp", "ASP", Kind::Code},
    {"avi", "AVI", Kind::Video},    {"bmp", "BMP", Kind::Image},    {"cab", "CAB", Kind::Archive},
    {"cdr", "CDR", Kind::Image},    {"doc", "DOC", Kind::Document}, {"fla", "FLA", Kind::Video},
    {"gif", "GIF", Kind::Image},    {"html", "HTML", Kind::Code},   {"jpg", "JPG", Kind::Image},
    {"js", "JS", Kind::Code},       {"mdb", "MDB", Kind::Database}, {"mid", "MID", Kind::Audio},
    {"mov", "MOV", Kind::Video},    {"mp3", "MP3", Kind::Audio},    {"mp4", "MP4", Kind::Video},
    {"mpeg4", "MPEG", Kind::Video}, {"mpg", "MPG", Kind::Video},    {"pdf", "PDF", Kind::Pdf},
    {"php", "PHP", Kind::Code},     {"pic", "PIC", Kind::Image},    {"png", "PNG", Kind::Image},
    {"ppt", "PPT", Kind::Slides},   {"pptx", "PPTX", Kind::Slides}, {"psd", "PSD", Kind::Image},
    {"rar", "RAR", Kind::Archive},  {"rm", "RM", Kind::Video},      {"rmvb", "RMVB", Kind::Video},
    {"swf", "SWF", Kind::Video},    {"tga", "TGA", Kind::Image},    {"tif", "TIF", Kind::Image},
    {"world", "WEB", Kind::Web},    {"xls", "XLS", Kind::Sheet},    {"xlsx", "XLSX", Kind::Sheet},
    {"xml", "XML", Kind::Code},     {"zip", "ZIP", Kind::Archive},
};

// Drawn after the return arrow, in the catalog's order.
constexpr FileType kLaterTypes[] = {
    {"txt", "TXT", Kind::Text},
    {"bin", "BIN", Kind::Binary},
    {"file", "", Kind::Other},
};

QColor kindColour(Kind kind) {
    switch (kind) {
        case Kind::Document:
            return QColor(0x2B, 0x6C, 0xD8);
        case Kind::Sheet:
            return QColor(0x1E, 0x9E, 0x5A);
        case Kind::Slides:
            return QColor(0xE8, 0x6A, 0x2B);
        case Kind::Pdf:
            return QColor(0xD9, 0x38, 0x3C);
        case Kind::Image:
            return QColor(0x8B, 0x5C, 0xF6);
        case Kind::Video:
            return QColor(0xE1, 0x4B, 0x6E);
        case Kind::Audio:
            return QColor(0xDB, 0x4B, 0xB4);
        case Kind::Archive:
            return QColor(0xC8, 0x8A, 0x12);
        case Kind::Code:
            return QColor(0x47, 0x55, 0x69);
        case Kind::Database:
            return QColor(0x9B, 0x2C, 0x3B);
        case Kind::Web:
            return QColor(0x0E, 0x8F, 0xB3);
        case Kind::Text:
            return QColor(0x5B, 0x6B, 0x80);
        case Kind::Binary:
            return QColor(0x3D, 0x4A, 0x5C);
        case Kind::Other:
            return QColor(0x9A, 0xA6, 0xB5);
    }
    return kInkSoft;
}

// The small sign above the label, inside the box (9..23, 5..15).
void kindSign(QPainter& p, Kind kind, const QColor& colour) {
    p.setPen(QPen(colour, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (kind) {
        case Kind::Image: {
            p.drawLine(QPointF(9, 15), QPointF(13, 9.5));
            p.drawLine(QPointF(13, 9.5), QPointF(16, 13));
            p.drawLine(QPointF(16, 13), QPointF(18, 11));
            p.drawLine(QPointF(18, 11), QPointF(21, 15));
            p.setBrush(colour);
            p.drawEllipse(QPointF(19, 7), 1.4, 1.4);
            break;
        }
        case Kind::Video: {
            QPainterPath play;
            play.moveTo(13, 6);
            play.lineTo(20, 10.5);
            play.lineTo(13, 15);
            play.closeSubpath();
            p.setBrush(colour);
            p.drawPath(play);
            break;
        }
        case Kind::Audio: {
            p.drawLine(QPointF(17, 6), QPointF(17, 13));
            p.drawLine(QPointF(17, 6), QPointF(20, 7.5));
            p.setBrush(colour);
            p.drawEllipse(QPointF(15.3, 13.5), 2, 1.6);
            break;
        }
        case Kind::Archive: {
            for (int y = 5; y <= 13; y += 2) {
                p.drawLine(QPointF(14, y), QPointF(15.5, y));
                p.drawLine(QPointF(16.5, y + 1), QPointF(18, y + 1));
            }
            break;
        }
        case Kind::Code: {
            p.drawLine(QPointF(12, 7), QPointF(9.5, 10.5));
            p.drawLine(QPointF(9.5, 10.5), QPointF(12, 14));
            p.drawLine(QPointF(20, 7), QPointF(22.5, 10.5));
            p.drawLine(QPointF(22.5, 10.5), QPointF(20, 14));
            p.drawLine(QPointF(17, 6.5), QPointF(15, 14.5));
            break;
        }
        case Kind::Database: {
            p.drawEllipse(QRectF(11, 5, 10, 3.5));
            p.drawLine(QPointF(11, 6.8), QPointF(11, 13.5));
            p.drawLine(QPointF(21, 6.8), QPointF(21, 13.5));
            p.drawArc(QRectF(11, 11.8, 10, 3.5), 180 * 16, 180 * 16);
            break;
        }
        case Kind::Sheet: {
            p.drawRect(QRectF(10, 5.5, 12, 9));
            p.drawLine(QPointF(10, 8.5), QPointF(22, 8.5));
            p.drawLine(QPointF(10, 11.5), QPointF(22, 11.5));
            p.drawLine(QPointF(14, 5.5), QPointF(14, 14.5));
            break;
        }
        case Kind::Slides: {
            p.setBrush(colour);
            p.drawRect(QRectF(11, 10, 2.5, 5));
            p.drawRect(QRectF(15, 7, 2.5, 8));
            p.drawRect(QRectF(19, 9, 2.5, 6));
            break;
        }
        case Kind::Web: {
            p.drawEllipse(QPointF(16, 10.5), 5, 5);
            p.drawEllipse(QPointF(16, 10.5), 2, 5);
            p.drawLine(QPointF(11, 10.5), QPointF(21, 10.5));
            break;
        }
        case Kind::Binary: {
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            for (int row = 0; row < 3; ++row) {
                for (int column = 0; column < 4; ++column) {
                    if ((row + column) % 3 != 1)
                        p.drawRect(QRectF(10 + column * 3.2, 6 + row * 3.2, 2.2, 2.2));
                }
            }
            break;
        }
        case Kind::Other:
            break;
        case Kind::Text:
        case Kind::Document:
        case Kind::Pdf: {
            for (int i = 0; i < 4; ++i)
                p.drawLine(QPointF(10, 6 + i * 2.7), QPointF(i == 3 ? 17 : 22, 6 + i * 2.7));
            break;
        }
    }
}

QImage fileIcon(const pic::Picture& picture, const FileType& type) {
    QImage image = canvas(picture);
    QPainter p(&image);
    prepare(p);
    p.scale(picture.width / 32.0, picture.height / 32.0);
    const QColor colour = kindColour(type.kind);
    QPainterPath page;
    page.moveTo(6.5, 1.5);
    page.lineTo(20.5, 1.5);
    page.lineTo(26.5, 7.5);
    page.lineTo(26.5, 30.5);
    page.lineTo(6.5, 30.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(0xC3, 0xCC, 0xD8), 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    QPainterPath fold;
    fold.moveTo(20.5, 1.5);
    fold.lineTo(20.5, 7.5);
    fold.lineTo(26.5, 7.5);
    fold.closeSubpath();
    p.setBrush(QColor(0xE4, 0xE9, 0xF0));
    p.drawPath(fold);
    kindSign(p, type.kind, colour);
    if (type.kind == Kind::Other) {
        // No kind to name: a plain page with faint lines.
        p.setPen(QPen(colour, 1.2, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 5; ++i)
            p.drawLine(QPointF(10, 12 + i * 3.5), QPointF(i == 4 ? 17 : 22, 12 + i * 3.5));
        return image;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(2, 17, 26, 11), 2, 2);
    const QString label = QString::fromUtf8(type.label);
    centredText(p, QRectF(2, 17, 26, 11), label, Qt::white,
                textFont(label.size() > 3 ? 7 : 8, true));
    return image;
}

QImage folderIcon(const pic::Picture& picture) {
    QImage image = canvas(picture);
    QPainter p(&image);
    prepare(p);
    p.scale(picture.width / 32.0, picture.height / 32.0);
    QPainterPath back;
    back.moveTo(2, 6);
    back.quadTo(2, 4, 4, 4);
    back.lineTo(12, 4);
    back.lineTo(15, 7);
    back.lineTo(28, 7);
    back.quadTo(30, 7, 30, 9);
    back.lineTo(30, 26);
    back.lineTo(2, 26);
    back.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE9, 0xA8, 0x25));
    p.drawPath(back);
    p.setBrush(QColor(0xFF, 0xC8, 0x4A));
    p.drawRoundedRect(QRectF(2, 10, 28, 18), 2, 2);
    p.setPen(QPen(QColor(255, 255, 255, 120), 1));
    p.drawLine(QPointF(4, 12.5), QPointF(28, 12.5));
    return image;
}

QImage returnIcon(const pic::Picture& picture) {
    QImage image = canvas(picture);
    QPainter p(&image);
    prepare(p);
    p.scale(picture.width / 32.0, picture.height / 32.0);
    p.setPen(Qt::NoPen);
    p.setBrush(kBrandPale);
    p.drawEllipse(QRectF(1, 1, 30, 30));
    p.setPen(QPen(kBrand, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath arrow;
    arrow.moveTo(22, 22);
    arrow.lineTo(22, 17);
    arrow.quadTo(22, 12, 17, 12);
    arrow.lineTo(9, 12);
    p.drawPath(arrow);
    p.drawLine(QPointF(9, 12), QPointF(13, 8));
    p.drawLine(QPointF(9, 12), QPointF(13, 16));
    return image;
}

// Draws `types` at the catalog's positions from `first` on; false when the order differs.
bool drawTypes(PictureWriter& writer, std::span<const FileType> types, std::size_t first) {
    for (std::size_t i = 0; i < types.size(); ++i) {
        const pic::Picture& picture = pic::kFileIcons[first + i];
        if (picture.path != "FileIcon/" + std::string(types[i].stem) + "-small.png")
            return false;
        if (!writer.save(picture, fileIcon(picture, types[i])))
            return false;
    }
    return true;
}

}  // namespace

bool drawFileIcons(PictureWriter& writer) {
    static_assert(std::size(kTypes) + 2 + std::size(kLaterTypes) == std::size(pic::kFileIcons));
    return writer.save(pic::kFileIcons[pic::kFolderIconIndex],
                       folderIcon(pic::kFileIcons[pic::kFolderIconIndex])) &&
           drawTypes(writer, kTypes, pic::kUnknownFileIconIndex) &&
           writer.save(pic::kFileIcons[pic::kReturnIconIndex],
                       returnIcon(pic::kFileIcons[pic::kReturnIconIndex])) &&
           drawTypes(writer, kLaterTypes, pic::kReturnIconIndex + 1);
}

}  // namespace nubexa::maker
