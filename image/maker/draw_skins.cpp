// The seven main-window backgrounds and their thumbnails. Each has a darker top band so that the
// white title, toolbar texts and buttons stay readable on every skin.
#include <QRandomGenerator>
#include <QtMath>

#include "families.h"
#include "paint_kit.h"

namespace nubexa::maker {

namespace pic = nubexa::pictures;

namespace {

void verticalFill(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(r, g);
}

void glow(QPainter& p, const QPointF& centre, qreal radius, QColor colour) {
    QRadialGradient g(centre, radius);
    g.setColorAt(0, colour);
    colour.setAlpha(0);
    g.setColorAt(1, colour);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
}

void heart(QPainter& p, const QPointF& c, qreal s) {
    QPainterPath path;
    path.moveTo(c.x(), c.y() + s * 0.9);
    path.cubicTo(c.x() - s * 1.3, c.y(), c.x() - s * 0.7, c.y() - s, c.x(), c.y() - s * 0.35);
    path.cubicTo(c.x() + s * 0.7, c.y() - s, c.x() + s * 1.3, c.y(), c.x(), c.y() + s * 0.9);
    p.drawPath(path);
}

void defaultSkin(QPainter& p, const QRectF& r) {
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(0x3A, 0x8D, 0xF5));
    g.setColorAt(1, QColor(0x17, 0x47, 0x9E));
    p.fillRect(r, g);
    glow(p, QPointF(760, 120), 320, QColor(255, 255, 255, 50));
    glow(p, QPointF(120, 560), 260, QColor(0x7F, 0xD3, 0xFF, 60));
    p.setPen(QPen(QColor(255, 255, 255, 28), 2));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(700, 470), 90 + i * 55, 90 + i * 55);
}

void jazzSkin(QPainter& p, const QRectF& r) {
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(0x2A, 0x0B, 0x18));
    g.setColorAt(1, QColor(0x74, 0x1F, 0x3D));
    p.fillRect(r, g);
    glow(p, QPointF(650, 380), 300, QColor(0xF2, 0xC1, 0x4E, 45));
    // Flowing golden lines, like a stave in motion.
    for (int line = 0; line < 5; ++line) {
        QPainterPath path;
        for (int x = 0; x <= r.width(); x += 6) {
            const qreal y =
                360 + line * 14 + 60 * qSin(x / 140.0 + line * 0.12) + 25 * qSin(x / 53.0);
            if (x == 0)
                path.moveTo(x, y);
            else
                path.lineTo(x, y);
        }
        p.setPen(QPen(QColor(0xE8, 0xC0, 0x6A, 120 - line * 12), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
}

void starSkin(QPainter& p, const QRectF& r) {
    verticalFill(p, r, QColor(0x07, 0x0B, 0x22), QColor(0x2A, 0x1A, 0x52));
    glow(p, QPointF(620, 300), 280, QColor(0x8E, 0x5C, 0xE6, 70));
    glow(p, QPointF(250, 420), 220, QColor(0x3D, 0x8B, 0xF0, 55));
    QRandomGenerator random(2026);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 420; ++i) {
        const QPointF at(random.bounded(r.width()), random.bounded(r.height()));
        const qreal size = random.bounded(100) < 6 ? 1.8 : 0.6 + random.bounded(0.8);
        p.setBrush(QColor(255, 255, 255, 120 + random.bounded(135)));
        p.drawEllipse(at, size, size);
    }
}

void loveSkin(QPainter& p, const QRectF& r) {
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(0xE2, 0x5C, 0x8E));
    g.setColorAt(1, QColor(0xF7, 0xA8, 0xC4));
    p.fillRect(r, g);
    QRandomGenerator random(14);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 26; ++i) {
        p.setBrush(QColor(255, 255, 255, 30 + random.bounded(50)));
        heart(p, QPointF(random.bounded(r.width()), 150 + random.bounded(r.height() - 150)),
              10 + random.bounded(36));
    }
}

