#pragma once

#include "pages/item_dialog.h"

class QButtonGroup;
class QComboBox;
class QRadioButton;
class QTextEdit;
class QWidget;

namespace nubexa::pages {

// Shares a folder or a file by link (optionally with a password and points) or by e-mail.
// With `keepSettings` the link fields start from the item's current share.
class ShareDialog : public ItemDialog {
    Q_OBJECT
public:
    enum class Tab { kLink, kEmail };
    ShareDialog(DialogContext context, DiskSelection item, bool keepSettings, QWidget* parent);

    void showTab(Tab tab);
    Tab tab() const { return m_tab; }
    bool infoLoaded() const { return m_infoLoaded; }

signals:
    // Shared by link: the page shows the address and the extraction code next.
    void sharedByLink();

private:
    void applyInfo(const ServiceResult<std::string>& notice);
    void setAdvanced(bool advanced);
    void confirm();

    bool m_keepSettings;
    Tab m_tab = Tab::kLink;
    bool m_infoLoaded = false;
    QWidget* m_linkPane;
    QWidget* m_advanced;
    QWidget* m_emailPane;
    QRadioButton* m_plain;
    QRadioButton* m_advancedChoice;
    QLineEdit* m_password;
    QComboBox* m_points;
    QTextEdit* m_addresses;
};

// Edit a share: whether to keep it as it is; "下一步" opens the share dialog with the current
// settings (the page does that on nextRequested()).
class ShareEditDialog : public ItemDialog {
    Q_OBJECT
public:
    ShareEditDialog(DialogContext context, DiskSelection item, QWidget* parent);

signals:
    void nextRequested();
};

// The share address and its extraction code, with a button that copies both.
class ShareAddressDialog : public ItemDialog {
    Q_OBJECT
public:
    ShareAddressDialog(DialogContext context, DiskSelection item, QWidget* parent);
    QString address() const;
    QString code() const;
    bool loaded() const { return m_loaded; }
    // What "复制链接" puts on the clipboard: the address, and the code when there is one.
    static QString copiedText(const QString& address, const QString& code);

private:
    QLineEdit* m_address;
    QLineEdit* m_code;
    bool m_loaded = false;
};

}  // namespace nubexa::pages
