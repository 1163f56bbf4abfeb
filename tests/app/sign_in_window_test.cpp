// The sign-in window against the stand-in: fields and placeholders, the last user, automatic
// sign-in, refusals, a service that never answers, and the hand-over to the main window.
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QTcpServer>
#include <QTest>

#include "app/app_menus.h"
#include "app/capacity_text.h"
#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "app/sign_in_window.h"
#include "app/user_panel.h"
#include "client_harness.h"
#include "session/client_session.h"
#include "session/last_user.h"
#include "support/prepared_bin_db.h"
#include "support/qt_test_main.h"

using namespace nubexa;
using namespace nubexa::app;
using nubexa::test::ClientHarness;

namespace {

// The last user's sign-in record as bin.db holds it: "uid|password|remembered|automatic
// sign-in|automatic resume"; empty when nobody signed in.
std::string lastRecord(ClientHarness& harness) {
    const auto last = harness.lastUserInBinDb();
    return last ? last->userName + "|" + last->password + "|" + last->rememberPassword + "|" +
                      last->autoLogin + "|" + last->autoResume
                : std::string();
}

}  // namespace

class SignInWindowTest : public QObject {
    Q_OBJECT
private slots:
    void placeholdersAndFocus();
    void lastUserVariants();
    void refusedSignInKeepsWindowUsable();
    void lockOutIsSaidInTheServicesWordsNotAsAWrongPassword();
    void signInRecordsAndOpensMainWindow();
    void silentServiceEndsInNetworkMessage();
};

void SignInWindowTest::placeholdersAndFocus() {
    ClientHarness harness;
    QVERIFY(harness.openSignInWindow());
    SignInWindow* window = harness.signInWindow();
    // A new user starts in the account field, whose hint stays until the first key.
    QCOMPARE(window->focusWidget(), window->accountEdit());
    QCOMPARE(window->accountText(), QString());  // typing does not add to the hint
    QCOMPARE(window->accountEdit()->placeholderText(), accountPlaceholder());
    QCOMPARE(window->passwordText(), passwordPlaceholder());
    QCOMPARE(window->passwordEdit()->echoMode(), QLineEdit::Normal);
    QVERIFY(!window->rememberPassword());
    QVERIFY(!window->autoSignIn());
    QVERIFY(harness.notifier().texts().empty());  // no automatic sign-in
    // It opens in the middle of the screen; its QQ, Sina and register links do not overlap.
    const QPoint middle = window->screen()->availableGeometry().center();
    QVERIFY((window->geometry().center() - middle).manhattanLength() <= 2);
    QVERIFY(!sign_in_rects::kQQ.intersects(sign_in_rects::kSina));
    QVERIFY(!sign_in_rects::kSina.intersects(sign_in_rects::kRegister));

    // Enter signs in from the fields, the window and its picture buttons' gaps alike: the
    // account is asked for.
    QTest::keyClick(window->accountEdit(), Qt::Key_Return);
    QTest::keyClick(window, Qt::Key_Return);
    QCOMPARE(harness.notifier().texts(),
             (std::vector<std::string>{"请输入用户名", "请输入用户名"}));
    // Tab goes through the form in reading order, picture buttons included.
    const QList<QWidget*> order = {window->accountEdit(), window->passwordEdit(),
                                   window->childAt(sign_in_rects::kSignIn.center())};
    for (qsizetype i = 1; i < order.size(); ++i)
        QCOMPARE(order[i - 1]->nextInFocusChain(), order[i]);

    // Focus clears a placeholder; leaving a field empty puts it back, the password in clear.
    window->setFocus();
    QTRY_COMPARE(window->accountText(), accountPlaceholder());
    window->accountEdit()->setFocus();
    QTRY_COMPARE(window->accountText(), QString());
    window->passwordEdit()->setFocus();
    QTRY_COMPARE(window->passwordText(), QString());
    QCOMPARE(window->passwordEdit()->echoMode(), QLineEdit::Password);
    QCOMPARE(window->accountText(), accountPlaceholder());
    window->accountEdit()->setFocus();
    QTRY_COMPARE(window->passwordText(), passwordPlaceholder());
    QCOMPARE(window->passwordEdit()->echoMode(), QLineEdit::Normal);

    // A placeholder is not an account (the account is asked for first), nor are spaces.
    window->setFocus();
    QTRY_COMPARE(window->accountText(), accountPlaceholder());
    QTest::mouseClick(window->childAt(sign_in_rects::kSignIn.center()), Qt::LeftButton);
    window->accountEdit()->setText(QStringLiteral("   "));
    window->passwordEdit()->setFocus();
    QTRY_COMPARE(window->passwordText(), QString());
    QTest::keyClicks(window->passwordEdit(), QStringLiteral("x"));
    QTest::mouseClick(window->childAt(sign_in_rects::kSignIn.center()), Qt::LeftButton);
    QCOMPARE(harness.notifier().texts(), (std::vector<std::string>(4, "请输入用户名")));
    QCOMPARE(harness.notifier().messages().front().caption, std::string());
}

