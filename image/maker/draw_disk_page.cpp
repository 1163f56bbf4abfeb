// The disk page: navigation buttons, page buttons, search, user panel badges and bars.
#include "families.h"
#include "paint_kit.h"

namespace nubexa::maker {

namespace pic = nubexa::pictures;

namespace {

using Glyph = void (*)(QPainter&, const QRectF&);

void cloudGlyph(QPainter& p, const QRectF& b) {
    QPainterPath cloud;
    cloud.addRoundedRect(QRectF(b.left(), b.top() + 6, b.width(), 7), 3.5, 3.5);
    cloud.addEllipse(QRectF(b.left() + 2, b.top() + 3, 6, 6));
    cloud.addEllipse(QRectF(b.left() + 5, b.top() + 1, 8, 8));
    p.drawPath(cloud.simplified());
}
void shareGlyph(QPainter& p, const QRectF& b) {
    const QPointF a(b.right() - 2, b.top() + 2), c(b.left() + 2, b.center().y()),
        d(b.right() - 2, b.bottom() - 2);
    p.drawLine(a, c);
    p.drawLine(c, d);
    p.save();
    p.setBrush(p.pen().color());
    for (const QPointF& point : {a, c, d})
        p.drawEllipse(point, 1.8, 1.8);
    p.restore();
}
void boltGlyph(QPainter& p, const QRectF& b) {
    QPainterPath bolt;
    bolt.moveTo(b.left() + 8, b.top());
    bolt.lineTo(b.left() + 2.5, b.top() + 8);
    bolt.lineTo(b.left() + 7, b.top() + 8);
    bolt.lineTo(b.left() + 5.5, b.bottom());
    bolt.lineTo(b.right() - 2.5, b.top() + 5.5);
    bolt.lineTo(b.left() + 8, b.top() + 5.5);
    bolt.closeSubpath();
    p.drawPath(bolt);
}
void trashGlyph(QPainter& p, const QRectF& b) {
    p.drawLine(QPointF(b.left() + 1, b.top() + 3), QPointF(b.right() - 1, b.top() + 3));
    p.drawLine(QPointF(b.left() + 5, b.top() + 1), QPointF(b.right() - 5, b.top() + 1));
    p.drawRoundedRect(QRectF(b.left() + 3, b.top() + 3, b.width() - 6, b.height() - 3), 1.5, 1.5);
    p.drawLine(QPointF(b.center().x(), b.top() + 6), QPointF(b.center().x(), b.bottom() - 3));
}
void clockGlyph(QPainter& p, const QRectF& b) {
    p.drawEllipse(b.adjusted(0.5, 0.5, -0.5, -0.5));
    p.drawLine(b.center(), QPointF(b.center().x(), b.top() + 3.5));
    p.drawLine(b.center(), QPointF(b.center().x() + 3, b.center().y() + 1.5));
}
void uploadGlyph(QPainter& p, const QRectF& b) {
    glyphArrowUp(p, QRectF(b.left() + 3, b.top(), b.width() - 6, b.height() - 4));
    p.drawLine(QPointF(b.left() + 1, b.bottom()), QPointF(b.right() - 1, b.bottom()));
}
void downloadGlyph(QPainter& p, const QRectF& b) {
    glyphArrowDown(p, QRectF(b.left() + 3, b.top(), b.width() - 6, b.height() - 4));
    p.drawLine(QPointF(b.left() + 1, b.bottom()), QPointF(b.right() - 1, b.bottom()));
}

QPen glyphPen(const QColor& colour, qreal width = 1.5) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QImage navButton(const pic::Picture& picture, const char* label, Glyph glyph, bool active) {
    QImage image = canvas(picture);
    QPainter p(&image);
    prepare(p);
    const QColor ink = active ? QColor(Qt::white) : neutrals().ink;
    if (active) {
        p.setPen(Qt::NoPen);
        p.setBrush(kBrand);
        p.drawPath(rounded(area(image), 4));
    }
    p.setPen(glyphPen(active ? QColor(Qt::white) : neutrals().inkSoft));
    p.setBrush(Qt::NoBrush);
    glyph(p, QRectF(16, 8, 14, 14));
    p.setFont(textFont(13, active));
    p.setPen(ink);
    fittedText(p, QRectF(40, 0, picture.width - 44, picture.height), Qt::AlignVCenter, qs(label));
    return image;
}

QImage uploadButton(const pic::Picture& picture, bool filled) {
    QImage image = canvas(picture);
    QPainter p(&image);
    prepare(p);
    const QRectF box = area(image).adjusted(0.5, 0.5, -0.5, -0.5);
    if (filled) {
        QLinearGradient fill(0, 0, 0, picture.height);
        fill.setColorAt(0, kBrandLight);
        fill.setColorAt(1, kBrand);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
    } else {
        p.setPen(QPen(kBrand, 1));
        p.setBrush(neutrals().card);
    }
    p.drawPath(rounded(box, 4));
    const QColor ink = filled ? QColor(Qt::white) : kBrand;
    p.setPen(glyphPen(ink, 1.6));
    uploadGlyph(p, QRectF(14, 8, 14, 14));
    p.setFont(textFont(13, true));
    p.setPen(ink);
    fittedText(p, QRectF(34, 0, 60, picture.height), Qt::AlignVCenter, qs("上传文件"));
    return image;
}

QImage menuPanel() {
    QImage image = canvas(pic::kMenuPanel);
    QPainter p(&image);
    prepare(p);
    card(p, area(image), neutrals().paper, neutrals().line, 5);
    for (const qreal x : {41.5, 81.5})
        p.drawLine(QPointF(x, 7), QPointF(x, 22));
    return image;
}

void newFolderGlyph(QPainter& p, const QRectF& b) {
    QPainterPath folder;
    folder.moveTo(b.left() + 1, b.top() + 2);
    folder.lineTo(b.left() + 5, b.top() + 2);
    folder.lineTo(b.left() + 6.5, b.top() + 3.5);
    folder.lineTo(b.left() + 12, b.top() + 3.5);
    folder.lineTo(b.left() + 12, b.bottom() - 1);
    folder.lineTo(b.left() + 1, b.bottom() - 1);
    folder.closeSubpath();
    p.drawPath(folder);
    p.drawLine(QPointF(b.right() - 2.5, b.top() + 1), QPointF(b.right() - 2.5, b.top() + 6));
    p.drawLine(QPointF(b.right() - 5, b.top() + 3.5), QPointF(b.right(), b.top() + 3.5));
}
void homeGlyph(QPainter& p, const QRectF& b) {
    const qreal x = b.center().x();
    QPainterPath house;
    house.moveTo(x - 6, b.top() + 6);
    house.lineTo(x, b.top() + 1);
    house.lineTo(x + 6, b.top() + 6);
    p.drawPath(house);
    p.drawRect(QRectF(x - 4, b.top() + 6, 8, b.height() - 7));
}
void refreshGlyph(QPainter& p, const QRectF& b) {
    const QRectF ring(b.center().x() - 5, b.center().y() - 5, 10, 10);
    p.drawArc(ring, 60 * 16, 290 * 16);
    const QPointF tip(ring.center().x() + 2.6, ring.top() + 0.6);
    p.drawLine(tip, tip + QPointF(-3, -2));
    p.drawLine(tip, tip + QPointF(-2, 3));
}

QImage smallButton(const pic::Picture& picture, Glyph glyph, bool hover) {
    QImage image = canvas(picture);
    QPainter p(&image);
    prepare(p);
    p.setPen(glyphPen(hover ? kBrand : neutrals().inkSoft, 1.3));
    p.setBrush(Qt::NoBrush);
    glyph(p, area(image));
    return image;
}

QImage searchBar() {
    QImage image = canvas(pic::kSearchBar);
    QPainter p(&image);
    prepare(p);
    card(p, area(image), neutrals().card, neutrals().line, 4);
    p.setPen(QPen(QColor(0, 0, 0, 14), 1));
    p.drawLine(QPointF(4, 1.5), QPointF(area(image).width() - 4, 1.5));
    return image;
}

QImage searchButton() {
    QImage image = canvas(pic::kSearchButton);
    QPainter p(&image);
    prepare(p);
    card(p, area(image), kBrand, Qt::transparent, 4);
    p.setPen(glyphPen(Qt::white, 1.8));
    p.setBrush(Qt::NoBrush);
    glyphMagnifier(p, QRectF(13, 8, 14, 14));
    return image;
}

QImage badge(const pic::Picture& picture, const char* text, const QBrush& fill, const QColor& ink,
             const QColor& edge = Qt::transparent) {
    QImage image = canvas(picture);
    QPainter p(&image);
    prepare(p);
    card(p, area(image), fill, edge, 4);
    centredText(p, area(image), qs(text), ink, textFont(11, true));
    return image;
}

QImage capacityBar() {
    QImage image = canvas(pic::kCapacityBar);
    QPainter p(&image);
    prepare(p);
    const QRectF track = QRectF(0, 3, area(image).width(), 8);
    p.setPen(Qt::NoPen);
    p.setBrush(neutrals().track);
    p.drawPath(rounded(track, 4));
    // The used part is filled by the window at the account's real level.
    return image;
}

QImage separator() {
    QImage image = canvas(pic::kSeparator);
    QPainter p(&image);
    QLinearGradient line(0, 0, area(image).width(), 0);
    QColor clear = neutrals().line;
    clear.setAlpha(0);
    line.setColorAt(0, clear);
    line.setColorAt(0.15, neutrals().line);
    line.setColorAt(0.85, neutrals().line);
    line.setColorAt(1, clear);
    p.fillRect(area(image), line);
    return image;
}

// A white card with a part-drawn ring at its left, the common face of both waits.
void spinnerCard(QPainter& p, const QImage& image, const QRectF& ring) {
    prepare(p);
    card(p, area(image), neutrals().card, neutrals().line, 8);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kBrandPale, 3.5));
    p.drawEllipse(ring);
    p.setPen(QPen(kBrand, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(ring, 90 * 16, 250 * 16);
}

QImage loading() {
    QImage image = canvas(pic::kLoading);
    QPainter p(&image);
    spinnerCard(p, image, QRectF(14, 13, 28, 28));
    p.setFont(textFont(13, true));
    p.setPen(neutrals().ink);
    fittedText(p, QRectF(52, 7, 148, 22), Qt::AlignLeft | Qt::AlignVCenter, qs("正在等待登录…"));
    p.setFont(textFont(11));
    p.setPen(neutrals().inkSoft);
    fittedText(p, QRectF(52, 27, 148, 20), Qt::AlignLeft | Qt::AlignVCenter,
               qs("请在浏览器中完成登录"));
    return image;
}

QImage pageLoading() {
    QImage image = canvas(pic::kPageLoading);
    QPainter p(&image);
    spinnerCard(p, image, QRectF(14, 10, 24, 24));
    p.setFont(textFont(14, true));
    p.setPen(neutrals().ink);
    fittedText(p, QRectF(48, 0, 80, 44), Qt::AlignLeft | Qt::AlignVCenter, qs("加载中…"));
    return image;
}

QImage pagePanel() {
    QImage image = canvas(pic::kPagePanel);
    QPainter p(&image);
    prepare(p);
    QLinearGradient fill(0, 0, 0, 140);
    fill.setColorAt(0, neutrals().panelTop);
    fill.setColorAt(1, neutrals().panelBottom);
    card(p, area(image), fill, neutrals().line, 8);
    return image;
}

}  // namespace

bool drawDiskPage(PictureWriter& writer) {
    const Glyph glyphs[] = {cloudGlyph, shareGlyph,  boltGlyph,    trashGlyph,
                            clockGlyph, uploadGlyph, downloadGlyph};
    static_assert(std::size(glyphs) == std::size(pic::kNavButtons));
    for (std::size_t i = 0; i < std::size(glyphs); ++i) {
        const auto& button = pic::kNavButtons[i];
        if (!writer.save(button.leave, navButton(button.leave, button.label, glyphs[i], false)) ||
            !writer.save(button.active, navButton(button.active, button.label, glyphs[i], true)))
            return false;
    }
    const auto& download = pic::kNavButtons[6];
    const QBrush gold = [] {
        QLinearGradient g(0, 0, 0, 18);
        g.setColorAt(0, QColor(0xF8, 0xD0, 0x6A));
        g.setColorAt(1, QColor(0xE2, 0xA6, 0x2B));
        return QBrush(g);
    }();
    return writer.save(
               pic::kNavDownloadLeaveAlt,
               navButton(pic::kNavDownloadLeaveAlt, download.label, downloadGlyph, false)) &&
           writer.save(
               pic::kNavDownloadActiveAlt,
               navButton(pic::kNavDownloadActiveAlt, download.label, downloadGlyph, true)) &&
           writer.save(pic::kUploadFile, uploadButton(pic::kUploadFile, true)) &&
           writer.save(pic::kUploadFileEnable, uploadButton(pic::kUploadFileEnable, false)) &&
           writer.save(pic::kMenuPanel, menuPanel()) &&
           writer.save(pic::kNewFolder, smallButton(pic::kNewFolder, newFolderGlyph, false)) &&
           writer.save(pic::kNewFolderHover,
                       smallButton(pic::kNewFolderHover, newFolderGlyph, true)) &&
           writer.save(pic::kHome, smallButton(pic::kHome, homeGlyph, false)) &&
           writer.save(pic::kHomeHover, smallButton(pic::kHomeHover, homeGlyph, true)) &&
           writer.save(pic::kRefresh, smallButton(pic::kRefresh, refreshGlyph, false)) &&
           writer.save(pic::kRefreshHover, smallButton(pic::kRefreshHover, refreshGlyph, true)) &&
           writer.save(pic::kSearchBar, searchBar()) &&
           writer.save(pic::kSearchButton, searchButton()) &&
           writer.save(pic::kBadgeNormal, badge(pic::kBadgeNormal, "普通", QColor(0xE5, 0xE7, 0xEB),
                                                QColor(0x4B, 0x55, 0x63))) &&
           writer.save(pic::kBadgeVip,
                       badge(pic::kBadgeVip, "VIP", gold, QColor(0x5A, 0x3B, 0x00))) &&
           writer.save(pic::kBadgeDirectLink,
                       badge(pic::kBadgeDirectLink, "直链", kBrand, Qt::white)) &&
           writer.save(pic::kBadgeDirectLinkOff,
                       badge(pic::kBadgeDirectLinkOff, "直链", neutrals().card,
                             QColor(0x9C, 0xA3, 0xAF), neutrals().line)) &&
           writer.save(pic::kEnlarge,
                       badge(pic::kEnlarge, "扩容", QColor(0x22, 0xA0, 0x6B), Qt::white)) &&
           writer.save(pic::kCapacityBar, capacityBar()) &&
           writer.save(pic::kSeparator, separator()) && writer.save(pic::kLoading, loading()) &&
           writer.save(pic::kPageLoading, pageLoading()) &&
           writer.save(pic::kPagePanel, pagePanel());
}

}  // namespace nubexa::maker
