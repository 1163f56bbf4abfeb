#include "app/system_set_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

#include "app/colour_scheme.h"
#include "app/request_runner.h"
#include "platform/notifier.h"

namespace nubexa::app {

CSystemSetDlg::CSystemSetDlg(Context context, QWidget* owner)
    : QDialog(owner), m_context(std::move(context)) {
    setWindowTitle(tr(kTitle));
    setAccessibleName(tr(kTitle));
    setFixedSize(system_set_rects::kWindow);
    setModal(true);
    setSchemeStyleSheet(this, [](const SchemeColours& c) {
        return QStringLiteral(
                   "QDialog { background: %1; }"
                   "QLabel#heading { color: %2; background: qlineargradient(x1:0, y1:0, x2:1,"
                   " y2:0, stop:0 %3, stop:1 %4); font-size: 15px; padding-left: 16px; }"
                   "QLabel#section { color: %5; }"
                   "QCheckBox, QLabel#limit { color: %6; font-size: 12px; spacing: 6px; }")
                   .arg(c.surface.name(), c.onAccent.name(), c.accentHover.name(), c.accent.name(),
                        c.mutedText.name(), c.text.name()) +
               accentButtonRules(c) + quietButtonRules(c, QStringLiteral("QPushButton#cancel")) +
               choiceFocusRules(c);
    });

    auto* heading = new QLabel(tr("启动与登录"), this);
    heading->setObjectName(QStringLiteral("heading"));
    heading->setGeometry(0, 0, system_set_rects::kWindow.width(), 48);
    heading->setAccessibleName(heading->text());
    auto* section = new QLabel(tr("启动"), this);
    section->setObjectName(QStringLiteral("section"));
    section->setGeometry(40, system_set_rects::kAutoRun.y(), 70,
                         system_set_rects::kAutoRun.height());
    section->setAccessibleName(section->text());

    m_autoRun = addBox(tr("开机自动启动"), system_set_rects::kAutoRun);
    m_autoLogin = addBox(tr("启动自动登录"), system_set_rects::kAutoLogin);
    m_autoResume =
        addBox(tr("启动后自动开始未完成的任务(上传/下载)"), system_set_rects::kAutoResume);

    auto* limits = new QLabel(tr("限速"), this);
    limits->setObjectName(QStringLiteral("section"));
    limits->setGeometry(40, system_set_rects::kUploadLimit.y(), 70,
                        system_set_rects::kUploadLimit.height());
    limits->setAccessibleName(limits->text());
    m_uploadLimit = addLimit(tr("上传限速"), tr("上传"), system_set_rects::kUploadLimit);
    m_downloadLimit = addLimit(tr("下载限速"), tr("下载"), system_set_rects::kDownloadLimit);
    const SpeedLimits& storedLimits = m_context.stored.limits;
    m_uploadTransfers = addTransfers(tr("同时上传数"), system_set_rects::kUploadTransfers,
                                     storedLimits.uploadTransfers);
    m_downloadTransfers = addTransfers(tr("同时下载数"), system_set_rects::kDownloadTransfers,
                                       storedLimits.downloadTransfers);

    m_language = addLanguage(m_context.stored.language);

    m_save = new QPushButton(tr("保存"), this);
    m_save->setGeometry(system_set_rects::kSave);
    m_save->setAccessibleName(m_save->text());
    m_save->setDefault(true);
    m_save->setCursor(Qt::PointingHandCursor);
    m_cancel = new QPushButton(tr("取消"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_cancel->setGeometry(system_set_rects::kCancel);
    m_cancel->setAccessibleName(m_cancel->text());
    m_cancel->setCursor(Qt::PointingHandCursor);
    connect(m_save, &QPushButton::clicked, this, &CSystemSetDlg::save);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    // The size given is the least: a language with longer words widens the dialog so that no
    // option is cut at its edge.
    int right = 0;
    for (const QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != heading)
            right = std::max(right, child->geometry().right());
    }
    if (right >= width()) {
        setFixedSize(right + 20, height());
        heading->setGeometry(0, 0, width(), heading->height());
    }

    const SystemSettings& stored = m_context.stored;
    m_autoRun->setChecked(stored.autoRun);
    m_autoLogin->setChecked(stored.autoLogin);
    m_autoResume->setChecked(stored.autoResume);
    m_uploadLimit->setValue(
        static_cast<int>(std::min<std::int64_t>(stored.limits.uploadKBps, kLargestLimit)));
    m_downloadLimit->setValue(
        static_cast<int>(std::min<std::int64_t>(stored.limits.downloadKBps, kLargestLimit)));
}

QCheckBox* CSystemSetDlg::addBox(const QString& text, const QRect& where) {
    auto* box = new QCheckBox(text, this);
    box->setAccessibleName(text);
    // The given width is a minimum: a longer text is shown whole rather than cut.
    box->setGeometry(where.x(), where.y(), std::max(where.width(), box->sizeHint().width()),
                     where.height());
    return box;
}

QSpinBox* CSystemSetDlg::addLimit(const QString& name, const QString& label, const QRect& where) {
    auto* caption = new QLabel(label, this);
    caption->setObjectName(QStringLiteral("limit"));
    // Right next to its box; a longer word reaches further left, into the gap after the section.
    const int width =
        std::max(where.x() - system_set_rects::kAutoRun.x(), caption->sizeHint().width());
    caption->setGeometry(where.x() - width, where.y(), width, where.height());
    auto* box = new QSpinBox(this);
    box->setAccessibleName(name);
    box->setRange(0, kLargestLimit);
    box->setSingleStep(100);
    box->setSuffix(QStringLiteral(" KB/s"));
    box->setSpecialValueText(tr("不限速"));
    box->setGeometry(where);
    caption->setBuddy(box);
    return box;
}

QSpinBox* CSystemSetDlg::addTransfers(const QString& name, const QRect& where, int stored) {
    auto* box = new QSpinBox(this);
    box->setAccessibleName(name);
    box->setToolTip(name);
    box->setRange(kFewestTransfers, kMostTransfers);
    box->setPrefix(tr("同时 "));
    box->setValue(stored > 0 ? stored : kDefaultTransfers);
    box->setGeometry(where);
    return box;
}

QComboBox* CSystemSetDlg::addLanguage(UiLanguage stored) {
    auto* section = new QLabel(tr("语言"), this);
    section->setObjectName(QStringLiteral("section"));
    section->setGeometry(40, system_set_rects::kLanguage.y(), system_set_rects::kLanguage.x() - 44,
                         system_set_rects::kLanguage.height());
    auto* box = new QComboBox(this);
    box->setAccessibleName(tr("界面语言"));
    box->addItem(tr("跟随系统"), static_cast<int>(UiLanguage::kSystem));
    box->addItem(tr("中文"), static_cast<int>(UiLanguage::kChinese));
    // Each language names itself, so that a user who cannot read the other finds it.
    box->addItem(QStringLiteral("English"), static_cast<int>(UiLanguage::kEnglish));
    box->setCurrentIndex(std::max(0, box->findData(static_cast<int>(stored))));
    box->setGeometry(system_set_rects::kLanguage);
    section->setBuddy(box);
    auto* note = new QLabel(tr("下次启动时生效"), this);
    note->setObjectName(QStringLiteral("limit"));
    note->setGeometry(system_set_rects::kLanguageNote);
    note->setWordWrap(true);
    return box;
}

SystemSettings CSystemSetDlg::chosen() const {
    SystemSettings chosen;
    chosen.autoRun = m_autoRun->isChecked();
    chosen.autoLogin = m_autoLogin->isChecked();
    chosen.autoResume = m_autoResume->isChecked();
    chosen.limits = SpeedLimits{m_uploadLimit->value(), m_downloadLimit->value(),
                                m_uploadTransfers->value(), m_downloadTransfers->value()};
    chosen.language = static_cast<UiLanguage>(m_language->currentData().toInt());
    return chosen;
}

std::string CSystemSetDlg::problemText(const SettingsSaved& outcome) {
    switch (outcome.problem) {
        case SettingsSaved::Problem::kAutostartNotChanged: {
            const char* failed = outcome.autoRunWanted
                                     ? QT_TRANSLATE_NOOP("Messages", "无法设置开机自动启动：")
                                     : QT_TRANSLATE_NOOP("Messages", "无法取消开机自动启动：");
            return QCoreApplication::translate("Messages", failed).toStdString() +
                   outcome.autostartError;
        }
        case SettingsSaved::Problem::kNotStored:
            return QT_TRANSLATE_NOOP("Messages", "设置未能保存，请检查 bin.db 是否可写。");
        case SettingsSaved::Problem::kNone:
            break;
    }
    return {};
}

void CSystemSetDlg::save() {
    // One save at a time; the dialog stays until its choices are stored.
    if (m_saving)
        return;
    m_saving = true;
    m_save->setEnabled(false);
    m_cancel->setEnabled(false);
    const SystemSettings choice = chosen();
    m_context.requests.run<SettingsSaved>(
        this, [store = m_context.save, choice] { return store(choice); },
        [this, choice](const SettingsSaved& outcome) {
            emit saved(choice);
            // Closed first: the message then belongs to the window below (see ItemDialog).
            accept();
            if (!outcome.ok())
                m_context.notifier.showMessage(QT_TRANSLATE_NOOP("Messages", "提示"),
                                               problemText(outcome));
        });
}

}  // namespace nubexa::app
