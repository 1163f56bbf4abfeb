#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/browser.h"
#include "platform/notifier.h"
#include "platform/picker.h"

namespace nubexa::app {

class GuiBridge;

// Message boxes. Called on the GUI thread, the box is shown at once and the caller waits for
// OK, as the windows expect; called on any other thread, the box is shown later on the GUI
// thread and the caller goes on. A box belongs to the dialog the user is in (else to the
// owner window): it opens over it, with no taskbar button of its own, and outlives a dialog
// that closes right after its message.
class QtNotifier : public Notifier {
public:
    // The catalog's context of the texts given to showMessage.
    static constexpr const char* kMessages = "Messages";

    explicit QtNotifier(GuiBridge& bridge) : m_bridge(bridge) {}

    // GUI thread: the window that owns boxes when no dialog is open.
    void setOwner(QWidget* owner) { m_owner = owner; }

    void showMessage(const std::string& caption, const std::string& text) override;

private:
    void showBox(const QString& caption, const QString& text);

    GuiBridge& m_bridge;
    QPointer<QWidget> m_owner;  // GUI thread only
};

// The file and folder choosers, owned by the window that is open.
class QtPicker : public Picker {
public:
    void setOwner(QWidget* owner) { m_owner = owner; }

    std::optional<std::string> pickFile(const std::string& title) override;
    std::optional<std::string> pickFolder(const std::string& title) override;

    // Where the next dialog opens: the folder of the last pick while it exists, else home.
    QString startFolder() const;

private:
    QPointer<QWidget> m_owner;
    QString m_lastFolder;
};

// The desktop's browser.
class DesktopBrowser : public Browser {
public:
    void openUrl(const std::string& url) override;
};

}  // namespace nubexa::app
