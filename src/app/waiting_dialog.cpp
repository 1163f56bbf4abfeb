#include "app/waiting_dialog.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include "app/image_button.h"
#include "app/picture_cache.h"
#include "picture_catalog.h"

namespace nubexa::app {

WaitingDialog::WaitingDialog(PictureCache& cache, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setWindowTitle(tr(kTitle));
    setAccessibleName(tr(kTitle));
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(280, 120);

    // Frameless, so the window system shows no title: the window says it itself, above the
    // waiting picture.
    auto* title = new QLabel(tr(kTitle), this);
    title->setObjectName(QStringLiteral("title"));
    title->setGeometry(kTitleRect);
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(QStringLiteral("color: #1f2937; font-weight: bold;"));
    QFont font = title->font();
    font.setPixelSize(12);
    title->setFont(font);

    auto* loading = new QLabel(this);
    loading->setGeometry(kLoading);
    loading->setPixmap(cache.picture(QString::fromLatin1(pictures::kLoading.path)));
    loading->setScaledContents(true);
    loading->setAccessibleName(tr(kTitle));

    m_cancel = new ImageButton(cache, tr("取消"), this);
    m_cancel->setGeometry(kCancel);
    m_cancel->setPicture(pictures::kDialogSheet, pictures::kDialogCancel);
    m_cancel->setHandCursor();
    connect(m_cancel, &QAbstractButton::clicked, this, &WaitingDialog::cancelClicked);

    if (owner) {
        const QPoint centre = owner->geometry().center();
        move(centre - QPoint(width() / 2, height() / 2));
    }
}

void WaitingDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    painter.fillPath(outline, QColor(0xf7, 0xf9, 0xfc));
    painter.setPen(QColor(0xc9, 0xd4, 0xe1));
    painter.drawPath(outline);
}

}  // namespace nubexa::app
