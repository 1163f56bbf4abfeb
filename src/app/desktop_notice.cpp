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

QString inertMarkup(const QString& text) {
    QString inert;
    inert.reserve(text.size() + 8);
    for (const QChar c : text) {
        inert += c;
        if (c == QLatin1Char('<') || c == QLatin1Char('&'))
            inert += QChar(0x200B);
    }
    return inert;
}

void SystemDesktopNotice::notify(const QString& title, const QString& body) {
    // Names and refusal texts come from the service: shown as text, never as markup.
    if (TrayIcon* tray = m_tray ? m_tray() : nullptr; tray && tray->shown()) {
        tray->showMessage(inertMarkup(title), inertMarkup(body), kShownMs);
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
    // The summary is text by the protocol, the body markup where the server reads markup.
    call << QCoreApplication::translate("nubexa::app::SystemDesktopNotice", kApplication) << 0u
         << QStringLiteral("folder-download") << title << body.toHtmlEscaped() << QStringList()
         << QVariantMap() << kShownMs;
    // send() queues the call and returns: the reply (the notification's id) is not wanted.
    bus.send(call);
}

}  // namespace nubexa::app
