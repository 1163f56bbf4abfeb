#pragma once

#include "pages/item_dialog.h"

class QRadioButton;
class QWidget;

namespace nubexa::pages {

// Enables (or edits, with `filled`) a file's direct link: the custom part after the service's
// prefix and an optional white list of domains. The page checks the direct-link service first.
class DirectLinkDialog : public ItemDialog {
    Q_OBJECT
public:
    DirectLinkDialog(DialogContext context, DiskSelection item, bool filled, QWidget* parent);
    bool settingsLoaded() const { return m_loaded; }

private:
    using Settings = DiskOperations::DirectLinkInfo;
    void applySettings(const ServiceResult<Settings>& settings);
    void confirm();

    bool m_filled;
    bool m_loaded = false;
    QLineEdit* m_custom;
    QRadioButton* m_whitelist;
    QWidget* m_domainPane;
    QLineEdit* m_domains;
};

// Shows a file's direct link.
class ViewLinkDialog : public ItemDialog {
    Q_OBJECT
public:
    ViewLinkDialog(DialogContext context, DiskSelection item, QWidget* parent);
    QString link() const;

private:
    QLineEdit* m_link;
};

}  // namespace nubexa::pages
