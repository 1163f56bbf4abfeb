#include "app/notice_link.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace nubexa::app {

NoticeLink::NoticeLink(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);  // a notice's title is the service's text, never markup
    setAccessibleName(tr("公告"));
    setAccessibleDescription(text);
    setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    resize(sizeHint().width(), kHeight);
}

void NoticeLink::setNotice(const QString& text) {
    setText(text);
    setAccessibleDescription(text);
    resize(sizeHint().width(), kHeight);
}

void NoticeLink::enterEvent(QEnterEvent* event) {
    setUnderline(true);
    QLabel::enterEvent(event);
}

void NoticeLink::leaveEvent(QEvent* event) {
    setUnderline(false);
    QLabel::leaveEvent(event);
}

void NoticeLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void NoticeLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

void NoticeLink::setUnderline(bool on) {
    QFont underlined = font();
    underlined.setUnderline(on);
    setFont(underlined);
}

}  // namespace nubexa::app
