#include "app/single_instance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalSocket>

namespace nubexa::app {

namespace {

constexpr int kConnectMs = 500;
const QByteArray kShow = QByteArrayLiteral("show\n");
// Longest socket path every platform takes (sockaddr_un's sun_path, with its end byte).
constexpr int kMaxSocketPath = 100;

// A folder only this user can enter: no other user can take the socket's name there first.
bool isPrivateFolder(const QString& folder) {
    struct stat status {};
    return QDir::isAbsolutePath(folder) &&
           ::stat(QFile::encodeName(folder).constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

}  // namespace

SingleInstance::SingleInstance(const QString& homeFolder, QObject* parent)
    : QObject(parent), m_name(serverName(homeFolder)) {
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().startsWith(kShow.trimmed()))
                    emit activationRequested();
                socket->disconnectFromServer();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QString SingleInstance::serverName(const QString& homeFolder) {
    const QString canonical = QDir(homeFolder).canonicalPath();
    const QByteArray digest =
        QCryptographicHash::hash((canonical.isEmpty() ? homeFolder : canonical).toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(24);
    const QString name = QStringLiteral("nubexa-client-") + QString::fromLatin1(digest);
    // The session's runtime folder, else the data folder (created 0700): never /tmp, where
    // another user could listen first and silence this client.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivateFolder(runtime))
        return QDir(runtime).filePath(name);
    const QString beside = QDir(homeFolder).filePath(QStringLiteral("nubexa.socket"));
    if (isPrivateFolder(homeFolder) && QFile::encodeName(beside).size() < kMaxSocketPath)
        return beside;
    return name;
}

bool SingleInstance::askRunningToShow() const {
    QLocalSocket probe;
    probe.connectToServer(m_name);
    if (!probe.waitForConnected(kConnectMs))
        return false;
    probe.write(kShow);
    probe.waitForBytesWritten(kConnectMs);
    probe.disconnectFromServer();
    return true;
}

bool SingleInstance::claim() {
    if (askRunningToShow())
        return false;
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server.listen(m_name))
        return true;
    // Started at the same moment as another client, which won.
    if (askRunningToShow())
        return false;
    // Nobody answers: the socket file of a client that died is in the way.
    QLocalServer::removeServer(m_name);
    return m_server.listen(m_name);
}

}  // namespace nubexa::app
