#include "app/system_set_dlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "platform/notifier.h"

namespace nubexa::app {

namespace rects = system_set_rects;

CSystemSetDlg::CSystemSetDlg(Context context, QWidget* owner)
    : QDialog(owner), m_context(std::move(context)) {
    setWindowTitle(kTitle);
    setAccessibleName(kTitle);
    setFixedSize(rects::kWindow);
    setModal(true);
    setStyleSheet(QStringLiteral(
        "QDialog { background: #f7f9fc; }"
        "QLabel#heading { color: white; background: qlineargradient(x1:0, y1:0, x2:1, y2:0,"
        " stop:0 #2f7fd4, stop:1 #5aa3ec); font-size: 15px; padding-left: 16px; }"
        "QLabel#section { color: #5a6b80; }"
        "QCheckBox { color: #333; font-size: 12px; spacing: 6px; }"
        "QPushButton { background: #3d8fe0; color: white; border: none; border-radius: 3px; }"
        "QPushButton:hover { background: #5aa3ec; }"
        "QPushButton#cancel { background: #e4e9f0; color: #333; }"
        "QPushButton#cancel:hover { background: #d5dce6; }"));

    auto* heading = new QLabel(QStringLiteral("启动与登录"), this);
    heading->setObjectName(QStringLiteral("heading"));
    heading->setGeometry(0, 0, rects::kWindow.width(), 48);
    heading->setAccessibleName(heading->text());
    auto* section = new QLabel(QStringLiteral("启动"), this);
    section->setObjectName(QStringLiteral("section"));
    section->setGeometry(40, rects::kAutoRun.y(), 70, rects::kAutoRun.height());
    section->setAccessibleName(section->text());

    m_autoRun = addBox(QStringLiteral("开机自动启动"), rects::kAutoRun);
    m_autoLogin = addBox(QStringLiteral("启动自动登录"), rects::kAutoLogin);
    m_autoResume =
        addBox(QStringLiteral("启动后自动开始未完成的任务(上传/下载)"), rects::kAutoResume);

    m_save = new QPushButton(QStringLiteral("保存"), this);
    m_save->setGeometry(rects::kSave);
    m_save->setAccessibleName(m_save->text());
    m_save->setDefault(true);
    m_save->setCursor(Qt::PointingHandCursor);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_cancel->setGeometry(rects::kCancel);
    m_cancel->setAccessibleName(m_cancel->text());
    m_cancel->setCursor(Qt::PointingHandCursor);
    connect(m_save, &QPushButton::clicked, this, &CSystemSetDlg::save);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    const SystemSettings stored = loadSystemSettings(m_context.gate, m_context.uid);
    m_autoRun->setChecked(stored.autoRun);
    m_autoLogin->setChecked(stored.autoLogin);
    m_autoResume->setChecked(stored.autoResume);
}

QCheckBox* CSystemSetDlg::addBox(const QString& text, const QRect& where) {
    auto* box = new QCheckBox(text, this);
    box->setAccessibleName(text);
    // The given width is a minimum: a longer text is shown whole rather than cut.
    box->setGeometry(where.x(), where.y(), std::max(where.width(), box->sizeHint().width()),
                     where.height());
    return box;
}

void CSystemSetDlg::save() {
    const SystemSettings chosen{m_autoRun->isChecked(), m_autoLogin->isChecked(),
                                m_autoResume->isChecked()};
    const std::string problem = saveSystemSettings(m_context.gate, m_context.autostart,
                                                   m_context.uid, m_context.program, chosen);
    if (!problem.empty())
        m_context.notifier.showMessage("提示", problem);
    accept();
}

}  // namespace nubexa::app
