#pragma once

#include <optional>

#include <QDBusConnection>
#include <QObject>

#include "app/colour_scheme.h"

class QDBusVariant;

namespace nubexa::app {

// The desktop's light or dark preference: the desktop portal's appearance setting where a portal
// answers (GNOME, Plasma, and others), followed live; else GTK_THEME's ":dark"; else the
// lightness of the palette the platform gave the application.
class DesktopColourScheme : public QObject {
    Q_OBJECT
public:
    // `bus`: the session bus in the client, a private one in tests.
    explicit DesktopColourScheme(QDBusConnection bus, QObject* parent = nullptr);

    // What the desktop says without the portal; read before the client sets a palette.
    static ColourScheme withoutPortal();
    // The portal's value of org.freedesktop.appearance color-scheme: 1 dark, 2 light, 0 none.
    static std::optional<ColourScheme> fromPortalValue(const QVariant& value);

    ColourScheme scheme() const { return m_scheme; }
    // Asks the portal without waiting, and listens for its changes.
    void start();

signals:
    void changed(ColourScheme scheme);

private slots:
    // Connected by name: D-Bus signals have no compile-checked form.
    void settingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void take(std::optional<ColourScheme> fromPortal);

    QDBusConnection m_bus;
    ColourScheme m_fallback;
    ColourScheme m_scheme;
};

}  // namespace nubexa::app
