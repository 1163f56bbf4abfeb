#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include "app/painted_backdrop.h"
#include "picture_catalog.h"

namespace nubexa::app {

class PictureCache;

// A window without the system's frame: a stretched background picture, a frame picture whose
// edges keep their size while its middle stretches, rounded corners, and dragging by any point
// that no control takes.
class FramelessWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCornerRadius = 9;

    FramelessWindow(PictureCache& pictures, QWidget* parent = nullptr,
                    Qt::WindowFlags flags = Qt::Window);

    // Drawn stretched over the whole window; the skin chooser replaces it.
    void setBackground(const QString& picture);
    const QString& background() const { return m_background; }
    // Drawn over the background; its edges keep their size, its middle stretches.
    void setFrame(const pictures::Picture& picture, const pictures::NinePatch& edges);

    PictureCache& pictureCache() const { return m_pictures; }

protected:
    // After setBackground, for what depends on the picture.
    virtual void backgroundChanged() {}
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void paintBackdrop(QPainter& painter, const QRect& area, const QPixmap& background,
                       const QPixmap& frame) const;

    PictureCache& m_pictures;
    PaintedBackdrop m_backdrop;
    QString m_background;
    QString m_frame;
    QMargins m_frameEdges;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

}  // namespace nubexa::app
