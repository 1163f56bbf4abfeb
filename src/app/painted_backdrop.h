#pragma once

#include <QPixmap>
#include <QSize>
#include <functional>
#include <vector>

class QPainter;
class QPaintEvent;
class QWidget;

namespace nubexa::app {

// A widget's backdrop (its stretched pictures) kept painted at the widget's size: a window
// paints its backdrop again under every child that changes, a progress bar or a thumbnail, and
// scaling the pictures each time took most of a frame. Painted again only when the size, the
// pixel ratio or one of the pictures changed (another skin, the other colour scheme).
class PaintedBackdrop {
public:
    using Paint = std::function<void(QPainter& painter, const QRect& area)>;

    // Draws the part `event` repaints; `pictures` are the cache keys of what `paint` draws.
    void draw(QPainter& painter, const QWidget& widget, const QPaintEvent& event,
              std::vector<qint64> pictures, const Paint& paint);

private:
    QPixmap m_painted;
    QSize m_size;
    qreal m_ratio = 0;
    std::vector<qint64> m_pictures;
};

}  // namespace nubexa::app
