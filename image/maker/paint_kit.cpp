#include "paint_kit.h"

#include <QFontInfo>
#include <QFontMetricsF>

#include "picture_words.h"

namespace nubexa::maker {

namespace {

const Neutrals kLightNeutrals{kInk,
                              kInkSoft,
                              kLine,
                              kPaper,
                              Qt::white,
                              kBrandPale,
                              QColor(255, 255, 255, 245),
                              QColor(0xE3, 0xE9, 0xF1)};
const Neutrals kDarkNeutrals{QColor(0xE6, 0xEB, 0xF1),      QColor(0xA9, 0xB4, 0xC2),
                             QColor(0x44, 0x4F, 0x5D),      QColor(0x2E, 0x35, 0x3F),
                             QColor(0x26, 0x2C, 0x34),      QColor(0x24, 0x30, 0x3F),
                             QColor(0x1F, 0x24, 0x2B, 245), QColor(0x3A, 0x44, 0x52)};
Tone g_tone = Tone::kLight;

}  // namespace

void setTone(Tone tone) {
    g_tone = tone;
}

const Neutrals& neutrals() {
    return g_tone == Tone::kDark ? kDarkNeutrals : kLightNeutrals;
}

namespace {
const QString kFontFamily = QStringLiteral("Noto Sans CJK SC");
int g_scale = 1;

QImage scaledCanvas(int width, int height, QImage::Format format) {
    QImage image(width * g_scale, height * g_scale, format);
    image.setDevicePixelRatio(g_scale);
    return image;
}
}  // namespace

void setDrawScale(int scale) {
    g_scale = scale < 1 ? 1 : scale;
}

int drawScale() {
    return g_scale;
}

QRectF area(const QImage& image) {
    return QRectF(QPointF(0, 0), image.deviceIndependentSize());
}

QFont textFont(int pixelSize, bool bold) {
    QFont font(kFontFamily);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

bool checkFont(QString* error) {
    const QFontInfo info(textFont(14));
    if (info.family() == kFontFamily)
        return true;
    *error = QStringLiteral("font \"%1\" not found (got \"%2\"); install fonts-noto-cjk")
                 .arg(kFontFamily, info.family());
    return false;
}

QString qs(const char* utf8) {
    return pictureWords(utf8);
}

QFont fitted(QFont font, const QString& text, qreal width) {
    // Longer words (an English twin) get smaller type rather than being cut, down to 8 pixels.
    while (font.pixelSize() > 8 && QFontMetricsF(font).horizontalAdvance(text) > width)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

void fittedText(QPainter& painter, const QRectF& box, int flags, const QString& text) {
    const QFont font = painter.font();
    painter.setFont(fitted(font, text, box.width() - 2));
    painter.drawText(box, flags, text);
    painter.setFont(font);
}

QImage canvas(int width, int height) {
    QImage image = scaledCanvas(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage opaqueCanvas(int width, int height) {
    return scaledCanvas(width, height, QImage::Format_RGB32);
}

QImage canvas(const nubexa::pictures::Picture& picture) {
    return canvas(picture.width, picture.height);
}

void prepare(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

void centredText(QPainter& painter, const QRectF& box, const QString& text, const QColor& colour,
                 const QFont& font, bool shadow) {
    painter.save();
    painter.setFont(fitted(font, text, box.width() - 2));
    if (shadow) {
        painter.setPen(QColor(0, 0, 0, 90));
        painter.drawText(box.translated(0, 1), Qt::AlignCenter, text);
    }
    painter.setPen(colour);
    painter.drawText(box, Qt::AlignCenter, text);
    painter.restore();
}

QImage stateSheet(const nubexa::pictures::Picture& picture, const StateFace& face) {
    QImage image = canvas(picture);
    QPainter painter(&image);
    prepare(painter);
    for (int state = 0; state < picture.states; ++state) {
        const auto r = nubexa::pictures::stateRect(picture, state);
        painter.save();
        painter.setClipRect(r.x, r.y, r.width, r.height);
        face(painter, QRectF(r.x, r.y, r.width, r.height), state);
        painter.restore();
    }
    return image;
}

QPainterPath rounded(const QRectF& box, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(box, radius, radius);
    return path;
}

void card(QPainter& painter, const QRectF& box, const QBrush& fill, const QColor& edge,
          qreal radius) {
    painter.save();
    painter.setPen(edge.alpha() ? QPen(edge, 1) : QPen(Qt::NoPen));
    painter.setBrush(fill);
    painter.drawPath(rounded(edge.alpha() ? box.adjusted(0.5, 0.5, -0.5, -0.5) : box, radius));
    painter.restore();
}

void glyphArrowUp(QPainter& painter, const QRectF& b) {
    const QPointF top(b.center().x(), b.top());
    painter.drawLine(top, QPointF(b.center().x(), b.bottom()));
    painter.drawLine(top, QPointF(b.left(), b.top() + b.width() / 2));
    painter.drawLine(top, QPointF(b.right(), b.top() + b.width() / 2));
}

void glyphArrowDown(QPainter& painter, const QRectF& b) {
    const QPointF bottom(b.center().x(), b.bottom());
    painter.drawLine(bottom, QPointF(b.center().x(), b.top()));
    painter.drawLine(bottom, QPointF(b.left(), b.bottom() - b.width() / 2));
    painter.drawLine(bottom, QPointF(b.right(), b.bottom() - b.width() / 2));
}

void glyphMagnifier(QPainter& painter, const QRectF& b) {
    const qreal d = b.width() * 0.62;
    painter.drawEllipse(QRectF(b.left(), b.top(), d, d));
    painter.drawLine(QPointF(b.left() + d * 0.88, b.top() + d * 0.88), b.bottomRight());
}

void glyphCross(QPainter& painter, const QRectF& b) {
    painter.drawLine(b.topLeft(), b.bottomRight());
    painter.drawLine(b.topRight(), b.bottomLeft());
}

}  // namespace nubexa::maker
