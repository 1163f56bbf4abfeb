// Remembered passwords in a real Secret Service: gnome-keyring on a private D-Bus session bus that
// the test starts and stops. The desktop client and nubexa-cli keep the password there, not in
// bin.db; a password an earlier version left in bin.db moves over; without a store, bin.db keeps
// it.
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "app/sign_in_window.h"
#include "client_harness.h"
#include "platform/secret_store.h"
#include "session/front_end_setup.h"
#include "support/qt_test_main.h"
#include "support/secret_service_session.h"
#include "support/temp_dir.h"

using namespace nubexa;
using nubexa::test::ClientHarness;
using nubexa::test::SecretServiceSession;
using nubexa::test::TempDir;

namespace {

// The password `uid`'s sign-in row keeps in bin.db (as the last user's).
RememberedPassword rowOf(ClientHarness& harness, const std::string& uid) {
    const auto last = harness.lastUserInBinDb();
    if (!last || last->userName != uid || last->password == " ")
        return RememberedPassword{"(no row)", false};
    return RememberedPassword{last->password, last->rememberPassword == "1"};
}

// A new client on the same folders, which signs in by itself from what is remembered.
bool startsSignedIn(ClientHarness& harness) {
    harness.endClient();
    harness.client().OpenWindow();
    return QTest::qWaitFor([&] { return harness.mainFrame() && harness.mainFrame()->isVisible(); },
                           ClientHarness::kWaitMs);
}

}  // namespace

class SecretStoreTest : public QObject {
    Q_OBJECT
private slots:
    void passwordLivesInTheSecretService();
    void withoutSecretServiceBinDbKeepsIt();
    void silentSecretServiceFreezesNothing();
};

void SecretStoreTest::passwordLivesInTheSecretService() {
    if (!SecretServiceSession::toolsPresent())
        QSKIP("dbus-daemon or gnome-keyring-daemon is not installed (./run setup installs them)");
    SecretServiceSession session;
    QVERIFY2(session.start(), "the private Secret Service did not start");
    qputenv("DBUS_SESSION_BUS_ADDRESS", session.address());
    const auto store = desktopSecretStore();  // the one nubexa-cli uses too
    SecretStore& secrets = *store;

    ClientHarness harness;
    harness.environment().secrets = store.get();
    const std::string uid = harness.demoUid();
    QVERIFY(!uid.empty());
    const std::string key = uid + "@" + harness.environment().config.apiHost;
    // What an earlier version left: the password in bin.db, automatic sign-in on.
    harness.rememberSignIn(uid, "demo123", true);
    std::string kept;
    QCOMPARE(secrets.read(key, kept), SecretStore::Result::kNotFound);

    // It is moved into the store, the sign-in works with it and records it there.
    QVERIFY(startsSignedIn(harness));
    QCOMPARE(secrets.read(key, kept), SecretStore::Result::kDone);
    QCOMPARE(kept, std::string("demo123"));
    RememberedPassword row = rowOf(harness, uid);
    QCOMPARE(row.password, std::string());
    QVERIFY(row.remembered);

    // From the store alone, automatic sign-in still works.
    QVERIFY(startsSignedIn(harness));
    QCOMPARE(rowOf(harness, uid).password, std::string());

    // nubexa-cli login keeps it in the same store.
    QVERIFY(secrets.erase(key) == SecretStore::Result::kDone);
    {
        std::ofstream ini(harness.homeFolder() + "nubexa.ini");
        ini << "[service]\napi_host=127.0.0.1:" << harness.httpPort()
            << "\nweb_host=127.0.0.1:" << harness.httpPort() << "\n";
    }
    QProcessEnvironment environment = session.environment();
    environment.insert(QStringLiteral("NUBEXA_HOME"), QString::fromStdString(harness.homeFolder()));
    QProcess cli;
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(NUBEXA_CLI_PATH), {QStringLiteral("login"), QStringLiteral("demo"),
                                                QStringLiteral("--password-stdin")});
    QVERIFY(cli.waitForStarted(5000));
    cli.write("demo123\n");
    cli.closeWriteChannel();
    QVERIFY(cli.waitForFinished(30000));
    QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    QCOMPARE(secrets.read(key, kept), SecretStore::Result::kDone);
    QCOMPARE(kept, std::string("demo123"));
    QCOMPARE(rowOf(harness, uid).password, std::string());
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

