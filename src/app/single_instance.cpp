#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

namespace nubexa::app {

namespace {

constexpr int kConnectMs = 500;
const QByteArray kShow = QByteArrayLiteral("show\n");

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
    return QStringLiteral("nubexa-client-") + QString::fromLatin1(digest);
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
