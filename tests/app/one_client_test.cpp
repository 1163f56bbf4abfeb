// One client per data folder: a second start hands over to the first, and the desktop client
// and "nubexa-cli run" never drive the same transfer queue at once.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "app/single_instance.h"
#include "client_harness.h"
#include "session/run_lock.h"
#include "support/qt_test_main.h"
#include "support/temp_dir.h"

#include <unistd.h>

#include <atomic>
#include <thread>

using namespace nubexa;
using namespace nubexa::app;
using nubexa::test::ClientHarness;

class OneClientTest : public QObject {
    Q_OBJECT
private slots:
    void secondStartShowsTheFirst();
    void queueBelongsToOneFrontEnd();
};

void OneClientTest::secondStartShowsTheFirst() {
    nubexa::test::TempDir home;
    nubexa::test::TempDir otherHome;
    SingleInstance first(QString::fromStdString(home.path()));
    QVERIFY(first.claim());
    QSignalSpy shown(&first, &SingleInstance::activationRequested);

    // The same folder, from another thread as from another process: it waits for the answer.
    std::atomic<int> secondClaimed{-1};
    QString secondProblem;
    std::thread secondStart([&] {
        SingleInstance second(QString::fromStdString(home.path() + "/"));
        const bool claimed = second.claim();
        secondProblem = second.problem();
        secondClaimed = claimed ? 1 : 0;
    });
    QTRY_VERIFY_WITH_TIMEOUT(secondClaimed != -1, 10000);
    secondStart.join();
    QCOMPARE(secondClaimed.load(), 0);
    QVERIFY(secondProblem.isEmpty());
    QTRY_COMPARE(shown.count(), 1);
    // Another data folder is another client.
    SingleInstance elsewhere(QString::fromStdString(otherHome.path()));
    QVERIFY(elsewhere.claim());

    // The socket lives where no other user can take its name first: the session's runtime
    // folder, or the private data folder without one; never in the shared /tmp.
    nubexa::test::TempDir runtime;
    QFile::setPermissions(QString::fromStdString(runtime.path()),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(QString::fromStdString(home.path()),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path()));
    QVERIFY(SingleInstance::serverName(QString::fromStdString(home.path()))
                .startsWith(QString::fromStdString(runtime.path() + "/")));
    qunsetenv("XDG_RUNTIME_DIR");
    QCOMPARE(SingleInstance::serverName(QString::fromStdString(home.path())),
             QString::fromStdString(home.path() + "/nubexa.socket"));

    // Neither private: a 0700 folder of this user's in the temporary folder, not a name any
    // user could take in /tmp itself.
    nubexa::test::TempDir open;
    QFile::setPermissions(QString::fromStdString(open.path()),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                              QFile::ReadOther | QFile::ExeOther);
    const QString fallback = SingleInstance::serverName(QString::fromStdString(open.path()));
    qputenv("XDG_RUNTIME_DIR", saved);
    const QFileInfo folder(QFileInfo(fallback).path());
    QVERIFY2(folder.path() == QDir::tempPath() && folder.isDir() && !folder.isSymLink() &&
                 folder.ownerId() == ::geteuid() &&
                 folder.permissions() == (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             qPrintable(fallback));

    // Something else listening on the name, which does not answer as a client: the start
    // says so instead of ending silently.
    nubexa::test::TempDir squatted;
    const QString name = SingleInstance::serverName(QString::fromStdString(squatted.path()));
    QLocalServer squatter;
    QVERIFY(squatter.listen(name));
    SingleInstance fooled(QString::fromStdString(squatted.path()));
    QVERIFY(!fooled.claim());
    QVERIFY(fooled.problem().contains(name));
}

void OneClientTest::queueBelongsToOneFrontEnd() {
    ClientHarness harness;
    const std::string uid = harness.demoUid();
    {
        // A run of nubexa-cli holds the queue: the client says so and leaves waiting tasks be.
        RunLock cliRun(harness.databasePath());
        QVERIFY(cliRun.held());
        QVERIFY(harness.signIn());
        QVERIFY(!harness.client().drivesQueue());
        const auto messages = harness.notifier().messages();
        QCOMPARE(messages.size(), std::size_t(1));
        QCOMPARE(messages.front().caption, std::string("提示"));
        QVERIFY(messages.front().text.find("nubexa-cli run") != std::string::npos);
    }
    // Once the run has ended the client takes the queue over at its next tick.
    QTRY_VERIFY_WITH_TIMEOUT(harness.client().drivesQueue(), 8000);

    // While the client drives the queue, "nubexa-cli run" leaves it alone and says why.
    QProcess cli;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("NUBEXA_HOME"), QString::fromStdString(harness.homeFolder()));
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(NUBEXA_CLI_PATH), {QStringLiteral("run")});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 1);
    QVERIFY(QString::fromUtf8(cli.readAllStandardError())
                .contains(QStringLiteral("desktop client is transferring")));
}

NUBEXA_QTEST(OneClientTest)
#include "one_client_test.moc"
