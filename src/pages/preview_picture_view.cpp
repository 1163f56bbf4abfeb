#include "pages/preview_picture_view.h"

#include <QLabel>
#include <QPixmap>
#include <QWheelEvent>
#include <algorithm>

namespace nubexa::pages {

namespace {

constexpr double kZoomStep = 1.25;
// A zoomed picture is drawn whole; beyond this many device pixels a side it is not enlarged.
constexpr int kMostDrawnSide = 16384;

}  // namespace

PreviewPictureView::PreviewPictureView(QWidget* parent) : QScrollArea(parent) {
    m_label = new QLabel(this);
    m_label->setAlignment(Qt::AlignCenter);
    setWidget(m_label);
    setWidgetResizable(true);
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
}

void PreviewPictureView::setImage(const QImage& image) {
    m_image = image;
    setZoom(fitZoom(), true);
}

void PreviewPictureView::zoomIn() {
    setZoom(m_zoom * kZoomStep, false);
}

void PreviewPictureView::zoomOut() {
    setZoom(m_zoom / kZoomStep, false);
}

void PreviewPictureView::zoomActual() {
    setZoom(1.0, false);
}

void PreviewPictureView::fitToWindow() {
    setZoom(fitZoom(), true);
}

double PreviewPictureView::fitZoom() const {
    if (m_image.isNull())
        return 1.0;
    const QSize room = viewport()->size();
    // Small pictures stay at their own size; large ones shrink to the window.
    return std::min(
        {1.0, double(room.width()) / m_image.width(), double(room.height()) / m_image.height()});
}

void PreviewPictureView::setZoom(double zoom, bool fit) {
    m_fit = fit;
    const double clamped = std::clamp(zoom, kLeastZoom, kMostZoom);
    const bool changed = clamped != m_zoom;
    m_zoom = clamped;
    render();
    if (changed)
        emit zoomChanged(m_zoom);
}

void PreviewPictureView::render() {
    if (m_image.isNull()) {
        m_label->clear();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    QSize drawn = (QSizeF(m_image.size()) * m_zoom * ratio).toSize().expandedTo({1, 1});
    if (drawn.width() > kMostDrawnSide || drawn.height() > kMostDrawnSide)
        drawn = drawn.scaled(kMostDrawnSide, kMostDrawnSide, Qt::KeepAspectRatio);
    QPixmap pixmap =
        QPixmap::fromImage(drawn == m_image.size() ? m_image
                                                   : m_image.scaled(drawn, Qt::KeepAspectRatio,
                                                                    Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    m_label->setPixmap(pixmap);
}

void PreviewPictureView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    if (m_fit)
        setZoom(fitZoom(), true);
}

void PreviewPictureView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QScrollArea::wheelEvent(event);
        return;
    }
    const int steps = event->angleDelta().y();
    if (steps > 0)
        zoomIn();
    else if (steps < 0)
        zoomOut();
    event->accept();
}

}  // namespace nubexa::pages
