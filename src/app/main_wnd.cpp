#include "app/main_wnd.h"

#include <QApplication>
#include <QMenu>
#include <QScreen>

#include "app/app_menus.h"
#include "app/desktop_notice.h"
#include "app/main_frame.h"
#include "app/queue_watch.h"
#include "app/sign_in_fields.h"
#include "app/sign_in_window.h"
#include "app/tray_icon.h"
#include "app/ui_language.h"
#include "app/user_panel.h"
#include "app/waiting_dialog.h"
#include "app/web_sign_in_poller.h"
#include "picture_catalog.h"
#include "platform/log_sink.h"
#include "service/service_result.h"
#include "service/transport_security.h"

namespace nubexa::app {

namespace {

// Said when a sign-in got no answer at all, so that the user looks at the network rather than
// at the password.
constexpr const char* kNetworkFailed =
    QT_TRANSLATE_NOOP("Messages", "网络连接失败，请检查网络后重试");
constexpr const char* kUnreadableAnswer =
    QT_TRANSLATE_NOOP("Messages", "服务器的回答无法识别，请稍后重试");
// Said once per run when a service on another machine is reached in clear text.
constexpr const char* kClearText = QT_TRANSLATE_NOOP("Messages", "与服务器的连接未加密");
// Said once per run and file server when it refused encryption that nubexa.ini asks for where
// offered: the files travel in clear text.
constexpr const char* kFilesInClear =
    QT_TRANSLATE_NOOP("Messages", "文件服务器 {} 不支持加密，文件以明文传输");
// Said when the remembered password is in the desktop's secret store and it did not give it:
// the user types it rather than hearing that nothing was remembered.
constexpr const char* kSecretStoreSilent =
    QT_TRANSLATE_NOOP("Messages", "系统密钥库没有应答，未能读取记住的密码，请输入密码后登录");
constexpr const char* kSecretStoreMissing =
    QT_TRANSLATE_NOOP("Messages", "找不到系统密钥库，未能读取记住的密码，请输入密码后登录");
// Said when the password to remember did not reach the secret store in time: it may land there
// later or not at all, so the next sign-in may ask for it.
constexpr const char* kPasswordNotKept = QT_TRANSLATE_NOOP(
    "Messages", "系统密钥库没有及时应答，密码可能没有记住，下次登录时可能需要输入密码");
constexpr const char* kQueueBusy = QT_TRANSLATE_NOOP(
    "Messages", "nubexa-cli run 正在传输这台电脑上的任务；它结束后，客户端再接手传输队列。");

SessionConfig sessionConfig(const ClientEnvironment& environment) {
    SessionConfig config;
    config.databasePath = environment.homeFolder + "bin.db";
    config.programFolder = environment.homeFolder;  // the avatar cache must be writable
    config.service = environment.config;
    config.secrets = environment.secrets;
    if (!environment.cacheFolder.empty())
        config.thumbnailFolder = environment.cacheFolder + "thumbnails/";
    if (environment.log) {
        config.log = environment.log;
    } else if (!environment.logFile.empty()) {
        auto log = std::make_shared<FileLogSink>(environment.logFile);
        if (log->isOpen())
            config.log = std::move(log);
    }
    return config;
}

TransferSettings transferSettings(const ClientEnvironment& environment) {
    TransferSettings settings = environment.transfers;
    settings.programFolder = environment.homeFolder;
    return settings;
}

}  // namespace

CMainWnd::CMainWnd(ClientEnvironment environment, QObject* parent)
    : QObject(parent),
      m_environment(std::move(environment)),
      m_notifier(m_environment.notifier),
      m_picker(m_environment.picker ? m_environment.picker : &m_ownPicker),
      m_browser(m_environment.browser ? m_environment.browser : &m_ownBrowser),
      m_pictures(QString::fromStdString(m_environment.programFolder + "image/"),
                 pictureWordsFolder()),
      m_addresses(m_environment.config),
      m_view(m_bridge),
      m_requests(m_bridge) {
    if (!m_notifier) {
        m_ownNotifier = std::make_unique<QtNotifier>(m_bridge);
        m_notifier = m_ownNotifier.get();
    }
    m_session = std::make_unique<ClientSession>(sessionConfig(m_environment), *m_notifier);
    m_session->startTransfers(transferSettings(m_environment), m_view);
    m_session->setTransferListener(&m_bridge);
    // A session the service ended is taken up again, once, with the remembered password; without
    // one the tasks that needed it wait with the service's words until the user signs in again.
    m_session->setSessionRenewer([this] { return m_session->renewSignIn(); });
    connect(&m_bridge, &GuiBridge::fileServerInClearSeen, this, [this](const QString& host) {
        if (m_main) {
            TransportSecurity security = transportSecurity(m_environment.config);
            security.filesEncrypted = false;
            m_main->userPanel()->showTransport(security);
        }
        if (!m_hostsSaidInClear.contains(host)) {
            m_hostsSaidInClear.insert(host);
            std::string text = QCoreApplication::translate("Messages", kFilesInClear).toStdString();
            text.replace(text.find("{}"), 2, host.toStdString());
            m_notifier->showMessage({}, text);
        }
    });
    connect(&m_bridge, &GuiBridge::avatarArrived, this, [this](const QString& path) {
        if (m_main)
            m_main->userPanel()->showAvatar(path);
    });
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CMainWnd::onTimer);
    if (m_environment.useTray && TrayIcon::available()) {
        m_tray = std::make_unique<TrayIcon>(m_pictures.programIcon(),
                                            [this] { return buildMenu(true); });
        connect(m_tray.get(), &TrayIcon::showWindowRequested, this, &CMainWnd::showWindow);
    }
    DesktopNotice* notice = m_environment.desktopNotice;
    if (!notice) {
        m_ownNotice = std::make_unique<SystemDesktopNotice>([this] { return m_tray.get(); });
        notice = m_ownNotice.get();
    }
    m_watch = std::make_unique<QueueWatch>(*m_session, *notice);
    connect(&m_bridge, &GuiBridge::transferEnded, m_watch.get(), &QueueWatch::workerEnded);
    // A registered upload takes space: the capacity under the avatar follows.
    connect(&m_bridge, &GuiBridge::transferEnded, this, [this](const WorkerReport& report) {
        if (report.direction == Direction::kUpload &&
            report.outcome == WorkerReport::Outcome::kCompleted) {
            m_session->countUploadedBytes(report.fileSize);
            showCapacity();
        }
    });
    if (m_tray) {
        connect(m_watch.get(), &QueueWatch::progressTipChanged, m_tray.get(),
                &TrayIcon::setProgressTip);
    }
}

