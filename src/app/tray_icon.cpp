#include "app/tray_icon.h"

#include <QMenu>

namespace nubexa::app {

TrayIcon::TrayIcon(const QIcon& icon, std::function<QMenu*()> menuFactory, QObject* parent)
    : QObject(parent), m_icon(icon), m_menuFactory(std::move(menuFactory)) {
    m_icon.setToolTip(tr(kTip));
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    if (m_menu)
                        m_menu->close();
                    emit showWindowRequested();
                }
            });
}

TrayIcon::~TrayIcon() {
    m_icon.hide();
    delete m_menu;
}

bool TrayIcon::available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::add() {
    refreshMenu();
    m_icon.show();
}

void TrayIcon::remove() {
    m_icon.hide();
}

void TrayIcon::setProgressTip(const QString& progress) {
    m_icon.setToolTip(progress.isEmpty() ? tr(kTip) : tr(kTip) + QLatin1Char('\n') + progress);
}

void TrayIcon::showMessage(const QString& title, const QString& body, int milliseconds) {
    m_icon.showMessage(title, body, QSystemTrayIcon::Information, milliseconds);
}

void TrayIcon::refreshMenu() {
    QMenu* fresh = m_menuFactory();
    m_icon.setContextMenu(fresh);
    delete m_menu;
    m_menu = fresh;
}

}  // namespace nubexa::app
