#include "app/single_instance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <cerrno>

namespace nubexa::app {

namespace {

constexpr int kConnectMs = 500;
constexpr int kAnswerMs = 2000;
const QByteArray kShow = QByteArrayLiteral("show\n");
const QByteArray kShown = QByteArrayLiteral("shown\n");
// Longest socket path every platform takes (sockaddr_un's sun_path, with its end byte).
constexpr int kMaxSocketPath = 100;

// A folder only this user can enter: no other user can take the socket's name there first.
bool isPrivateFolder(const QString& folder) {
    struct stat status {};
    return QDir::isAbsolutePath(folder) &&
           ::stat(QFile::encodeName(folder).constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

// The temporary folder's "nubexa-<uid>", made 0700 by this user. Empty when the name is taken
// by anything else (another user's folder, a link): then no socket is safe there.
QString privateTemporaryFolder() {
    const QString folder =
        QDir(QDir::tempPath()).filePath(QStringLiteral("nubexa-%1").arg(::geteuid()));
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid())
        return {};
    if ((status.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0)
        return {};
    return folder;
}

}  // namespace

SingleInstance::SingleInstance(const QString& homeFolder, QObject* parent)
    : QObject(parent), m_name(serverName(homeFolder)) {
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().startsWith(kShow.trimmed())) {
                    // The answer tells the asking start that a client of ours heard it.
                    socket->write(kShown);
                    emit activationRequested();
                }
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
    // The session's runtime folder, else the data folder, else a folder of this user's in the
    // temporary folder: never a name in the shared /tmp itself, where another user could
    // listen first and silence this client.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivateFolder(runtime))
        return QDir(runtime).filePath(name);
    const QString beside = QDir(homeFolder).filePath(QStringLiteral("nubexa.socket"));
    if (isPrivateFolder(homeFolder) && QFile::encodeName(beside).size() < kMaxSocketPath)
        return beside;
    const QString temporary = privateTemporaryFolder();
    if (temporary.isEmpty())
        return {};
    return QDir(temporary).filePath(name);
}

SingleInstance::Answer SingleInstance::askRunningToShow() const {
    QLocalSocket probe;
    probe.connectToServer(m_name);
    if (!probe.waitForConnected(kConnectMs))
        return Answer::kNobody;
    probe.write(kShow);
    probe.waitForBytesWritten(kConnectMs);
    QByteArray reply;
    QElapsedTimer waited;
    waited.start();
    while (!reply.contains('\n') && reply.size() < 64 && waited.elapsed() < kAnswerMs) {
        if (!probe.waitForReadyRead(static_cast<int>(kAnswerMs - waited.elapsed())))
            break;
        reply += probe.readAll();
    }
    reply += probe.readAll();
    probe.disconnectFromServer();
    return reply.startsWith(kShown) ? Answer::kShown : Answer::kStrange;
}

bool SingleInstance::claim() {
    if (m_name.isEmpty()) {
        m_problem = tr("临时文件夹中的“nubexa-%1”不属于当前用户，无法保证只运行一个客户端。")
                        .arg(::geteuid());
        return true;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (askRunningToShow()) {
            case Answer::kShown:
                return false;
            case Answer::kStrange:
                m_problem =
                    tr("本地连接“%1”上的程序没有像客户端那样应答，客户端未启动。").arg(m_name);
                return false;
            case Answer::kNobody:
                break;
        }
        m_server.setSocketOptions(QLocalServer::UserAccessOption);
        if (m_server.listen(m_name))
            return true;
        // Started at the same moment as another client, which won: ask it once more.
    }
    // Nobody answers: the socket file of a client that died is in the way.
    QLocalServer::removeServer(m_name);
    return m_server.listen(m_name);
}

}  // namespace nubexa::app
