#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace nubexa::test {

// A session bus with gnome-keyring's Secret Service on it, for this process; both ended when it
// goes. The keyring lives in a folder of its own and is unlocked with a throw-away password.
// Needs a QCoreApplication; point DBUS_SESSION_BUS_ADDRESS at address() before the first
// secret is asked for.
class SecretServiceSession {
public:
    static bool toolsPresent();

    SecretServiceSession();
    ~SecretServiceSession();
    SecretServiceSession(const SecretServiceSession&) = delete;
    SecretServiceSession& operator=(const SecretServiceSession&) = delete;

    // False when the bus or the keyring did not start, or the keyring never took its name.
    bool start();

    // The keyring stops answering (a hung daemon: its name stays on the bus), and answers again.
    void freeze();
    void thaw();

    const QByteArray& address() const { return m_address; }
    // The process environment with the session's bus and folders, for programs to start on it.
    const QProcessEnvironment& environment() const { return m_environment; }

private:
    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_keyring;
    QByteArray m_address;
    QProcessEnvironment m_environment;
};

}  // namespace nubexa::test
