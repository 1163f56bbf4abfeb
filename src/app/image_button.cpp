#include "app/image_button.h"

#include <QKeyEvent>
#include <QPainter>

#include "app/colour_scheme.h"
#include "app/picture_cache.h"

namespace nubexa::app {

ImageButton::ImageButton(PictureCache& pictures, const QString& accessibleName, QWidget* parent)
    : QAbstractButton(parent), m_pictures(pictures) {
    setAccessibleName(accessibleName);
    // Reached with Tab (not by a click, which would leave a ring on a picture button).
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    // Its pictures may have twins for the other scheme.
    followColourScheme(this, [this](const SchemeColours&) { update(); });
}

ImageButton::Face ImageButton::Face::whole(const pictures::Picture& picture) {
    return Face{QString::fromLatin1(picture.path), QRect()};
}

ImageButton::Face ImageButton::Face::part(const pictures::Picture& picture,
                                          const pictures::Rect& source) {
    return Face{QString::fromLatin1(picture.path),
                QRect(source.x, source.y, source.width, source.height)};
}

void ImageButton::setPicture(const pictures::Picture& picture) {
    const Face face = Face::whole(picture);
    setFaces(face, face, face);
}

void ImageButton::setPicture(const pictures::Picture& picture, const pictures::Rect& source) {
    const Face face = Face::part(picture, source);
    setFaces(face, face, face);
}

void ImageButton::setSheet(const pictures::Picture& sheet) {
    auto at = [&](int state) { return Face::part(sheet, pictures::stateRect(sheet, state)); };
    setFaces(at(0), at(1), at(2));
}

void ImageButton::setFaces(const Face& normal, const Face& hover, const Face& pressed,
                           const Face& checked) {
    m_normal = normal;
    m_hover = hover;
    m_pressed = pressed;
    m_checked = checked;
    update();
}

void ImageButton::setIconPicture(const pictures::Picture& picture) {
    m_icon = QString::fromLatin1(picture.path);
    update();
}

void ImageButton::setHandCursor() {
    setCursor(Qt::PointingHandCursor);
}

ImageButton::Face ImageButton::currentFace() const {
    if (isDown())
        return m_pressed;
    if (isChecked() && !m_checked.picture.isEmpty())
        return m_checked;
    if (m_hovered)
        return m_hover;
    return m_normal;
}

void ImageButton::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void ImageButton::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!isEnabled())
        painter.setOpacity(0.55);
    const Face face = currentFace();
    if (!face.picture.isEmpty()) {
        const QPixmap pixmap = face.source.isEmpty() ? m_pictures.picture(face.picture)
                                                     : m_pictures.part(face.picture, face.source);
        if (!pixmap.isNull())
            painter.drawPixmap(rect(), pixmap);
    }
    QRect textArea = rect().translated(m_textOffset);
    if (!m_icon.isEmpty()) {
        const QPixmap icon = m_pictures.picture(m_icon);
        if (!icon.isNull()) {
            const QSize size = icon.size().scaled(width() - 16, height() - 26, Qt::KeepAspectRatio);
            const QRect iconRect(QPoint((width() - size.width()) / 2, 6), size);
            painter.drawPixmap(iconRect, icon);
            textArea.setTop(iconRect.bottom() + 2);
        }
    }
    if (!text().isEmpty()) {
        painter.setPen(m_textColor);
        painter.setFont(font());
        const int align = m_icon.isEmpty() ? Qt::AlignCenter : (Qt::AlignHCenter | Qt::AlignBottom);
        painter.drawText(textArea.adjusted(0, 0, 0, m_icon.isEmpty() ? 0 : -4), align, text());
    }
    if (hasFocus()) {
        // The pictures have no focus face: a ring in the highlight colour, with a light edge so it
        // shows on a dark skin as on a white page.
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(255, 255, 255, 200), 3));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 4, 4);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 4, 4);
    }
}

void ImageButton::keyPressEvent(QKeyEvent* event) {
    // Enter presses a focused button, as Space does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && isEnabled()) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

}  // namespace nubexa::app
