#include "support/secret_service_session.h"

#include <signal.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

namespace nubexa::test {

namespace {

constexpr int kStartMs = 15000;

}  // namespace

bool SecretServiceSession::toolsPresent() {
    return !QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")).isEmpty();
}

// Under $TMPDIR, as every test's folder: the bus's socket path must stay short.
SecretServiceSession::SecretServiceSession()
    : m_dir(QDir::tempPath() + QStringLiteral("/nubexa-test-XXXXXX")) {}

bool SecretServiceSession::start() {
    if (!m_dir.isValid())
        return false;
    const QString root = m_dir.path();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* folder : {"/data", "/config", "/run", "/home"})
        QDir().mkpath(root + QLatin1String(folder));
    QFile::setPermissions(root + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/run"));
    environment.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));

    m_bus.setProcessEnvironment(environment);
    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--session"), QStringLiteral("--nofork"),
                 QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1"),
                 QStringLiteral("--address=unix:path=") + root + QStringLiteral("/bus")});
    if (!m_bus.waitForStarted(kStartMs))
        return false;
    QByteArray line;
    QDeadlineTimer deadline(kStartMs);
    while (!line.contains('\n') && !deadline.hasExpired() && m_bus.waitForReadyRead(500))
        line += m_bus.readAllStandardOutput();
    m_address = line.trimmed();
    if (m_address.isEmpty())
        return false;
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(m_address));
    m_environment = environment;

    m_keyring.setProcessEnvironment(environment);
    m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
                    {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                     QStringLiteral("--components=secrets")});
    if (!m_keyring.waitForStarted(kStartMs))
        return false;
    m_keyring.write("throw-away\n");
    m_keyring.closeWriteChannel();

    // Ready once the Secret Service name is on the bus.
    QDBusConnection bus =
        QDBusConnection::connectToBus(QString::fromUtf8(m_address), QStringLiteral("secret-probe"));
    const bool ready = QTest::qWaitFor(
        [&] {
            return bus.isConnected() &&
                   bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets"));
        },
        kStartMs);
    QDBusConnection::disconnectFromBus(QStringLiteral("secret-probe"));
    return ready;
}

SecretServiceSession::~SecretServiceSession() {
    if (m_keyring.state() != QProcess::NotRunning)
        thaw();
    for (QProcess* process : {&m_keyring, &m_bus}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
}

void SecretServiceSession::freeze() {
    ::kill(static_cast<pid_t>(m_keyring.processId()), SIGSTOP);
}

void SecretServiceSession::thaw() {
    ::kill(static_cast<pid_t>(m_keyring.processId()), SIGCONT);
}

}  // namespace nubexa::test
