#include "app/draw_result_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/colour_scheme.h"

namespace nubexa::app {

DrawResultDlg::DrawResultDlg(const QString& message, const QString& buttonText, QWidget* owner)
    : QDialog(owner) {
    setWindowTitle(tr(kTitle));
    setAccessibleName(tr(kTitle));
    setFixedSize(draw_result_rects::kWindow);
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setSchemeStyleSheet(this, [](const SchemeColours& c) {
        return QStringLiteral(
                   "QDialog { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                   " stop:0 %1, stop:1 %2); }"
                   "QLabel { color: %3; font-size: 13px; }")
                   .arg(c.header.name(), c.surface.name(), c.link.name()) +
               accentButtonRules(c);
    });

    m_text = new QLabel(message, this);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setGeometry(draw_result_rects::kText);
    // Top-aligned: the button overlaps the lower part of the text's rectangle.
    m_text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_text->setWordWrap(true);
    m_text->setAccessibleName(message);

    m_button = new QPushButton(buttonText, this);
    m_button->setGeometry(draw_result_rects::kButton);
    m_button->setAccessibleName(buttonText);
    m_button->setDefault(true);
    m_button->setCursor(Qt::PointingHandCursor);
    connect(m_button, &QPushButton::clicked, this, &QDialog::accept);
}

QString DrawResultDlg::message() const {
    return m_text->text();
}

}  // namespace nubexa::app
