#include "app/painted_backdrop.h"

#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

namespace nubexa::app {

void PaintedBackdrop::draw(QPainter& painter, const QWidget& widget, const QPaintEvent& event,
                           std::vector<qint64> pictures, const Paint& paint) {
    const QSize size = widget.size();
    const qreal ratio = widget.devicePixelRatioF();
    if (m_painted.isNull() || size != m_size || ratio != m_ratio || pictures != m_pictures) {
        m_painted = QPixmap((QSizeF(size) * ratio).toSize());
        m_painted.setDevicePixelRatio(ratio);
        m_painted.fill(Qt::transparent);
        QPainter offscreen(&m_painted);
        paint(offscreen, QRect(QPoint(), size));
        m_size = size;
        m_ratio = ratio;
        m_pictures = std::move(pictures);
    }
    painter.save();
    painter.setClipRegion(event.region());
    painter.drawPixmap(QPoint(), m_painted);
    painter.restore();
}

}  // namespace nubexa::app