void SecretStoreTest::withoutSecretServiceBinDbKeepsIt() {
    TempDir nowhere;
    qputenv("DBUS_SESSION_BUS_ADDRESS",
            QByteArray::fromStdString("unix:path=" + nowhere.path() + "/no-bus"));
    const auto store = desktopSecretStore();
    SecretStore& secrets = *store;
    ClientHarness harness;
    harness.environment().secrets = store.get();
    const std::string uid = harness.demoUid();
    harness.rememberSignIn(uid, "demo123", true);
    QVERIFY(startsSignedIn(harness));
    // The sign-in recorded it again, in bin.db.
    const RememberedPassword row = rowOf(harness, uid);
    QCOMPARE(row.password, std::string("demo123"));
    QVERIFY(row.remembered);
    std::string kept;
    QCOMPARE(secrets.read(uid, kept), SecretStore::Result::kUnavailable);
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

void SecretStoreTest::silentSecretServiceFreezesNothing() {
    if (!SecretServiceSession::toolsPresent())
        QSKIP("dbus-daemon or gnome-keyring-daemon is not installed (./run setup installs them)");
    SecretServiceSession session;
    QVERIFY2(session.start(), "the private Secret Service did not start");
    qputenv("DBUS_SESSION_BUS_ADDRESS", session.address());
    // Destroyed last: its thread may wait for the keyring until that answers again.
    const auto store = desktopSecretStore();
    {
        ClientHarness harness;
        harness.environment().secrets = store.get();
        const std::string uid = harness.demoUid();
        QVERIFY(!uid.empty());
        // Remembered in the store, with automatic sign-in.
        harness.rememberSignIn(uid, "demo123", true);
        QVERIFY(startsSignedIn(harness));
        QCOMPARE(rowOf(harness, uid).password, std::string());

        // A keyring that never answers: the window opens at once and stays live while the
        // password is asked for; then the user hears why it is not filled in, and no
        // automatic sign-in runs without it.
        session.freeze();
        // What was said before (the first write into a new keyring may be late) is not heard.
        const std::size_t saidBefore = harness.notifier().texts().size();
        harness.endClient();
        QCOMPARE(harness.client().OpenWindow(), 1);
        QVERIFY(harness.signInWindow() && harness.signInWindow()->isVisible());
        QVERIFY(harness.client().readingLastUser());
        bool turned = false;
        QTimer::singleShot(0, [&turned] { turned = true; });
        QTRY_VERIFY(turned);
        QVERIFY(harness.client().readingLastUser());  // the loop turned while the read waits
        QTRY_VERIFY_WITH_TIMEOUT(!harness.client().readingLastUser(), ClientHarness::kWaitMs);
        const std::vector<std::string> texts = harness.notifier().texts();
        QCOMPARE(
            std::vector<std::string>(texts.begin() + static_cast<std::ptrdiff_t>(saidBefore),
                                     texts.end()),
            std::vector<std::string>{"系统密钥库没有应答，未能读取记住的密码，请输入密码后登录"});
        app::SignInWindow* window = harness.signInWindow();
        QCOMPARE(window->accountText(), QString::fromStdString(uid));
        // The password is asked for: its field has the focus (its hint cleared once shown).
        QCOMPARE(window->focusWidget(), window->passwordEdit());
        QVERIFY(window->passwordText() == app::passwordPlaceholder() ||
                window->passwordText().isEmpty());
        QVERIFY(window->rememberPassword());
        QVERIFY(window->autoSignIn());
        QVERIFY(!harness.client().signingIn());
        QVERIFY(!harness.mainFrame());

        // nubexa-cli says the same instead of "not signed in".
        {
            std::ofstream ini(harness.homeFolder() + "nubexa.ini");
            ini << "[service]\napi_host=127.0.0.1:" << harness.httpPort()
                << "\nweb_host=127.0.0.1:" << harness.httpPort() << "\n";
        }
        QProcessEnvironment environment = session.environment();
        environment.insert(QStringLiteral("NUBEXA_HOME"),
                           QString::fromStdString(harness.homeFolder()));
        environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        environment.remove(QStringLiteral("LC_ALL"));
        environment.remove(QStringLiteral("LC_MESSAGES"));
        QProcess cli;
        cli.setProcessEnvironment(environment);
        cli.start(QStringLiteral(NUBEXA_CLI_PATH), {QStringLiteral("ls")});
        QVERIFY(cli.waitForStarted(5000));
        QVERIFY(cli.waitForFinished(60000));
        const QByteArray said = cli.readAllStandardError();
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY2(said.contains("the desktop secret store did not answer"), said.constData());
        QVERIFY2(!said.contains("not signed in"), said.constData());

        // Signed in while the keyring stays silent, the user hears at once that the password
        // may not be remembered, rather than at the next start.
        QVERIFY(harness.signIn());
        const std::vector<std::string> later = harness.notifier().texts();
        QVERIFY(std::find(later.begin() + static_cast<std::ptrdiff_t>(texts.size()), later.end(),
                          "系统密钥库没有及时应答，密码可能没有记住，下次登录时可能需要输入密码") !=
                later.end());
        session.thaw();
    }
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

NUBEXA_QTEST(SecretStoreTest)
#include "secret_store_test.moc"
