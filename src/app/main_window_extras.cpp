#include "app/main_window_extras.h"

#include <random>

#include "app/capacity_draw.h"
#include "app/draw_result_dlg.h"
#include "app/main_frame.h"
#include "app/main_frame_rects.h"
#include "app/main_wnd.h"
#include "app/notice_link.h"
#include "app/skin_dlg.h"
#include "app/system_set_dlg.h"
#include "platform/autostart.h"
#include "platform/paths.h"
#include "session/client_session.h"
#include "session/system_settings.h"

namespace nubexa::app {

MainWindowExtras* MainWindowExtras::installInto(CMainWnd& client) {
    return new MainWindowExtras(client);
}

MainWindowExtras::MainWindowExtras(CMainWnd& client)
    : QObject(&client), m_client(client), m_autostart(makeSessionAutostart()) {
    auto engine = std::make_shared<std::mt19937>(std::random_device{}());
    m_random = [engine] {
        return std::uniform_int_distribution<int>(0, capacity_draw::kRandomMax)(*engine);
    };
    connect(&client, &CMainWnd::mainWindowBuilt, this, &MainWindowExtras::mainWindowBuilt);
    connect(&client, &CMainWnd::settingsRequested, this, &MainWindowExtras::openSettings);
    connect(&client, &CMainWnd::skinRequested, this, &MainWindowExtras::openSkins);
    connect(&client, &CMainWnd::drawRequested, this, &MainWindowExtras::draw);
    connect(&client, &CMainWnd::mainTimerTicked, this, &MainWindowExtras::rotateNotice);
}

MainWindowExtras::~MainWindowExtras() = default;

CSystemSetDlg* MainWindowExtras::settingsDialog() const {
    return m_settings;
}

CSkinDlg* MainWindowExtras::skinDialog() const {
    return m_skin;
}

DrawResultDlg* MainWindowExtras::drawResult() const {
    return m_drawResult;
}

NoticeLink* MainWindowExtras::noticeLink() const {
    return m_link;
}

void MainWindowExtras::setAutostart(std::unique_ptr<Autostart> autostart) {
    m_autostart = std::move(autostart);
}

void MainWindowExtras::mainWindowBuilt(MainFrame* frame) {
    // Every main window starts on the picture the sign-in gave it; the chooser opens on that
    // skin rather than on the first one.
    m_currentSkin = CSkinDlg::indexOf(frame->background());
    m_notices.reset({});
    auto* link = new NoticeLink(
        QCoreApplication::translate("nubexa::app::NoticeRotation", NoticeRotation::kFallbackTitle));
    m_link = link;
    connect(link, &NoticeLink::clicked, this, &MainWindowExtras::openNotice);
    frame->setNoticeLink(link);

    ClientSession& session = m_client.session();
    m_client.requests().run<Announcements>(
        link, [&session] { return session.announcements(); },
        [this](Announcements notices) { showNotices(std::move(notices)); });
}

void MainWindowExtras::showNotices(Announcements notices) {
    m_notices.reset(std::move(notices));
    if (m_link)
        m_link->setNotice(QString::fromStdString(m_notices.title()));
}

void MainWindowExtras::rotateNotice() {
    if (!m_link)
        return;
    if (m_notices.tick(m_link->hasFocus()))
        m_link->setNotice(QString::fromStdString(m_notices.title()));
}

void MainWindowExtras::openNotice() {
    const std::string address = m_notices.address();
    m_client.browser().openUrl(address.empty() ? m_client.addresses().webPage(kRecommendPage)
                                               : address);
}

void MainWindowExtras::openSettings() {
    if (m_settings) {
        m_settings->raise();
        m_settings->activateWindow();
        return;
    }
    QWidget* owner = m_client.mainFrame();
    if (!owner || m_settingsLoading)
        return;
    // The choices are read off the GUI thread; the dialog shows once they are there.
    m_settingsLoading = true;
    ClientSession& session = m_client.session();
    const std::string uid = session.account().uid;
    m_client.requests().run<SystemSettings>(
        this, [&session, uid] { return session.loadSystemSettings(uid); },
        [this, uid](const SystemSettings& stored) {
            m_settingsLoading = false;
            // The window closed or another user signed in meanwhile: nothing to show.
            QWidget* frame = m_client.mainFrame();
            if (frame && m_client.session().account().uid == uid)
                showSettings(frame, uid, stored);
        });
}

void MainWindowExtras::showSettings(QWidget* owner, const std::string& uid,
                                    const SystemSettings& stored) {
    ClientSession& session = m_client.session();
    Autostart& autostart = *m_autostart;
    const std::string program = nubexa::programFolder() + "nubexa-client";
    auto* dialog = new CSystemSetDlg(
        CSystemSetDlg::Context{m_client.requests(), m_client.notifier(), stored,
                               [&session, &autostart, uid, program](const SystemSettings& chosen) {
                                   return session.saveSystemSettings(autostart, uid, program,
                                                                     chosen);
                               }},
        owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_settings = dialog;
    dialog->open();
}

void MainWindowExtras::openSkins() {
    MainFrame* frame = m_client.mainFrame();
    if (!frame || m_skin)
        return;
    auto* popup = new CSkinDlg(*frame, m_currentSkin);
    m_skin = popup;
    connect(popup, &CSkinDlg::skinApplied, this, [this](int index) {
        m_currentSkin = index;
        // Kept for the user's next sign-in.
        ClientSession& session = m_client.session();
        const std::string picture = CSkinDlg::backgroundOf(index).toStdString();
        m_client.requests().run<bool>(
            this, [&session, picture] { return session.saveSkin(picture); }, [](bool) {});
    });
    const QRect button = main_frame_rects::skinButton(frame->size());
    popup->showUnder(QRect(frame->mapToGlobal(button.topLeft()), button.size()));
}

void MainWindowExtras::draw() {
    MainFrame* frame = m_client.mainFrame();
    // One draw at a time: a second click while the service is asked sends nothing more.
    if (!frame || m_drawRunning || m_drawResult)
        return;
    const AccountInfo account = m_client.session().account();
    if (account.draw_count <= 0) {
        showDrawResult(false, capacity_draw::kAlreadyDrawn);
        return;
    }
    const capacity_draw::Amount amount =
        capacity_draw::amount(account.draw_count, account.max_draw_size, m_random());
    m_drawRunning = true;
    ClientSession& session = m_client.session();
    m_client.requests().run<int>(
        this, [&session, amount] { return session.bookDrawnSpace(amount.bytesText); },
        [this, amount](int booked) {
            m_drawRunning = false;
            if (booked == 0) {
                showDrawResult(false, capacity_draw::kAlreadyDrawn);
                return;
            }
            showDrawResult(true, capacity_draw::wonMessage(amount));
            m_client.showCapacity();
        });
}

void MainWindowExtras::showDrawResult(bool won, const std::string& message) {
    MainFrame* frame = m_client.mainFrame();
    if (!frame)
        return;
    auto* dialog = new DrawResultDlg(QCoreApplication::translate("Messages", message.c_str()),
                                     won ? tr("确定") : tr("知道了"), frame);
    m_drawResult = dialog;
    dialog->open();
}

}  // namespace nubexa::app