void SignInWindowTest::lastUserVariants() {
    const std::string uid = ClientHarness().demoUid();
    QVERIFY(!uid.empty());
    {
        // A last user without any sign-in row: one masked blank, remembered; signing in with
        // it asks for the password.
        ClientHarness harness;
        QVERIFY(nubexa::test::PreparedBinDb(harness.databasePath()).setLastUser(uid));
        QVERIFY(harness.openSignInWindow());
        SignInWindow* window = harness.signInWindow();
        QCOMPARE(window->accountText(), QString::fromStdString(uid));
        QCOMPARE(window->passwordText(), QStringLiteral(" "));
        QCOMPARE(window->passwordEdit()->echoMode(), QLineEdit::Password);
        QVERIFY(window->rememberPassword());
        QCOMPARE(window->focusWidget(), window->passwordEdit());  // only the password is left
        QCOMPARE(harness.client().SignIn("0"), 0);
        QCOMPARE(harness.notifier().texts(), std::vector<std::string>{"请输入密码"});
    }
    {
        // Signed in last time without remembering: the password field shows its placeholder.
        ClientHarness harness;
        harness.rememberSignIn(uid, "", false);
        QVERIFY(harness.openSignInWindow());
        SignInWindow* window = harness.signInWindow();
        QCOMPARE(window->focusWidget(), window->passwordEdit());
        window->accountEdit()->setFocus();  // the empty field gives its placeholder back
        QTRY_COMPARE(window->passwordText(), passwordPlaceholder());
        QVERIFY(!harness.signInWindow()->rememberPassword());
    }
    {
        // Automatic sign-in without a password stops at the message; the window stays open
        // for the password.
        ClientHarness harness;
        harness.rememberSignIn(uid, "", true);
        QCOMPARE(harness.client().OpenWindow(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(harness.notifier().texts(),
                                  std::vector<std::string>{"请输入密码"}, ClientHarness::kWaitMs);
        QVERIFY(harness.signInWindow()->autoSignIn());
        QVERIFY(harness.signInWindow()->isVisible());
    }
    {
        // Automatic sign-in with a remembered password goes straight to the main window and
        // carries the user's automatic-resume choice over, also when it is off.
        ClientHarness harness;
        harness.rememberSignIn(uid, "demo123", true, "0");
        QCOMPARE(harness.client().OpenWindow(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(harness.mainFrame() && harness.mainFrame()->isVisible(),
                                 ClientHarness::kWaitMs);
        QCOMPARE(lastRecord(harness), uid + "|demo123|1|1|0");
    }
}

void SignInWindowTest::refusedSignInKeepsWindowUsable() {
    ClientHarness harness;
    QVERIFY(harness.openSignInWindow());
    for (int attempt = 0; attempt < 2; ++attempt) {
        harness.typeSignIn(QStringLiteral("demo"), QStringLiteral("wrong"));
        QTRY_VERIFY_WITH_TIMEOUT(!harness.client().signingIn(), ClientHarness::kWaitMs);
        QVERIFY(harness.signInWindow()->errorTipShown());
        QVERIFY(!harness.signInWindow()->busy());
    }
    QVERIFY(harness.notifier().texts().empty());
    QCOMPARE(harness.signInWindow()->accountText(), QStringLiteral("demo"));
    QCOMPARE(lastRecord(harness), std::string());
    QVERIFY(!lastUserId(harness.client().session()));
    QVERIFY(harness.signIn());
}

void SignInWindowTest::lockOutIsSaidInTheServicesWordsNotAsAWrongPassword() {
    ClientHarness harness;
    QVERIFY(harness.openSignInWindow());
    // Past the service's free tries the refusal is a lock-out, even with the right password.
    for (int attempt = 0; attempt < 6 && harness.notifier().texts().empty(); ++attempt) {
        harness.typeSignIn(QStringLiteral("demo"), QStringLiteral("wrong"));
        QTRY_VERIFY_WITH_TIMEOUT(!harness.client().signingIn(), ClientHarness::kWaitMs);
    }
    harness.typeSignIn(QStringLiteral("demo"), QStringLiteral("demo123"));
    QTRY_VERIFY_WITH_TIMEOUT(!harness.client().signingIn(), ClientHarness::kWaitMs);
    QVERIFY(!harness.mainFrame());
    QVERIFY(!harness.notifier().texts().empty());
    QVERIFY2(harness.notifier().texts().back().rfind("登录失败次数过多", 0) == 0,
             harness.notifier().texts().back().c_str());
}

void SignInWindowTest::signInRecordsAndOpensMainWindow() {
    ClientHarness harness;
    QVERIFY(harness.openSignInWindow());
    harness.signInWindow()->passwordEdit()->setFocus();
    QTest::mouseClick(harness.signInWindow()->childAt(sign_in_rects::kRememberPassword.center()),
                      Qt::LeftButton);
    QVERIFY(harness.signInWindow()->rememberPassword());
    ClientHarness::screenshot(harness.signInWindow(), QStringLiteral("sign-in-window.png"));
    QVERIFY(harness.signIn(QStringLiteral("  demo "), QStringLiteral("demo123")));

    const std::string uid = harness.client().session().account().uid;
    // A user's first sign-in turns automatic resume on.
    QCOMPARE(lastRecord(harness), uid + "|demo123|1|0|1");
    QCOMPARE(lastUserId(harness.client().session()), std::optional<std::string>(uid));
    MainFrame* frame = harness.mainFrame();
    QCOMPARE(frame->windowTitle(), MainFrame::tr(MainFrame::kTitle));
    QCOMPARE(frame->size(), QSize(890, 600));
    QCOMPARE(frame->userPanel()->nickname(), QStringLiteral("演示用户"));
    QCOMPARE(frame->userPanel()->membershipPicture(), QStringLiteral("publicImage/vip.png"));
    QCOMPARE(frame->userPanel()->directLinkPicture(), QStringLiteral("publicImage/zhilian.png"));
    // The service's byte counts as sizes, disk first, and the bar at the real level.
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d\\d GB / \\d+(\\.\\d\\d [KMG])?B$"))
                 .match(frame->userPanel()->capacityText())
                 .hasMatch(),
             qPrintable(frame->userPanel()->capacityText()));
    const auto level = frame->userPanel()->capacityLevel();
    QVERIFY(level && *level > 0 && *level < 1);
    // A service that sends its own texts is shown as it says; no level is made up.
    QCOMPARE(app::capacityText("5G", "1M"), std::string("5G / 1M"));
    QVERIFY(!app::capacityLevel("5G", "1M"));
    QCOMPARE(frame->statusText(), MainFrame::tr(MainFrame::kFirstStatus));
    QCOMPARE(harness.client().timerInterval(), CMainWnd::kMainInterval);
    // The first listing of the top folder is there for the disk page.
    const auto tables = harness.client().session().listedTables();
    QVERIFY(tables);
    QVERIFY(!listedEntries(tables->disk_files).empty() ||
            !listedEntries(tables->disk_folders).empty());
    ClientHarness::screenshot(frame, QStringLiteral("main-window.png"));

    // Switching account offers the name the user typed, not the service's number for it.
    harness.client().menuChosen(kSwitchAccount, false);
    QVERIFY(harness.signInWindow());
    QTRY_COMPARE_WITH_TIMEOUT(harness.signInWindow()->accountText(), QStringLiteral("demo"),
                              ClientHarness::kWaitMs);
}

void SignInWindowTest::silentServiceEndsInNetworkMessage() {
    // A service that takes connections and never answers.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    ClientHarness harness;
    harness.environment().config.apiHost = "127.0.0.1:" + std::to_string(silent.serverPort());
    QVERIFY(harness.openSignInWindow());
    SignInWindow* window = harness.signInWindow();

    int paints = 0;
    struct PaintCounter : QObject {
        int* count;
        explicit PaintCounter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter(&paints);
    window->installEventFilter(&counter);

    harness.typeSignIn(QStringLiteral("demo"), QStringLiteral("demo123"));
    QVERIFY(harness.client().signingIn());
    QVERIFY(window->busy());
    // A second click while it runs changes nothing.
    QCOMPARE(harness.client().SignIn("0"), 1);
    window->update();
    QTRY_VERIFY(paints > 0);  // the window paints while the request waits
    QTRY_VERIFY_WITH_TIMEOUT(!harness.client().signingIn(), 30000);
    QCOMPARE(harness.notifier().texts(),
             std::vector<std::string>{"网络连接失败，请检查网络后重试"});
    QVERIFY(!window->errorTipShown());
    QVERIFY(!window->busy());
    window->removeEventFilter(&counter);
}

NUBEXA_QTEST(SignInWindowTest)
#include "sign_in_window_test.moc"
