#include "app/frameless_window.h"

#include <qdrawutil.h>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

#include "app/picture_cache.h"

namespace nubexa::app {

FramelessWindow::FramelessWindow(PictureCache& pictures, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags | Qt::FramelessWindowHint), m_pictures(pictures) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void FramelessWindow::setBackground(const QString& picture) {
    m_background = picture;
    update();
    backgroundChanged();
}

void FramelessWindow::setFrame(const pictures::Picture& picture, const pictures::NinePatch& edges) {
    m_frame = QString::fromLatin1(picture.path);
    m_frameEdges = QMargins(edges.left, edges.top, edges.right, edges.bottom);
    update();
}

void FramelessWindow::paintEvent(QPaintEvent* event) {
    const QPixmap background =
        m_background.isEmpty() ? QPixmap() : m_pictures.picture(m_background);
    const QPixmap frame = m_frame.isEmpty() ? QPixmap() : m_pictures.picture(m_frame);
    QPainter painter(this);
    m_backdrop.draw(painter, *this, *event, {background.cacheKey(), frame.cacheKey()},
                    [&](QPainter& offscreen, const QRect& area) {
                        paintBackdrop(offscreen, area, background, frame);
                    });
}

void FramelessWindow::paintBackdrop(QPainter& painter, const QRect& area, const QPixmap& background,
                                    const QPixmap& frame) const {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(area), kCornerRadius, kCornerRadius);
    painter.setClipPath(outline);

    // A calm base colour shows while pictures load or when one is missing.
    painter.fillPath(outline, QColor(0x1f, 0x6f, 0xc5));
    if (!background.isNull())
        painter.drawPixmap(area, background);
    if (frame.isNull())
        return;
    const bool fits = m_frameEdges.left() + m_frameEdges.right() < frame.width() &&
                      m_frameEdges.top() + m_frameEdges.bottom() < frame.height();
    if (!fits) {
        painter.drawPixmap(area, frame);
        return;
    }
    qDrawBorderPixmap(&painter, area, m_frameEdges, frame);
}

void FramelessWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        // The window manager moves the window where it can: the only way under Wayland, where a
        // window cannot place itself, and a move it snaps and constrains under X11.
        if (windowHandle() && windowHandle()->startSystemMove()) {
            event->accept();
            return;
        }
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void FramelessWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void FramelessWindow::mouseReleaseEvent(QMouseEvent* event) {
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

}  // namespace nubexa::app
