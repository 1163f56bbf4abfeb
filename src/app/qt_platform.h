#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/browser.h"
#include "platform/notifier.h"
#include "platform/picker.h"

namespace nubexa::app {

class GuiBridge;

// Message boxes. Called on the GUI thread, the box is shown at once and the caller waits for
// OK, as the windows expect; called on any other thread, the box is shown later on the GUI
// thread and the caller goes on.
class QtNotifier : public Notifier {
public:
    explicit QtNotifier(GuiBridge& bridge) : m_bridge(bridge) {}

    void showMessage(const std::string& caption, const std::string& text) override;

private:
    GuiBridge& m_bridge;
};

// The file and folder choosers, owned by the window that is open.
class QtPicker : public Picker {
public:
    void setOwner(QWidget* owner) { m_owner = owner; }

    std::optional<std::string> pickFile(const std::string& title) override;
    std::optional<std::string> pickFolder(const std::string& title) override;

private:
    QPointer<QWidget> m_owner;
};

// The desktop's browser.
class DesktopBrowser : public Browser {
public:
    void openUrl(const std::string& url) override;
};

}  // namespace nubexa::app
