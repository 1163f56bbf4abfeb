#pragma once

#include <QImage>
#include <QScrollArea>

class QLabel;

namespace nubexa::pages {

// A picture fitted to the window, or at a chosen zoom with scroll bars. Ctrl with the wheel
// zooms. GUI thread only.
class PreviewPictureView : public QScrollArea {
    Q_OBJECT
public:
    static constexpr double kLeastZoom = 0.05;
    static constexpr double kMostZoom = 8.0;

    explicit PreviewPictureView(QWidget* parent = nullptr);

    // Shows `image` fitted to the window.
    void setImage(const QImage& image);
    const QImage& image() const { return m_image; }
    void zoomIn();
    void zoomOut();
    void zoomActual();  // 100 %: one picture pixel a point
    void fitToWindow();
    double zoom() const { return m_zoom; }
    bool fitted() const { return m_fit; }

signals:
    void zoomChanged(double zoom);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void setZoom(double zoom, bool fit);
    double fitZoom() const;
    void render();

    QLabel* m_label = nullptr;
    QImage m_image;
    double m_zoom = 1.0;
    bool m_fit = true;
};

}  // namespace nubexa::pages