void CMainWnd::showCapacity() {
    if (m_main) {
        const AccountInfo account = m_session->account();
        m_main->userPanel()->showCapacity(account.disk_size, account.used_size);
    }
}

CMainWnd::~CMainWnd() {
    stopEverything();
    for (const QPointer<QWidget>& window : m_closing)
        delete window.data();
}

SignInWindow* CMainWnd::signInWindow() const {
    return m_signIn;
}

MainFrame* CMainWnd::mainFrame() const {
    return m_main;
}

WaitingDialog* CMainWnd::waitingDialog() const {
    return m_waiting;
}

int CMainWnd::OpenWindow() {
    if (m_stopped)
        return 0;
    return m_session->account().signed_in ? buildMainWindow(m_session->drivesQueue())
                                          : buildSignInWindow();
}

void CMainWnd::ownDialogsBy(QWidget* window) {
    m_ownPicker.setOwner(window);
    if (m_ownNotifier)
        m_ownNotifier->setOwner(window);
}

int CMainWnd::buildSignInWindow() {
    auto* window = new SignInWindow(m_pictures);
    m_signIn = window;
    ownDialogsBy(window);
    connect(window, &SignInWindow::signInClicked, this, [this] { SignIn(); });
    connect(window, &SignInWindow::closeClicked, this, [this] { leave(1); });
    connect(window, &SignInWindow::forgotPasswordClicked, this,
            [this] { m_browser->openUrl(m_addresses.webPage("/reset.aspx")); });
    connect(window, &SignInWindow::registerClicked, this,
            [this] { m_browser->openUrl(m_addresses.webPage("/register.aspx")); });
    connect(window, &SignInWindow::webSignInClicked, this,
            [this](const QString& kind) { ShowWebSignIn(kind.toStdString()); });
    if (m_tray)
        m_tray->add();

    setTimerInterval(kSignInInterval);
    // In the middle of the screen, where a person looks first; not in its top left corner.
    if (const QScreen* screen = window->screen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    window->show();

    // The last user comes from bin.db and the secret store, which may take seconds to answer:
    // read off the GUI thread, filled in (and signed in automatically) once it is there.
    ++m_lastUserReads;
    ClientSession& session = *m_session;
    QPointer<SignInWindow> shown(window);
    m_requests.run<LastSignIn>(
        this, [&session] { return session.lastSignIn(); },
        [this, shown](const LastSignIn& last) {
            --m_lastUserReads;
            applyLastUser(shown, last);
        });
    return 1;
}

void CMainWnd::applyLastUser(SignInWindow* window, const LastSignIn& last) {
    // A window closed meanwhile, or fields the user has begun to fill: the user's own wins.
    if (!window || window != m_signIn || m_stopped || m_signingIn || window->typedInto())
        return;
    window->fill(last);
    if (last.password == PasswordRead::kNoAnswer)
        m_notifier->showMessage({}, kSecretStoreSilent);
    if (last.password == PasswordRead::kNoStore)
        m_notifier->showMessage({}, kSecretStoreMissing);
    if (!last.user || last.user->autoLogin != "1")
        return;
    window->setAutoSignIn(true);
    // Without the password the user has just been told why; a message more would say nothing.
    if (!last.secretStoreFailed() && m_session->account().suppress_auto_login == 0)
        SignIn();
}

int CMainWnd::SignIn(const std::string& carry) {
    if (!m_signIn)
        return 0;
    // A second click while the first sign-in runs is ignored.
    if (m_signingIn)
        return 1;
    const SignInFields fields = checkSignInFields(m_signIn->accountText().toStdString(),
                                                  m_signIn->passwordText().toStdString());
    if (!fields.message.empty()) {
        m_notifier->showMessage({}, fields.message);
        return 0;
    }
    const bool remember = m_signIn->rememberPassword();
    const bool autoLogin = m_signIn->autoSignIn();
    m_signingIn = true;
    m_signIn->setBusy(true);

    PasswordSignIn request;
    request.account = fields.account;
    request.password = fields.password;
    request.rememberPassword = remember;
    request.autoLogin = autoLogin;
    if (!carry.empty())
        request.autoResume = carry == "1";
    request.fetchAvatar = true;
    request.firstListing = true;
    request.takeQueue = true;
    m_requests.run<SignInResult>(
        this, [this, request] { return m_session->signIn(request); },
        [this](SignInResult result) { applySignIn(result); });
    return 1;
}

void CMainWnd::applySignIn(const SignInResult& result) {
    m_signingIn = false;
    if (!m_signIn || m_stopped)
        return;
    m_signIn->setBusy(false);
    switch (result.failure) {
        case Failure::kRefused:
            // A lock-out is no wrong password: the service's words say how long it lasts.
            if (result.wrongPassword())
                m_signIn->showErrorTip();
            else
                m_notifier->showMessage({}, result.refusal);
            return;
        case Failure::kNoAnswer:
            m_notifier->showMessage({}, kNetworkFailed);
            return;
        case Failure::kMalformed:
            m_notifier->showMessage({}, kUnreadableAnswer);
            return;
        case Failure::kUntrusted:
            m_notifier->showMessage({}, m_session->certificateProblem());
            return;
        case Failure::kStopped:
        case Failure::kStale:
            return;
        case Failure::kNone: {
            const bool notKept =
                m_signIn->rememberPassword() && result.passwordKept == PasswordPlace::kNowhere;
            if (m_tray)
                m_tray->remove();
            closeWindows();
            buildMainWindow(result.transfersStarted,
                            QSize(result.windowWidth, result.windowHeight));
            // Over the main window: the sign-in window is gone.
            if (notKept)
                m_notifier->showMessage({}, kPasswordNotKept);
            return;
        }
    }
}

void CMainWnd::ShowWebSignIn(const std::string& kind) {
    if (!m_signIn || m_poller || m_signingIn)
        return;
    std::string sid;
    m_session->updateAccount([&](AccountInfo& account) {
        account.web_signin_state = 1;
        account.web_signin_kind = kind;
        sid = account.sid;
    });
    m_browser->openUrl(m_addresses.webSignIn(kind, sid));

    auto* dialog = new WaitingDialog(m_pictures, m_signIn);
    m_waiting = dialog;
    connect(dialog, &WaitingDialog::cancelClicked, this, &CMainWnd::cancelWebSignIn);
    connect(dialog, &QDialog::rejected, this, &CMainWnd::cancelWebSignIn);
    m_poller = std::make_unique<WebSignInPoller>(*m_session);
    dialog->open();
}

void CMainWnd::cancelWebSignIn() {
    m_session->updateAccount([](AccountInfo& account) { account.web_signin_state = 0; });
    if (m_poller) {
        // The thread ends after its request in flight; it is joined once it has.
        m_poller->stop();
        m_stoppedPollers.push_back(std::move(m_poller));
    }
    if (m_waiting) {
        m_waiting->disconnect(this);
        m_waiting->hide();
        m_waiting->deleteLater();
        m_closing.push_back(m_waiting.data());
        m_waiting.clear();
    }
}

void CMainWnd::completeWebSignIn() {
    m_session->updateAccount([](AccountInfo& account) { account.web_signin_state = 0; });
    const SignInResult result = m_poller->result();
    m_poller.reset();
    if (m_tray)
        m_tray->remove();
    closeWindows();
    buildMainWindow(result.transfersStarted, QSize(result.windowWidth, result.windowHeight));
}

int CMainWnd::buildMainWindow(bool queueTaken, QSize size) {
    const AccountInfo account = m_session->account();
    auto* frame = new MainFrame(m_pictures, account, m_environment.homeFolder);
    m_main = frame;
    if (size.isValid()) {
        // Never below the least size, nor beyond the screen it opens on.
        QSize fits = size.expandedTo(frame->minimumSize());
        if (const QScreen* screen = frame->screen())
            fits = fits.boundedTo(screen->availableSize()).expandedTo(frame->minimumSize());
        frame->resize(fits);
    }
    connect(frame, &MainFrame::sizeChosen, this, [this](const QSize& chosen) {
        ClientSession& session = *m_session;
        m_requests.run<bool>(
            this,
            [&session, chosen] { return session.saveWindowSize(chosen.width(), chosen.height()); },
            [](bool) {});
    });
    frame->userPanel()->showTransport(transportSecurity(m_environment.config));
    if (!m_clearTextWarned && clearTextLeavesThisMachine(m_environment.config, account.ftp_host)) {
        m_clearTextWarned = true;
        m_notifier->showMessage({}, kClearText);
    }
    ownDialogsBy(frame);
    if (m_tray)
        m_tray->add();
    if (!queueTaken)
        tellQueueBusy();
    m_view.setFrame(frame);
    setTimerInterval(kMainInterval);

    connect(frame, &MainFrame::closeClicked, this, [this] {
        if (!m_main)
            return;
        // Without a tray the hidden window could not be brought back: minimise instead.
        if (m_tray) {
            m_main->hide();
        } else {
            m_main->showMinimized();
        }
    });
    connect(frame, &MainFrame::skinClicked, this, &CMainWnd::skinRequested);
    connect(frame, &MainFrame::menuRequested, this, [this](const QPoint& where) {
        QMenu* menu = buildMenu(false);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(where);
    });
    connect(frame, &MainFrame::webPageRequested, this,
            [this](const QString& path) { openShortcut(m_addresses.webPage(path.toStdString())); });
    connect(&frame->toolbar(), &Toolbar::clicked, this, [this](Toolbar::Button which) {
        switch (which) {
            case Toolbar::kMyDisk:
            case Toolbar::kCount:
                break;
            case Toolbar::kDraw:
                emit drawRequested();
                break;
            case Toolbar::kCommunity:
                openShortcut(m_addresses.communityRoot());
                break;
            case Toolbar::kFriends:
                openShortcut(m_addresses.webPage("/home"));
                break;
            case Toolbar::kResources:
                openShortcut(m_addresses.resourceRoot());
                break;
            case Toolbar::kWebHost:
                openShortcut(m_addresses.webhostRoot());
                break;
        }
    });
    emit mainWindowBuilt(frame);
    frame->show();
    return 1;
}

void CMainWnd::tellQueueBusy() {
    if (m_main && !m_main->property("queueBusyTold").toBool()) {
        m_main->setProperty("queueBusyTold", true);
        m_notifier->showMessage(QT_TRANSLATE_NOOP("Messages", "提示"), kQueueBusy);
    }
}

void CMainWnd::takeQueueLater() {
    if (m_takingQueue)
        return;
    m_takingQueue = true;
    m_requests.run<bool>(
        this, [this] { return m_session->takeQueue(); },
        [this](bool taken) {
            m_takingQueue = false;
            if (!taken)
                tellQueueBusy();
        });
}

void CMainWnd::tickQueueLater() {
    // A tick still out (bin.db held by another writer) is not overtaken by the next one.
    if (m_ticking)
        return;
    m_ticking = true;
    m_requests.run<QueueWatch::Sample>(
        this,
        [this] {
            m_session->monitorTick();
            return m_watch->sample();
        },
        [this](QueueWatch::Sample sample) {
            m_ticking = false;
            m_watch->apply(sample);
            emit queueTicked();
        });
}

void CMainWnd::openShortcut(const std::string& target) {
    m_browser->openUrl(m_addresses.shortcut(m_session->account().param_token, target));
}

void CMainWnd::onTimer() {
    const AccountInfo account = m_session->account();
    std::erase_if(m_stoppedPollers, [](const auto& poller) { return poller->ended(); });
    if (account.web_signin_state != 0) {
        // The hand-over waits until webSignIn has returned: it fills the account after it
        // marks it signed in.
        if (account.signed_in == 1 && m_poller && m_poller->signedIn())
            completeWebSignIn();
        return;
    }
    if (!m_main)
        return;
    if (!m_session->drivesQueue())
        takeQueueLater();
    if (m_session->drivesQueue())
        tickQueueLater();
    emit mainTimerTicked();
}

QMenu* CMainWnd::buildMenu(bool tray) {
    const bool signedIn = m_session->account().signed_in == 1 && m_main;
    QMenu* menu = buildAppMenu(tray ? MenuKind::kTray : MenuKind::kTitleBar, signedIn);
    connect(menu, &QMenu::triggered, this,
            [this, tray](QAction* action) { menuChosen(action->data().toInt(), tray); });
    return menu;
}

void CMainWnd::menuChosen(int item, bool fromTray) {
    switch (item) {
        case kVisitWebSite:
            m_browser->openUrl(m_addresses.webRoot());
            break;
        case kShowWindow:
            showWindow();
            break;
        case kSettings:
            emit settingsRequested();
            break;
        case kSyncFolders:
            emit syncFoldersRequested();
            break;
        case kSwitchAccount:
            switchAccount(!fromTray);
            break;
        case kAbout:
            m_browser->openUrl(m_addresses.aboutRoot());
            break;
        case kHelp:
            m_browser->openUrl(m_addresses.webPage("/help/"));
            break;
        case kQuit:
            leave(fromTray ? 0 : 1);
            break;
        default:
            break;
    }
}

void CMainWnd::switchAccount(bool fromTitleBar) {
    if (fromTitleBar)
        m_session->updateAccount([](AccountInfo& account) { account.web_signin_state = 0; });
    m_session->resetAccount();
    if (fromTitleBar)
        m_session->updateAccount([](AccountInfo& account) { account.suppress_auto_login = 1; });
    if (m_tray)
        m_tray->remove();
    // Running transfers go on; the next main window shows them again.
    closeWindows();
    OpenWindow();
}

void CMainWnd::showWindow() {
    QWidget* window = m_main ? static_cast<QWidget*>(m_main) : m_signIn.data();
    if (!window)
        return;
    window->showNormal();
    window->raise();
    window->activateWindow();
}

void CMainWnd::leave(int exitCode) {
    stopEverything();
    emit finished(exitCode);
}

void CMainWnd::closeWindows() {
    emit windowsClosing();
    // Later, not now: the window may be the sender of the click being handled.
    for (QWidget* window :
         {static_cast<QWidget*>(m_waiting.data()), static_cast<QWidget*>(m_signIn.data()),
          static_cast<QWidget*>(m_main.data())}) {
        if (!window)
            continue;
        window->disconnect(this);
        window->hide();
        window->deleteLater();
        m_closing.push_back(window);
    }
    std::erase_if(m_closing, [](const QPointer<QWidget>& window) { return window.isNull(); });
    m_waiting.clear();
    m_signIn.clear();
    m_main.clear();
}

void CMainWnd::setTimerInterval(int milliseconds) {
    m_timer.start(milliseconds);
}

void CMainWnd::stopEverything() {
    if (m_stopped)
        return;
    m_stopped = true;
    m_timer.stop();
    if (m_poller)
        m_poller->stop();
    for (auto& poller : m_stoppedPollers)
        poller->stop();
    if (m_tray)
        m_tray->remove();
    closeWindows();
    // Requests in flight end at once; the jobs that use the session end before it stops; every
    // transfer stops within a data tick and its row stays resumable. Nothing is written after
    // this, and no thread is cut off mid-write.
    m_session->stopRequests();
    m_requests.waitForAll();
    m_session->shutdown();
    m_poller.reset();
    m_stoppedPollers.clear();
    m_session->closeStore();
}

}  // namespace nubexa::app
