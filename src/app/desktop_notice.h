#pragma once

#include <QString>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace nubexa::app {

class TrayIcon;

// A desktop notification: a title and a line or two that the desktop shows for a while and
// takes away by itself. Fire and forget: nothing waits for the desktop. GUI thread only.
class DesktopNotice {
public:
    virtual ~DesktopNotice() = default;
    virtual void notify(const QString& title, const QString& body) = 0;
};

// Text for a tray whose messages may be read as markup (a notification server) or as text (a
// balloon): the same characters either way. A zero-width space after each "<" and "&" keeps
// names and refusal texts from the service from forming a tag or an entity.
QString inertMarkup(const QString& text);

// The tray's balloon while the tray icon is shown; else org.freedesktop.Notifications on the
// session bus when there is one; else nothing.
class SystemDesktopNotice : public DesktopNotice {
public:
    static constexpr const char* kApplication =
        QT_TRANSLATE_NOOP("nubexa::app::SystemDesktopNotice", "Nubexa网盘");

    // `tray` gives the tray icon of the moment (null without a tray).
    explicit SystemDesktopNotice(std::function<TrayIcon*()> tray) : m_tray(std::move(tray)) {}

    void notify(const QString& title, const QString& body) override;

private:
    std::function<TrayIcon*()> m_tray;
};

// Keeps every notification, for tests.
class RecordingDesktopNotice : public DesktopNotice {
public:
    void notify(const QString& title, const QString& body) override {
        std::lock_guard lock(m_mutex);
        m_notices.emplace_back(title, body);
    }
    std::vector<std::pair<QString, QString>> notices() const {
        std::lock_guard lock(m_mutex);
        return m_notices;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::pair<QString, QString>> m_notices;
};

}  // namespace nubexa::app
