#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>

namespace nubexa::app {

// The icon in the desktop's tray while a window is open: a left click shows the window, the
// context menu is built anew each time it opens. Absent where the desktop has no tray.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kTip = QT_TR_NOOP("Nubexa网盘客户端");

    // menuFactory builds the menu for the moment (it depends on being signed in).
    TrayIcon(const QIcon& icon, std::function<QMenu*()> menuFactory, QObject* parent = nullptr);
    ~TrayIcon() override;

    static bool available();
    void add();
    void remove();
    bool shown() const { return m_icon.isVisible(); }
    // The tooltip: the client's name, and under it the queue's progress while transfers run
    // (empty: the name alone).
    void setProgressTip(const QString& progress);
    QString toolTip() const { return m_icon.toolTip(); }
    // A balloon by the icon (desktop notifications while the icon is shown).
    void showMessage(const QString& title, const QString& body, int milliseconds);

signals:
    void showWindowRequested();

private:
    void refreshMenu();

    QSystemTrayIcon m_icon;
    std::function<QMenu*()> m_menuFactory;
    QPointer<QMenu> m_menu;
};

}  // namespace nubexa::app
