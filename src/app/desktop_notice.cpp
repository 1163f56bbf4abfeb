#include "app/desktop_notice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include "app/tray_icon.h"

namespace nubexa::app {

namespace {

constexpr int kShownMs = 8000;

}  // namespace

void SystemDesktopNotice::notify(const QString& title, const QString& body) {
    if (TrayIcon* tray = m_tray ? m_tray() : nullptr; tray && tray->shown()) {
        tray->showMessage(title, body, kShownMs);
        return;
    }
    // Without an address the bus library would try to launch a bus of its own: not for a
    // notification.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << kApplication << 0u << QStringLiteral("folder-download") << title << body
         << QStringList() << QVariantMap() << kShownMs;
    // send() queues the call and returns: the reply (the notification's id) is not wanted.
    bus.send(call);
}

}  // namespace nubexa::app
