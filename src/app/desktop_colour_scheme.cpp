#include "app/desktop_colour_scheme.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QPalette>

namespace nubexa::app {

namespace {

constexpr auto kService = "org.freedesktop.portal.Desktop";
constexpr auto kPath = "/org/freedesktop/portal/desktop";
constexpr auto kInterface = "org.freedesktop.portal.Settings";
constexpr auto kGroup = "org.freedesktop.appearance";
constexpr auto kKey = "color-scheme";

}  // namespace

DesktopColourScheme::DesktopColourScheme(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_fallback(withoutPortal()), m_scheme(m_fallback) {}

ColourScheme DesktopColourScheme::withoutPortal() {
    const QByteArray gtkTheme = qgetenv("GTK_THEME").toLower();
    if (gtkTheme.endsWith(":dark") || gtkTheme.endsWith("-dark"))
        return ColourScheme::kDark;
    return QApplication::palette().color(QPalette::Window).lightness() < 128 ? ColourScheme::kDark
                                                                             : ColourScheme::kLight;
}

std::optional<ColourScheme> DesktopColourScheme::fromPortalValue(const QVariant& value) {
    // Read answers a variant inside a variant; ReadOne and SettingChanged one.
    QVariant inner = value;
    while (inner.metaType() == QMetaType::fromType<QDBusVariant>())
        inner = qvariant_cast<QDBusVariant>(inner).variant();
    bool isNumber = false;
    const uint preference = inner.toUInt(&isNumber);
    if (!isNumber)
        return std::nullopt;
    if (preference == 1)
        return ColourScheme::kDark;
    if (preference == 2)
        return ColourScheme::kLight;
    return std::nullopt;
}

void DesktopColourScheme::start() {
    if (!m_bus.isConnected())
        return;
    m_bus.connect(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                  QString::fromLatin1(kInterface), QStringLiteral("SettingChanged"), this,
                  SLOT(settingChanged(QString, QString, QDBusVariant)));
    QDBusMessage read =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       QString::fromLatin1(kInterface), QStringLiteral("Read"));
    read << QString::fromLatin1(kGroup) << QString::fromLatin1(kKey);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(read), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<QVariant> reply = *call;
                // No portal, or one without the setting: the fallback stands.
                if (!reply.isError())
                    take(fromPortalValue(reply.value()));
                call->deleteLater();
            });
}

void DesktopColourScheme::settingChanged(const QString& group, const QString& key,
                                         const QDBusVariant& value) {
    if (group == QLatin1String(kGroup) && key == QLatin1String(kKey))
        take(fromPortalValue(QVariant::fromValue(value)));
}

void DesktopColourScheme::take(std::optional<ColourScheme> fromPortal) {
    const ColourScheme scheme = fromPortal.value_or(m_fallback);
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    emit changed(scheme);
}

}  // namespace nubexa::app
