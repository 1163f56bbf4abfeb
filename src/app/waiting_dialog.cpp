#include "app/waiting_dialog.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include "app/colour_scheme.h"
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
    setSchemeStyleSheet(title, [](const SchemeColours& c) {
        return QStringLiteral("color: %1; font-weight: bold;").arg(c.text.name());
    });
    QFont font = title->font();
    font.setPixelSize(12);
    title->setFont(font);

    auto* loading = new QLabel(this);
    loading->setGeometry(kLoading);
    showPicture(loading, cache, QString::fromLatin1(pictures::kLoading.path));
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
    painter.fillPath(outline, activeColours().surface);
    painter.setPen(activeColours().border);
    painter.drawPath(outline);
}

}  // namespace nubexa::app
