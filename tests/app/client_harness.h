#pragma once

#include <QString>
#include <QTest>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/client_environment.h"
#include "app/desktop_notice.h"
#include "platform/browser.h"
#include "platform/notifier.h"
#include "session/sign_in.h"
#include "standin/standin_service.h"
#include "support/temp_dir.h"

namespace nubexa {
class ClientSession;
}

namespace nubexa::app {
class CMainWnd;
class MainFrame;
class SignInWindow;
}  // namespace nubexa::app

namespace nubexa::test {

// The desktop client against the stand-in service, for GUI tests on the offscreen platform:
// the service runs in this process on free loopback ports with the demo data; the client gets
// a bin.db and a program folder of its own (with the built pictures) and records its messages
// and the pages it opens instead of showing them.
//
//   ClientHarness harness;
//   QVERIFY(harness.signIn());            // sign-in window, demo account, main window open
//   harness.client().mainFrame()->...
class ClientHarness {
public:
    static constexpr int kWaitMs = 15000;

    ClientHarness();
    ~ClientHarness();  // ends the client (every thread joined), then the service
    ClientHarness(const ClientHarness&) = delete;
    ClientHarness& operator=(const ClientHarness&) = delete;

    // Starts (again) on the same data folder and the same ports once it had them.
    void startService();
    void stopService();
    int httpPort() const { return m_httpPort; }

    // The client, made at first use (no window yet); ended by endClient().
    app::CMainWnd& client();
    void endClient();
    // Environment of the next client: the test may change it before client() makes one.
    app::ClientEnvironment& environment() { return m_environment; }

    // OpenWindow; true when the sign-in window is shown and filled from the last user.
    bool openSignInWindow();
    // Types into the sign-in window's fields (focus moves as a user's would) and clicks the
    // sign-in button.
    void typeSignIn(const QString& account, const QString& password);
    // Opens the sign-in window when needed, signs in and waits for the main window.
    bool signIn(const QString& account = QStringLiteral("demo"),
                const QString& password = QStringLiteral("demo123"));
    // Records a remembered sign-in of `account` as an earlier session would have.
    void rememberSignIn(const std::string& uid, const std::string& password, bool autoLogin,
                        const std::string& autoResume = "0");
    // A session of the test's own on the client's bin.db and the stand-in, signed in to the demo
    // account without recording it, as another front end (nubexa-cli) holds one: what the client
    // left in bin.db and at the service, read the way the front ends read it, also once the
    // client has left. No secret store: what it reads is what bin.db holds. Ended with the
    // harness.
    ClientSession& aside();
    // A new sign-in of aside() (to `account`): the account and the look the client's next
    // sign-in reads.
    SignInResult signInAside(const std::string& account = "demo",
                             const std::string& password = "demo123");
    // The last user as bin.db alone holds it; none when nobody signed in.
    std::optional<LastUser> lastUserInBinDb();
    // The size of `fileName` in the demo user's top folder at the service; none when it is not
    // there.
    std::optional<std::int64_t> topFolderFileSize(const std::string& fileName);

    app::SignInWindow* signInWindow();
    app::MainFrame* mainFrame();

    RecordingNotifier& notifier() { return m_notifier; }
    RecordingBrowser& browser() { return m_browser; }
    app::RecordingDesktopNotice& desktopNotices() { return m_desktopNotices; }
    std::string homeFolder() const { return m_dir.path() + "/home/"; }
    std::string programFolder() const { return m_dir.path() + "/program/"; }
    std::string databasePath() const { return homeFolder() + "bin.db"; }
    std::string webBase() const { return "http://127.0.0.1:" + std::to_string(m_httpPort); }
    // Service log lines that contain `text`.
    int countLogLines(const std::string& text) const;
    // Service log lines that contain `text`, in order.
    std::vector<std::string> logLines(const std::string& text) const;
    // The demo account's uid at the stand-in.
    std::string demoUid();

    // Writes a PNG of `widget` to $NUBEXA_SCREENSHOT_DIR (when set) as `name`.
    static void screenshot(QWidget* widget, const QString& name);

private:
    void preparePictures();

    TempDir m_dir;
    std::unique_ptr<standin::StandinService> m_service;
    int m_httpPort = 0;
    int m_ftpPort = 0;
    mutable std::mutex m_logMutex;
    std::vector<std::string> m_log;
    RecordingNotifier m_notifier;
    RecordingBrowser m_browser;
    app::RecordingDesktopNotice m_desktopNotices;
    app::ClientEnvironment m_environment;
    std::unique_ptr<app::CMainWnd> m_client;
    RecordingNotifier m_asideNotifier;
    std::unique_ptr<ClientSession> m_aside;
};

}  // namespace nubexa::test
