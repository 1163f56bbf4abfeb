#include "pages/delete_task_dialog.h"

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
    setStyleSheet(QStringLiteral(
        "QDialog#deleteTask { background: #f7f9fc; border: 1px solid #b8c7dc; }"
        "QLabel { color: #456; }"
        "QPushButton { background: #e05a4f; color: white; border: none; border-radius: 3px; }"
        "QPushButton:hover { background: #ea766c; }"
        "QPushButton#cancel { background: #e4e9f0; color: #333; }"
        "QPushButton#cancel:hover { background: #d5dde8; }"));
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
