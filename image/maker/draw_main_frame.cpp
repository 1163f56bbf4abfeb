// Title-bar buttons, the logo and the toolbar of the main window. They sit on the skin, so glyphs
// are white with a faint shadow and the state faces are translucent.
#include "families.h"
#include "paint_kit.h"

namespace nubexa::maker {

namespace pic = nubexa::pictures;

namespace {

using Glyph = void (*)(QPainter&, const QRectF& cell);

void closeGlyph(QPainter& p, const QRectF& c) {
    glyphCross(p, QRectF(c.center().x() - 5, c.center().y() - 5, 10, 10));
}
void maxGlyph(QPainter& p, const QRectF& c) {
    p.drawRect(QRectF(c.center().x() - 5, c.center().y() - 4.5, 10, 9));
}
void minGlyph(QPainter& p, const QRectF& c) {
    p.drawLine(QPointF(c.center().x() - 5, c.center().y() + 0.5),
               QPointF(c.center().x() + 5, c.center().y() + 0.5));
}
void menuGlyph(QPainter& p, const QRectF& c) {
    for (int i = -1; i <= 1; ++i)
        p.drawLine(QPointF(c.center().x() - 5, c.center().y() + i * 3.5),
                   QPointF(c.center().x() + 5, c.center().y() + i * 3.5));
}
void skinGlyph(QPainter& p, const QRectF& c) {
    // A small shirt: skins dress the window.
    const qreal x = c.center().x();
    const qreal y = c.center().y();
    QPainterPath shirt;
    shirt.moveTo(x - 2, y - 5);
    shirt.lineTo(x - 6, y - 3);
    shirt.lineTo(x - 7, y);
    shirt.lineTo(x - 4.5, y);
    shirt.lineTo(x - 4.5, y + 5);
    shirt.lineTo(x + 4.5, y + 5);
    shirt.lineTo(x + 4.5, y);
    shirt.lineTo(x + 7, y);
    shirt.lineTo(x + 6, y - 3);
    shirt.lineTo(x + 2, y - 5);
    shirt.quadTo(x, y - 2.5, x - 2, y - 5);
    p.drawPath(shirt);
}

QImage systemButton(const pic::Picture& picture, Glyph glyph, bool danger) {
    return stateSheet(picture, [&](QPainter& p, const QRectF& cell, int state) {
        if (state == 1)
            p.fillRect(cell, danger ? kDanger : QColor(255, 255, 255, 56));
        if (state == 2)
            p.fillRect(cell, danger ? QColor(0xB8, 0x2F, 0x34) : QColor(0, 0, 0, 70));
        p.setBrush(Qt::NoBrush);
        if (state == 0) {
            p.setPen(QPen(QColor(0, 0, 0, 90), 1.4, Qt::SolidLine, Qt::RoundCap));
            glyph(p, cell.translated(0, 1));
        }
        p.setPen(QPen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        glyph(p, cell);
    });
}

QImage logo(PictureWriter& writer) {
    QImage image = canvas(pic::kLogo);
    QPainter p(&image);
    prepare(p);
    p.drawImage(2, 9, writer.renderSvg(QStringLiteral("icons/nubexa-client.svg"), 46, 46));
    const QFont name = textFont(25, true);
    const QFont tagline = textFont(12);
    for (const bool shadow : {true, false}) {
        const QPointF offset = shadow ? QPointF(0, 1) : QPointF(0, 0);
        p.setPen(shadow ? QColor(0, 0, 0, 90) : QColor(Qt::white));
        p.setFont(name);
        p.drawText(QRectF(56, 6, 116, 34).translated(offset), Qt::AlignLeft | Qt::AlignBottom,
                   QStringLiteral("Nubexa"));
        p.setPen(shadow ? QColor(0, 0, 0, 80) : QColor(255, 255, 255, 225));
        p.setFont(tagline);
        fittedText(p, QRectF(57, 40, 116, 20).translated(offset), Qt::AlignLeft | Qt::AlignTop,
                   qs("网盘 · 随时随地"));
    }
    return image;
}

QImage toolbarFace(const pic::Picture& picture, int fillAlpha, int edgeAlpha) {
    QImage image = canvas(picture);
    QPainter p(&image);
    prepare(p);
    p.setBrush(QColor(255, 255, 255, fillAlpha));
    p.setPen(edgeAlpha > 0 ? QPen(QColor(255, 255, 255, edgeAlpha), 1) : QPen(Qt::NoPen));
    p.drawPath(rounded(QRectF(2.5, 2.5, picture.width - 5, picture.height - 5), 8));
    return image;
}

}  // namespace

bool drawTitleBar(PictureWriter& writer) {
    return writer.save(pic::kSysClose, systemButton(pic::kSysClose, closeGlyph, true)) &&
           writer.save(pic::kSysMax, systemButton(pic::kSysMax, maxGlyph, false)) &&
           writer.save(pic::kSysMin, systemButton(pic::kSysMin, minGlyph, false)) &&
           writer.save(pic::kTitleBarMenu, systemButton(pic::kTitleBarMenu, menuGlyph, false)) &&
           writer.save(pic::kSkinButton, systemButton(pic::kSkinButton, skinGlyph, false)) &&
           writer.save(pic::kLogo, logo(writer));
}

bool drawToolbar(PictureWriter& writer) {
    if (!writer.save(pic::kToolbarNormal, toolbarFace(pic::kToolbarNormal, 12, 0)) ||
        !writer.save(pic::kToolbarHover, toolbarFace(pic::kToolbarHover, 44, 70)) ||
        !writer.save(pic::kToolbarPushed, toolbarFace(pic::kToolbarPushed, 76, 130)))
        return false;
    // Each icon's source is toolbar/<file name>.svg.
    for (const pic::Picture& icon : pic::kToolbarIcons) {
        const QString name = QString::fromUtf8(icon.path).section(QLatin1Char('/'), -1);
        const QString source =
            QStringLiteral("toolbar/") + name.chopped(4) + QStringLiteral(".svg");
        const QImage image = writer.renderSvg(source, icon.width, icon.height);
        if (image.isNull() || !writer.save(icon, image))
            return false;
    }
    return true;
}

}  // namespace nubexa::maker
