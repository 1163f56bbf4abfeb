#include "pages/delete_task_dialog.h"

#include "app/colour_scheme.h"

#include <QLabel>
#include <QPushButton>

namespace nubexa::pages {

namespace {

QPushButton* button(const QString& text, const QString& name, const QRect& where, QWidget* parent) {
    auto* made = new QPushButton(text, parent);
    made->setGeometry(where);
    made->setAccessibleName(text);
    made->setObjectName(name);
    made->setCursor(Qt::PointingHandCursor);
    return made;
}

}  // namespace

DeleteTaskDialog::DeleteTaskDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      m_confirm(button(tr("确定删除"), QStringLiteral("confirm"), kConfirm, this)),
      m_cancel(button(tr("取消"), QStringLiteral("cancel"), kCancel, this)) {
    setWindowTitle(tr("删除"));
    setAccessibleName(tr("删除"));
    setFixedSize(kSize);
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("deleteTask"));
    app::setSchemeStyleSheet(this, [](const app::SchemeColours& c) {
        return QStringLiteral(
                   "QDialog#deleteTask { background: %1; border: 1px solid %2; }"
                   "QLabel { color: %3; }"
                   "QPushButton { background: %4; color: %5; border: none; border-radius: 3px; }"
                   "QPushButton:hover { background: %6; }")
                   .arg(c.surface.name(), c.border.name(), c.mutedText.name(), c.danger.name(),
                        c.onAccent.name(), c.dangerHover.name()) +
               app::quietButtonRules(c, QStringLiteral("QPushButton#cancel"));
    });
    auto* title = new QLabel(tr("删除"), this);
    title->setGeometry(10, 6, 160, 20);
    title->setAccessibleName(tr("删除"));
    auto* hint = new QLabel(tr("任务将从列表中移除，\n本地和网盘中的文件保留。"), this);
    hint->setGeometry(10, 62, 160, 48);
    hint->setAccessibleName(tr("删除说明"));
    hint->setAlignment(Qt::AlignCenter);
    hint->setStyleSheet(QStringLiteral("font-size: 11px;"));
    m_cancel->setDefault(true);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_confirm, &QPushButton::clicked, this, [this] {
        emit confirmed();
        accept();
    });
}

}  // namespace nubexa::pages