void birdSkin(QPainter& p, const QRectF& r) {
    verticalFill(p, r, QColor(0x2E, 0x8F, 0xD8), QColor(0xBF, 0xE6, 0xF8));
    glow(p, QPointF(720, 170), 120, QColor(0xFF, 0xF4, 0xC2, 200));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    for (const auto& c : {QPointF(200, 230), QPointF(520, 300)}) {
        p.drawEllipse(c, 60, 22);
        p.drawEllipse(c + QPointF(40, -14), 40, 26);
    }
    // Rolling hills.
    const QColor hills[] = {QColor(0x7C, 0xC5, 0x76), QColor(0x4E, 0xA8, 0x5B)};
    for (int layer = 0; layer < 2; ++layer) {
        QPainterPath path;
        path.moveTo(0, r.height());
        for (int x = 0; x <= r.width(); x += 8)
            path.lineTo(x, 470 + layer * 40 + 30 * qSin(x / (160.0 - layer * 40) + layer));
        path.lineTo(r.width(), r.height());
        p.setBrush(hills[layer]);
        p.drawPath(path);
    }
    // A small bird climbing towards the sun.
    QPainterPath bird;
    bird.moveTo(560, 250);
    bird.quadTo(590, 222, 610, 240);
    bird.quadTo(630, 214, 665, 226);
    bird.quadTo(630, 226, 612, 252);
    bird.quadTo(592, 236, 560, 250);
    p.setBrush(QColor(0x1E, 0x3A, 0x5F));
    p.drawPath(bird);
}

void greenSkin(QPainter& p, const QRectF& r) {
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(0x1E, 0x7A, 0x46));
    g.setColorAt(1, QColor(0x9C, 0xD4, 0x6A));
    p.fillRect(r, g);
    QRandomGenerator random(6);
    for (int i = 0; i < 40; ++i) {
        p.save();
        p.translate(random.bounded(r.width()), 120 + random.bounded(r.height() - 120));
        p.rotate(random.bounded(360.0));
        const qreal length = 20 + random.bounded(40);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 22 + random.bounded(40)));
        QPainterPath leaf;
        leaf.moveTo(0, 0);
        leaf.quadTo(length * 0.5, -length * 0.35, length, 0);
        leaf.quadTo(length * 0.5, length * 0.35, 0, 0);
        p.drawPath(leaf);
        p.restore();
    }
}

void woodSkin(QPainter& p, const QRectF& r) {
    p.fillRect(r, QColor(0x8A, 0x57, 0x2A));
    QRandomGenerator random(7);
    // Planks of slightly different tone, each with its own wavy grain.
    const int plank = 148;
    for (int x0 = 0; x0 < r.width(); x0 += plank) {
        const int tone = random.bounded(24) - 12;
        p.fillRect(QRectF(x0, 0, plank, r.height()),
                   QColor(0x8A + tone, 0x57 + tone, 0x2A + tone / 2));
        for (int line = 0; line < 22; ++line) {
            QPainterPath path;
            const qreal base = x0 + random.bounded(plank);
            const qreal phase = random.bounded(6.28);
            for (int y = 0; y <= r.height(); y += 6) {
                const qreal x = base + 4 * qSin(y / 40.0 + phase) + 2 * qSin(y / 11.0 + phase);
                if (y == 0)
                    path.moveTo(x, y);
                else
                    path.lineTo(x, y);
            }
            const bool dark = random.bounded(2) == 0;
            p.setPen(QPen(dark ? QColor(0x5A, 0x34, 0x14, 90) : QColor(0xC8, 0x94, 0x5C, 70),
                          0.8 + random.bounded(1.4)));
            p.setBrush(Qt::NoBrush);
            p.drawPath(path);
        }
        p.fillRect(QRectF(x0, 0, 2, r.height()), QColor(0x3E, 0x22, 0x0C, 150));
    }
}

QImage skin(void (*paint)(QPainter&, const QRectF&)) {
    QImage image = opaqueCanvas(pic::kSkinDefault.width, pic::kSkinDefault.height);
    QPainter p(&image);
    prepare(p);
    const QRectF r(area(image));
    paint(p, r);
    verticalFill(p, QRectF(0, 0, r.width(), 130), QColor(0, 0, 0, 80), QColor(0, 0, 0, 0));
    return image;
}

}  // namespace

bool drawSkins(PictureWriter& writer) {
    using Paint = void (*)(QPainter&, const QRectF&);
    const Paint paints[] = {defaultSkin, jazzSkin,  starSkin, loveSkin,
                            birdSkin,    greenSkin, woodSkin};
    static_assert(std::size(paints) == pic::kSkinCount);
    for (std::size_t i = 0; i < pic::kSkinCount; ++i) {
        const auto& entry = pic::kSkins[i];
        const QImage full = skin(paints[i]);
        if (!writer.save(*entry.background, full))
            return false;
        if (entry.thumbnail != entry.background) {
            QImage thumb = full.scaled(entry.thumbnail->width * drawScale(),
                                       entry.thumbnail->height * drawScale(), Qt::IgnoreAspectRatio,
                                       Qt::SmoothTransformation);
            thumb.setDevicePixelRatio(drawScale());
            if (!writer.save(*entry.thumbnail, thumb))
                return false;
        }
    }
    return true;
}

}  // namespace nubexa::maker
