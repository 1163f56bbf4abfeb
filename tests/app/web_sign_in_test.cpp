// QQ and Sina sign-in: the page opened in a real headless Chromium that a script drives as a
// user; the waiting window, cancel, the same attempt id on a second try, and the hand-over.
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "app/sign_in_window.h"
#include "app/user_panel.h"
#include "app/waiting_dialog.h"
#include "app/web_sign_in_poller.h"
#include "client_harness.h"
#include "support/qt_test_main.h"
#include "support/temp_dir.h"

using namespace nubexa;
using namespace nubexa::app;
using nubexa::test::ClientHarness;

namespace {

// Hands every page to the browser script, which confirms the sign-in as the demo user.
class ChromiumBrowser : public RecordingBrowser {
public:
    void openUrl(const std::string& url) override {
        RecordingBrowser::openUrl(url);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral(NUBEXA_BROWSER_SCRIPT), QString::fromStdString(url),
                         QStringLiteral("demo"), QStringLiteral("demo123"),
                         QString::fromStdString(m_profile.path())});
    }
    bool finished(int limitMs) {
        // waitForFinished() says false for a process that has already ended.
        const bool ended =
            m_process.state() == QProcess::NotRunning || m_process.waitForFinished(limitMs);
        m_output = QString::fromUtf8(m_process.readAll());
        return ended && m_process.exitCode() == 0;
    }
    const QString& output() const { return m_output; }

private:
    QProcess m_process;
    QString m_output;
    nubexa::test::TempDir m_profile;
};

bool browserInstalled() {
    return QFileInfo::exists(QStringLiteral("/usr/bin/chromium")) &&
           QFileInfo::exists(QStringLiteral("/usr/bin/chromedriver")) &&
           QProcess::execute(QStringLiteral("/usr/bin/python3"),
                             {QStringLiteral("-c"), QStringLiteral("import selenium")}) == 0;
}

std::string sidOf(const std::string& url) {
    return url.substr(url.find("&sid=") + 5);
}

}  // namespace

class WebSignInTest : public QObject {
    Q_OBJECT
private slots:
    void cancelThenRetrySendsTheSameSid();
    void signInInChromium();
};

void WebSignInTest::cancelThenRetrySendsTheSameSid() {
    ClientHarness harness;
    QVERIFY(harness.openSignInWindow());
    SignInWindow* window = harness.signInWindow();
    QTest::mouseClick(window->childAt(sign_in_rects::kQQ.center()), Qt::LeftButton);
    WaitingDialog* waiting = harness.client().waitingDialog();
    QVERIFY(waiting && waiting->isVisible());
    QCOMPARE(waiting->windowTitle(), QStringLiteral("检测QQ登录中..."));
    // Frameless: the title is shown inside the window, where the user can read it.
    auto* title = qobject_cast<QLabel*>(waiting->childAt(WaitingDialog::kTitleRect.center()));
    QVERIFY(title && title->isVisible());
    QCOMPARE(title->text(), waiting->windowTitle());
    QCOMPARE(waiting->size(), QSize(280, 120));
    ClientHarness::screenshot(waiting, QStringLiteral("waiting-window.png"));
    QTRY_VERIFY(harness.client().webSignIn()->requests() > 0);
    QCOMPARE(harness.client().session().account().web_signin_state, 1);

    QTest::mouseClick(waiting->childAt(WaitingDialog::kCancel.center()), Qt::LeftButton);
    QVERIFY(!harness.client().waitingDialog());
    QVERIFY(!harness.client().webSignIn());
    QCOMPARE(harness.client().session().account().web_signin_state, 0);

    QTest::mouseClick(window->childAt(sign_in_rects::kSina.center()), Qt::LeftButton);
    QVERIFY(harness.client().waitingDialog());
    QCOMPARE(harness.client().waitingDialog()->windowTitle(), QStringLiteral("检测QQ登录中..."));
    QCOMPARE(harness.client().session().account().web_signin_kind, std::string("sina"));
    const auto urls = harness.browser().urls();
    QCOMPARE(urls.size(), std::size_t(2));
    const std::string page = harness.webBase() + "/clientuserlogin.aspx?type=";
    QCOMPARE(urls[0].substr(0, page.size() + 2), page + "qq");
    QCOMPARE(urls[1].substr(0, page.size() + 4), page + "sina");
    QCOMPARE(sidOf(urls[0]).size(), std::size_t(20));
    QCOMPARE(sidOf(urls[1]), sidOf(urls[0]));
}

void WebSignInTest::signInInChromium() {
    if (!browserInstalled())
        QSKIP("chromium, chromedriver or python3-selenium missing (./run setup installs them)");
    ChromiumBrowser browser;
    ClientHarness harness;
    harness.environment().browser = &browser;
    QVERIFY(harness.openSignInWindow());
    QTest::mouseClick(harness.signInWindow()->childAt(sign_in_rects::kQQ.center()), Qt::LeftButton);
    QVERIFY(harness.client().waitingDialog());
    QTRY_VERIFY_WITH_TIMEOUT(harness.mainFrame() && harness.mainFrame()->isVisible(), 90000);
    QVERIFY2(browser.finished(30000), qPrintable(browser.output()));
    QVERIFY(!harness.client().waitingDialog());
    QCOMPARE(harness.client().session().account().web_signin_state, 0);
    QCOMPARE(harness.mainFrame()->userPanel()->nickname(), QStringLiteral("演示用户"));
    QCOMPARE(harness.client().timerInterval(), CMainWnd::kMainInterval);
}

NUBEXA_QTEST(WebSignInTest)
#include "web_sign_in_test.moc"
