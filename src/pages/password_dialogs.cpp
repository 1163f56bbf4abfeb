#include "pages/password_dialogs.h"

#include <QLabel>
#include <QLineEdit>

#include "pages/dialog_checks.h"

namespace nubexa::pages {

namespace {

constexpr QSize kPromptSize{380, 200};
constexpr QSize kEncryptSize{380, 240};
constexpr int kLabelX = 20;
constexpr int kFieldX = 120;
constexpr int kFieldWidth = 220;
constexpr int kFieldRowHeight = 28;

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

PasswordPromptDialog::PasswordPromptDialog(DialogContext context, DiskSelection item,
                                           QWidget* parent)
    : ItemDialog(std::move(context), std::move(item), tr("加密"), kPromptSize, parent) {
    addLabel(tr("文件夹名称："), {kLabelX, 20, 100, kFieldRowHeight});
    addLabel(fromStd(m_item.name + m_item.ext), {kFieldX, 20, kFieldWidth, kFieldRowHeight});
    addLabel(tr("密码："), {kLabelX, 56, 100, kFieldRowHeight});
    m_password = addEdit(tr("密码"), {kFieldX, 56, kFieldWidth, kFieldRowHeight});
    m_password->setEchoMode(QLineEdit::Password);
    addLabel(tr("密码提示："), {kLabelX, 92, 100, kFieldRowHeight});
    addLabel(fromStd(m_item.pwdtip), {kFieldX, 92, kFieldWidth, kFieldRowHeight});
    addOkCancel([this] { confirm(); });
}

void PasswordPromptDialog::confirm() {
    if (const Refusal refusal = checkPrompt(fieldText(m_password), m_item.pwd)) {
        say(*refusal);
        m_password->selectAll();
        return;
    }
    accept();
    emit unlocked();
}

EncryptDialog::EncryptDialog(DialogContext context, DiskSelection item, Mode mode, QWidget* parent)
    : ItemDialog(std::move(context), std::move(item), tr("加密"),
                 mode == Mode::kEncrypt ? kEncryptSize : kPromptSize, parent),
      m_mode(mode) {
    addLabel(tr("文件夹名称："), {kLabelX, 20, 100, kFieldRowHeight});
    addLabel(fromStd(m_item.name + m_item.ext), {kFieldX, 20, kFieldWidth, kFieldRowHeight});
    addLabel(tr("密码："), {kLabelX, 56, 100, kFieldRowHeight});
    m_password = addEdit(tr("密码"), {kFieldX, 56, kFieldWidth, kFieldRowHeight});
    m_password->setEchoMode(QLineEdit::Password);
    if (mode == Mode::kEncrypt) {
        addLabel(tr("重复密码："), {kLabelX, 92, 100, kFieldRowHeight});
        m_repeated = addEdit(tr("重复密码"), {kFieldX, 92, kFieldWidth, kFieldRowHeight});
        m_repeated->setEchoMode(QLineEdit::Password);
        addLabel(tr("密码提示："), {kLabelX, 128, 100, kFieldRowHeight});
        m_tip = addEdit(tr("密码提示"), {kFieldX, 128, kFieldWidth, kFieldRowHeight});
    } else {
        addLabel(tr("密码提示："), {kLabelX, 92, 100, kFieldRowHeight});
        addLabel(fromStd(m_item.pwdtip), {kFieldX, 92, kFieldWidth, kFieldRowHeight});
    }
    addOkCancel([this] { confirm(); });
}

void EncryptDialog::confirm() {
    const std::string password = fieldText(m_password);
    const bool encrypt = m_mode == Mode::kEncrypt;
    const Refusal refusal =
        encrypt ? checkEncrypt(password, fieldText(m_repeated)) : checkDecrypt(password);
    if (refusal) {
        say(*refusal);
        return;
    }
    const std::string tip = encrypt ? fieldText(m_tip) : std::string();
    const DiskOperations& disk = m_context.disk;
    runRequest<ServiceVerdict>(
        [&disk, item = itemRef(), encrypt, password, tip] {
            return encrypt ? disk.encrypt(item, password, tip) : disk.decrypt(item, password);
        },
        [this, encrypt](const ServiceVerdict& verdict) {
            if (verdict.accepted())
                succeed(encrypt ? QT_TRANSLATE_NOOP("Messages", "加密成功")
                                : QT_TRANSLATE_NOOP("Messages", "解密成功"));
            else
                say(failureText(verdict, encrypt ? QT_TRANSLATE_NOOP("Messages", "加密失败")
                                                 : QT_TRANSLATE_NOOP("Messages", "解密失败")));
        });
}

}  // namespace nubexa::pages
