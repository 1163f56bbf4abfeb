// Dialog faces, the share and direct-link banners, the skin chooser, the stock avatar and the
// program icon.
#include "families.h"
#include "paint_kit.h"

namespace nubexa::maker {

namespace pic = nubexa::pictures;

namespace {

QRectF toQt(const pic::Rect& r) {
    return QRectF(r.x, r.y, r.width, r.height);
}

void tab(QPainter& p, const pic::Rect& where, int state) {
    const QRectF r = toQt(where).adjusted(0.5, 0.5, -0.5, 0);
    QPainterPath shape;
    shape.moveTo(r.bottomLeft());
    shape.lineTo(r.left(), r.top() + 5);
    shape.quadTo(r.topLeft(), QPointF(r.left() + 5, r.top()));
    shape.lineTo(r.right() - 5, r.top());
    shape.quadTo(r.topRight(), QPointF(r.right(), r.top() + 5));
    shape.lineTo(r.bottomRight());
    const QColor fills[] = {QColor(0xF1, 0xF4, 0xF8), kBrandPale, Qt::white};
    p.setPen(QPen(kLine, 1));
    p.setBrush(fills[state]);
    p.drawPath(shape);
    if (state == 2) {
        p.setPen(Qt::NoPen);
        p.setBrush(kBrand);
        p.drawRoundedRect(QRectF(r.left() + 4, r.top(), r.width() - 8, 3), 1.5, 1.5);
    }
}

void face(QPainter& p, const pic::Rect& where, const QColor& fill, const QColor& edge) {
    card(p, toQt(where), fill, edge, 4);
}

QImage dialogSheet() {
    QImage image = canvas(pic::kDialogSheet);
    QPainter p(&image);
    prepare(p);
    tab(p, pic::kDialogTabNormal, 0);
    tab(p, pic::kDialogTabHover, 1);
    tab(p, pic::kDialogTabSelected, 2);
    face(p, pic::kDialogButtonNormal, Qt::white, kLine);
    face(p, pic::kDialogButtonHover, kBrandPale, kBrandLight);
    face(p, pic::kDialogButtonPressed, QColor(0xD3, 0xE4, 0xFC), kBrandDark);
    face(p, pic::kDialogOk, kBrand, kBrand);
    centredText(p, toQt(pic::kDialogOk), qs("确定"), Qt::white, textFont(13, true));
    face(p, pic::kDialogCancel, Qt::white, kLine);
    centredText(p, toQt(pic::kDialogCancel), qs("取消"), kInk, textFont(13));
    return image;
}

void linkSign(QPainter& p) {
    p.save();
    p.translate(60, 45);
    p.rotate(-45);
    p.setPen(QPen(QColor(255, 255, 255, 200), 6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(-30, -9, 32, 18), 9, 9);
    p.drawRoundedRect(QRectF(-2, -9, 32, 18), 9, 9);
    p.restore();
}

void boltSign(QPainter& p) {
    QPainterPath bolt;
    bolt.moveTo(68, 14);
    bolt.lineTo(44, 50);
    bolt.lineTo(60, 50);
    bolt.lineTo(52, 78);
    bolt.lineTo(78, 38);
    bolt.lineTo(62, 38);
    bolt.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 210));
    p.drawPath(bolt);
}

QImage banner(const pic::Picture& picture, void (*sign)(QPainter&), const char* title,
              const char* line) {
    QImage image = opaqueCanvas(picture.width, picture.height);
    QPainter p(&image);
    prepare(p);
    QLinearGradient fill(0, 0, picture.width, picture.height);
    fill.setColorAt(0, kBrandLight);
    fill.setColorAt(1, kBrandDark);
    p.fillRect(area(image), fill);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 24));
    p.drawEllipse(QPointF(picture.width - 40, 10), 80, 80);
    p.drawEllipse(QPointF(60, 45), 40, 40);
    sign(p);
    p.setPen(Qt::white);
    p.setFont(textFont(22, true));
    fittedText(p, QRectF(120, 14, picture.width - 130, 34), Qt::AlignLeft | Qt::AlignVCenter,
               qs(title));
    p.setPen(QColor(255, 255, 255, 220));
    p.setFont(textFont(13));
    fittedText(p, QRectF(120, 50, picture.width - 130, 24), Qt::AlignLeft | Qt::AlignVCenter,
               qs(line));
    return image;
}

QImage skinTitle() {
    QImage image = canvas(pic::kSkinTitle);
    QPainter p(&image);
    prepare(p);
    QLinearGradient fill(0, 0, area(image).width(), 0);
    fill.setColorAt(0, QColor(kBrand.red(), kBrand.green(), kBrand.blue(), 235));
    fill.setColorAt(1, QColor(kBrand.red(), kBrand.green(), kBrand.blue(), 120));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(rounded(area(image), 4));
    return image;
}

QImage itemSelect() {
    QImage image = canvas(pic::kSkinItemSelect);
    QPainter p(&image);
    prepare(p);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(255, 255, 255, 50));
    p.drawPath(rounded(area(image).adjusted(1, 1, -1, -1), 4));
    return image;
}

QImage scrollThumb(const pic::Picture& picture, const QColor& colour) {
    QImage image = canvas(picture);
    QPainter p(&image);
    prepare(p);
    p.setPen(QPen(QColor(0, 0, 0, 40), 1));
    p.setBrush(colour);
    p.drawPath(rounded(QRectF(2.5, 0.5, picture.width - 5, picture.height - 1), 3.5));
    return image;
}

QImage faceDemo() {
    QImage image = canvas(pic::kFaceDemo);
    QPainter p(&image);
    prepare(p);
    p.scale(area(image).width() / 42.0, area(image).height() / 42.0);
    QPainterPath circle;
    circle.addEllipse(QRectF(0.5, 0.5, 41, 41));
    QLinearGradient fill(0, 0, 0, 42);
    fill.setColorAt(0, QColor(0xDC, 0xEA, 0xFD));
    fill.setColorAt(1, QColor(0xB9, 0xD3, 0xFA));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(circle);
    p.setClipPath(circle);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(14, 8, 14, 14));
    p.drawEllipse(QRectF(7, 25, 28, 26));
    return image;
}

}  // namespace

bool drawDialogs(PictureWriter& writer) {
    return writer.save(pic::kDialogSheet, dialogSheet()) &&
           writer.save(pic::kShareBanner,
                       banner(pic::kShareBanner, linkSign, "外链分享", "一个链接，好友随时下载")) &&
           writer.save(pic::kDirectLinkBanner, banner(pic::kDirectLinkBanner, boltSign, "网盘直链",
                                                      "文件直达的下载地址，可设白名单防盗链")) &&
           writer.save(pic::kSkinTitle, skinTitle()) &&
           writer.save(pic::kSkinItemSelect, itemSelect()) &&
           writer.save(pic::kScrollBarLeave,
                       scrollThumb(pic::kScrollBarLeave, QColor(255, 255, 255, 120))) &&
           writer.save(pic::kScrollBarStay, scrollThumb(pic::kScrollBarStay, kBrandLight)) &&
           writer.save(pic::kFaceDemo, faceDemo());
}

bool drawAppIcons(PictureWriter& writer) {
    const QString source = QStringLiteral("icons/nubexa-client.svg");
    if (!writer.copySource(pic::kAppIconSvg, source))
        return false;
    for (const pic::Picture& icon : pic::kAppIcons) {
        const QImage image = writer.renderSvg(source, icon.width, icon.height);
        if (image.isNull() || !writer.save(icon, image))
            return false;
    }
    return true;
}

}  // namespace nubexa::maker
