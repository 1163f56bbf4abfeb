#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/client_environment.h"
#include "app/frame_view.h"
#include "app/gui_bridge.h"
#include "app/picture_cache.h"
#include "app/qt_platform.h"
#include "app/request_runner.h"
#include "app/web_addresses.h"
#include "session/client_session.h"

namespace nubexa::app {

class DesktopNotice;
class QueueWatch;
class SignInWindow;
class TrayIcon;
class WaitingDialog;
class WebSignInPoller;

// The client's one window object: it owns the core's session (store, web client, transfers with
// their queue, monitor and task commands), shows the sign-in window or the main window, runs the
// window timer (503: every second in the sign-in window, every three seconds in the main window)
// and the tray, and leaves.
//
// GUI thread only. Blocking core calls run through requests() and come back on the GUI thread;
// other threads reach it only through bridge(). The transfers live as long as the client: a
// switch of account does not stop them.
class CMainWnd : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimerId = 503;
    static constexpr int kSignInInterval = 1000;
    static constexpr int kMainInterval = 3000;

    explicit CMainWnd(ClientEnvironment environment, QObject* parent = nullptr);
    ~CMainWnd() override;  // stops and joins every thread it started

    // The sign-in window, or the main window once signed in. 1 when a window is shown;
    // 0 when none could be (the caller then does not run the event loop). The sign-in window
    // is filled from the last user, and signs in by itself, once that is read (off the GUI
    // thread: the secret store may take seconds to answer); a failed automatic sign-in leaves
    // the window open with its message.
    int OpenWindow();
    // Signs in with the fields of the sign-in window; carry is the automatic-resume choice
    // ("1" or "0") for the new sign-in record, empty: the user's own from the last sign-in, on
    // at a user's first. 0 when a field stopped it (after the message), else 1: the sign-in runs
    // and its result is shown when it comes.
    int SignIn(const std::string& carry = {});
    // QQ or Sina ("qq", "sina"): opens the page in the browser and waits for the service.
    void ShowWebSignIn(const std::string& kind);
    void cancelWebSignIn();

    // Opens a page through the service's token forwarding (signs the user in on the site).
    void openShortcut(const std::string& target);
    // Back to the sign-in window; from the title bar, automatic sign-in stays off.
    void switchAccount(bool fromTitleBar);
    // Stops every transfer, closes the store and ends with `exitCode` (finished()).
    void leave(int exitCode);
    // Shows the open window (tray, second start).
    void showWindow();
    // Shows the account's capacity as it now stands (after a draw, say).
    void showCapacity();

    ClientSession& session() { return *m_session; }
    Notifier& notifier() { return *m_notifier; }
    Picker& picker() { return *m_picker; }
    Browser& browser() { return *m_browser; }
    PictureCache& pictures() { return m_pictures; }
    GuiBridge& bridge() { return m_bridge; }
    RequestRunner& requests() { return m_requests; }
    // The queue's progress for the tray and the desktop notifications.
    QueueWatch& queueWatch() { return *m_watch; }
    TrayIcon* tray() const { return m_tray.get(); }
    const WebAddresses& addresses() const { return m_addresses; }
    const ClientEnvironment& environment() const { return m_environment; }

    SignInWindow* signInWindow() const;
    MainFrame* mainFrame() const;
    WaitingDialog* waitingDialog() const;
    // The web sign-in of the moment; null when none runs.
    WebSignInPoller* webSignIn() const { return m_poller.get(); }
    bool signingIn() const { return m_signingIn; }
    // The last user is being read for a sign-in window (its fields are filled after).
    bool readingLastUser() const { return m_lastUserReads > 0; }
    int timerInterval() const { return m_timer.interval(); }
    // Until a window is built again no tick comes (tests that would see what follows without).
    void stopTimer() { m_timer.stop(); }
    // Whether this client drives the transfer queue (no nubexa-cli run does).
    bool drivesQueue() const { return m_session->drivesQueue(); }

    // The menu the tray or the title bar shows now; a new one at each call.
    QMenu* buildMenu(bool tray);
    // What a chosen menu item does.
    void menuChosen(int item, bool fromTray);

signals:
    // The main window was built, before it is shown: the disk browser puts its pages in.
    void mainWindowBuilt(nubexa::app::MainFrame* frame);
    // Each tick of the main window's timer (notices rotate here).
    void mainTimerTicked();
    // A tick of the transfer monitor and the queue's watch has been applied.
    void queueTicked();
    void settingsRequested();
    void syncFoldersRequested();
    // The windows are about to close (sign-out, leaving): whatever works for the signed-in
    // user stops now, before the session does.
    void windowsClosing();
    void skinRequested();
    void drawRequested();
    // The client has stopped everything; the process ends with this code.
    void finished(int exitCode);

private:
    int buildSignInWindow();
    // GUI thread: the last user read for `window`, if it is still the one open.
    void applyLastUser(SignInWindow* window, const LastSignIn& last);
    // The window that owns file pickers and message boxes while no dialog is open.
    void ownDialogsBy(QWidget* window);
    // queueTaken: this client drives the queue; otherwise the user hears why not once.
    // `size`: the size the window had last (none: its default).
    int buildMainWindow(bool queueTaken, QSize size = {});
    void closeWindows();
    void applySignIn(const SignInResult& result);
    void completeWebSignIn();
    void onTimer();
    // Off the GUI thread: takes the queue once no nubexa-cli run holds it.
    void takeQueueLater();
    // Off the GUI thread: the transfer monitor's tick and the queue's watch.
    void tickQueueLater();
    void tellQueueBusy();
    void stopEverything();
    void setTimerInterval(int milliseconds);

    ClientEnvironment m_environment;
    GuiBridge m_bridge;
    std::unique_ptr<QtNotifier> m_ownNotifier;
    QtPicker m_ownPicker;
    DesktopBrowser m_ownBrowser;
    Notifier* m_notifier;
    Picker* m_picker;
    Browser* m_browser;
    PictureCache m_pictures;
    WebAddresses m_addresses;
    FrameView m_view;  // before the session: its queue and monitor keep it
    std::unique_ptr<ClientSession> m_session;
    RequestRunner m_requests;  // after the core: its jobs use it
    std::unique_ptr<WebSignInPoller> m_poller;
    std::vector<std::unique_ptr<WebSignInPoller>> m_stoppedPollers;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<DesktopNotice> m_ownNotice;
    std::unique_ptr<QueueWatch> m_watch;  // after the session and the tray: it uses both

    QTimer m_timer;
    QPointer<SignInWindow> m_signIn;
    QPointer<MainFrame> m_main;
    QPointer<WaitingDialog> m_waiting;
    std::vector<QPointer<QWidget>> m_closing;  // deleted later; the rest when this object ends
    bool m_signingIn = false;
    int m_lastUserReads = 0;  // reads of the last user still out
    bool m_takingQueue = false;
    bool m_ticking = false;
    bool m_stopped = false;
    bool m_clearTextWarned = false;    // once per run: a clear road to another machine
    QSet<QString> m_hostsSaidInClear;  // file servers that refused encryption, said once each
};

}  // namespace nubexa::app
