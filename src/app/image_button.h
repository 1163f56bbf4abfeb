#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>

#include "picture_catalog.h"

namespace nubexa::app {

class PictureCache;

// A button drawn from pictures: one face per state (normal, hover, pressed, and checked for
// the toolbar's radio buttons), each a rectangle of a picture, drawn stretched over the
// button. Optionally an icon above a text (toolbar) or a text alone (text links).
class ImageButton : public QAbstractButton {
    Q_OBJECT
public:
    struct Face {
        QString picture;  // below image/; empty: nothing drawn
        QRect source;     // empty: the whole picture

        static Face whole(const pictures::Picture& picture);
        static Face part(const pictures::Picture& picture, const pictures::Rect& source);
    };

    ImageButton(PictureCache& pictures, const QString& accessibleName, QWidget* parent);

    // One picture (or one rectangle of it) for every state.
    void setPicture(const pictures::Picture& picture);
    void setPicture(const pictures::Picture& picture, const pictures::Rect& source);
    // A sheet of states side by side: normal, hover, pressed.
    void setSheet(const pictures::Picture& sheet);
    void setFaces(const Face& normal, const Face& hover, const Face& pressed,
                  const Face& checked = {});

    void setIconPicture(const pictures::Picture& picture);
    void setTextColor(const QColor& color) { m_textColor = color; }
    void setTextOffset(QPoint offset) { m_textOffset = offset; }
    void setHandCursor();

    // The face the button would draw now; for tests.
    Face currentFace() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    PictureCache& m_pictures;
    Face m_normal, m_hover, m_pressed, m_checked;
    QString m_icon;
    QColor m_textColor = Qt::white;
    QPoint m_textOffset;
    bool m_hovered = false;
};

}  // namespace nubexa::app
