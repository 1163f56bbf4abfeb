#pragma once

#include "pages/item_dialog.h"

namespace nubexa::pages {

// The prompt before opening or acting on a protected item: the entered password must equal the
// item's password as the listing gave it. No request.
class PasswordPromptDialog : public ItemDialog {
    Q_OBJECT
public:
    PasswordPromptDialog(DialogContext context, DiskSelection item, QWidget* parent);
    QLineEdit* passwordEdit() const { return m_password; }

signals:
    // The password was right; the dialog has closed.
    void unlocked();

private:
    void confirm();
    QLineEdit* m_password;
};

// Encrypt (password twice and a tip) or decrypt (the password) a folder or a file.
class EncryptDialog : public ItemDialog {
    Q_OBJECT
public:
    enum class Mode { kEncrypt, kDecrypt };
    EncryptDialog(DialogContext context, DiskSelection item, Mode mode, QWidget* parent);

private:
    void confirm();
    Mode m_mode;
    QLineEdit* m_password;
    QLineEdit* m_repeated = nullptr;
    QLineEdit* m_tip = nullptr;
};

}  // namespace nubexa::pages
