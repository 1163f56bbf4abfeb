// The main window after a sign-in at the stand-in: clicks at the window's coordinates, the web
// shortcuts, the menus, switching account, closing, the status text and leaving.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <thread>

#include "app/app_menus.h"
#include "app/desktop_notice.h"
#include "app/image_button.h"
#include "app/main_frame.h"
#include "app/main_frame_rects.h"
#include "app/main_wnd.h"
#include "app/qt_platform.h"
#include "app/sign_in_window.h"
#include "app/user_panel.h"
#include "client_harness.h"
#include "session/client_session.h"
#include "support/prepared_bin_db.h"
#include "support/qt_test_main.h"
#include "support/temp_dir.h"

using namespace nubexa;
using namespace nubexa::app;
using nubexa::test::ClientHarness;
namespace rects = nubexa::app::main_frame_rects;

namespace {

QList<int> itemsOf(CMainWnd& client, bool tray) {
    std::unique_ptr<QMenu> menu(client.buildMenu(tray));
    return menuItems(*menu);
}

// The control the window has at `point` (window coordinates), clicked there.
QWidget* clickAt(QWidget* window, QPoint point) {
    QWidget* target = window->childAt(point);
    if (target)
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(window, point));
    return target;
}

QMessageBox* boxSaying(const QString& text) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (box && box->isVisible() && box->text() == text)
            return box;
    }
    return nullptr;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void controlsSitWhereTheyBelong();
    void toolbarOpensShortcuts();
    void menusFollowSignIn();
    void switchingAccount();
    void closeMinimisesWithoutTray();
    void statusTextFollowsTheMonitor();
    void leavingStopsTransfersResumably();
    void capacityFollowsARegisteredUpload();
    void messageBoxesBelongToTheirDialog();
    void notificationsShowMarkupAsText();
    void aFileServerInClearIsSaidOncePerServer();
};

void MainWindowTest::controlsSitWhereTheyBelong() {
    ClientHarness harness;
    QVERIFY(harness.signIn());
    MainFrame* frame = harness.mainFrame();
    const QSize client = frame->size();
    const struct {
        QRect where;
        QString name;
    } expected[] = {
        {rects::closeButton(client), QStringLiteral("关闭")},
        {rects::maximiseButton(client), QStringLiteral("最大化")},
        {rects::minimiseButton(client), QStringLiteral("最小化")},
        {rects::menuButton(client), QStringLiteral("菜单")},
        {rects::skinButton(client), QStringLiteral("换肤")},
    };
    QCOMPARE(rects::closeButton(client), QRect(838, 0, 47, 22));
    QCOMPARE(rects::skinButton(client), QRect(712, 0, 22, 18));
    for (const auto& control : expected) {
        QWidget* found = frame->childAt(control.where.center());
        QVERIFY2(found, qPrintable(control.name));
        QCOMPARE(found->accessibleName(), control.name);
        QCOMPARE(found->geometry(), control.where);
    }
    QCOMPARE(frame->pageArea()->geometry(), QRect(1, 99, 888, 475));
    QCOMPARE(frame->listArea(), QRect(198, 0, 690, 475));
    QCOMPARE(frame->childAt(QPoint(720, 585))->accessibleName(), QStringLiteral("传输速度"));

    // The skin button asks for the skin chooser; the maximise button maximises and restores.
    QSignalSpy skins(&harness.client(), &CMainWnd::skinRequested);
    clickAt(frame, rects::skinButton(client).center());
    QCOMPARE(skins.count(), 1);
    clickAt(frame, rects::maximiseButton(client).center());
    QTRY_VERIFY(frame->isMaximized());
    // A screen reader hears what the button does next.
    QCOMPARE(frame->childAt(rects::maximiseButton(frame->size()).center())->accessibleName(),
             QStringLiteral("还原"));
    clickAt(frame, rects::maximiseButton(frame->size()).center());
    QTRY_VERIFY(!frame->isMaximized());
    QTRY_COMPARE(frame->size(), client);

    // Every control can be found by name.
    for (QWidget* child : frame->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QLabel*>(child))
            QVERIFY2(!child->accessibleName().isEmpty(), child->metaObject()->className());
    }
}

void MainWindowTest::toolbarOpensShortcuts() {
    ClientHarness harness;
    QVERIFY(harness.signIn());
    MainFrame* frame = harness.mainFrame();
    const std::string token = harness.client().session().account().param_token;
    QVERIFY(!token.empty());
    const std::string forward = harness.webBase() + "/paramoauth.aspx?token=" + token + "&url=";
    QCOMPARE(frame->toolbar().checkedButton(), int(Toolbar::kMyDisk));

    QSignalSpy draws(&harness.client(), &CMainWnd::drawRequested);
    const struct {
        Toolbar::Button button;
        std::string target;  // empty: no page
    } clicks[] = {
        {Toolbar::kCommunity, "http://community.invalid/"},
        {Toolbar::kFriends, harness.webBase() + "/home"},
        {Toolbar::kResources, "http://resource.invalid/"},
        {Toolbar::kWebHost, "http://webhost.invalid/"},
        {Toolbar::kDraw, ""},
        {Toolbar::kMyDisk, ""},
    };
    for (const auto& click : clicks) {
        harness.browser().clear();
        const QPoint centre(rects::kToolbarX[click.button] + 38, rects::kToolbarTop + 38);
        QCOMPARE(clickAt(frame, centre), frame->toolbar().button(click.button));
        // Only "我的网盘" names what the window shows: a shortcut does not stay lit.
        QCOMPARE(frame->toolbar().checkedButton(), int(Toolbar::kMyDisk));
        if (click.target.empty()) {
            QVERIFY(harness.browser().urls().empty());
        } else {
            QCOMPARE(harness.browser().urls(), std::vector<std::string>{forward + click.target});
        }
    }
    QCOMPARE(draws.count(), 1);

    // The user panel's links go through the same forwarding.
    const QPoint panel = frame->pageArea()->pos();
    harness.browser().clear();
    clickAt(frame, panel + rects::kMembershipBadge.center());
    clickAt(frame, panel + rects::kDirectLinkBadge.center());
    clickAt(frame, panel + rects::kEnlarge.center());
    QCOMPARE(harness.browser().urls(),
             (std::vector<std::string>{forward + harness.webBase() + "/account/recommend.aspx",
                                       forward + harness.webBase() + "/account/wip.aspx",
                                       forward + harness.webBase() + "/account/upspace.aspx"}));
}

void MainWindowTest::menusFollowSignIn() {
    ClientHarness harness;
    QVERIFY(harness.openSignInWindow());
    QCOMPARE(itemsOf(harness.client(), true), (QList<int>{201, 207, 204, 205, 206}));
    QCOMPARE(itemsOf(harness.client(), false), (QList<int>{201, 204, 205, 206}));
    QVERIFY(harness.signIn());
    QCOMPARE(itemsOf(harness.client(), true), (QList<int>{201, 207, 202, 208, 203, 204, 205, 206}));
    QCOMPARE(itemsOf(harness.client(), false), (QList<int>{201, 202, 208, 203, 204, 205, 206}));
    std::unique_ptr<QMenu> menu(harness.client().buildMenu(true));
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << action->text();
    QCOMPARE(texts, (QStringList{QStringLiteral("访问WEB站点"), QStringLiteral("显示主窗体"),
                                 QStringLiteral("设置"), QStringLiteral("同步文件夹"),
                                 QStringLiteral("切换账户"), QStringLiteral("关于"),
                                 QStringLiteral("帮助"), QStringLiteral("退出")}));

    harness.browser().clear();
    harness.client().menuChosen(kHelp, true);
    harness.client().menuChosen(kAbout, false);
    harness.client().menuChosen(kVisitWebSite, true);
    QCOMPARE(harness.browser().urls(),
             (std::vector<std::string>{harness.webBase() + "/help/", "http://about.invalid/",
                                       harness.webBase() + "/"}));
}

void MainWindowTest::switchingAccount() {
    ClientHarness harness;
    harness.rememberSignIn(harness.demoUid(), "demo123", true);
    QCOMPARE(harness.client().OpenWindow(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(harness.mainFrame() && harness.mainFrame()->isVisible(),
                             ClientHarness::kWaitMs);

    // From the tray: the sign-in window signs the same user in again by itself.
    harness.client().menuChosen(kSwitchAccount, true);
    QVERIFY(!harness.mainFrame());
    QTRY_VERIFY_WITH_TIMEOUT(harness.mainFrame() && harness.mainFrame()->isVisible(),
                             ClientHarness::kWaitMs);

    // From the title bar: the sign-in window stays, its automatic sign-in box checked.
    harness.client().menuChosen(kSwitchAccount, false);
    QVERIFY(harness.signInWindow());
    QCOMPARE(harness.client().timerInterval(), CMainWnd::kSignInInterval);
    QTRY_VERIFY_WITH_TIMEOUT(harness.signInWindow()->autoSignIn(), ClientHarness::kWaitMs);
    QVERIFY(!harness.client().signingIn());
    QTest::qWait(200);
    QVERIFY(!harness.mainFrame());
    QCOMPARE(harness.client().session().account().signed_in, 0);
    QVERIFY(harness.signIn());
}

void MainWindowTest::closeMinimisesWithoutTray() {
    ClientHarness harness;
    QVERIFY(harness.signIn());
    MainFrame* frame = harness.mainFrame();
    QSignalSpy finished(&harness.client(), &CMainWnd::finished);
    clickAt(frame, rects::closeButton(frame->size()).center());
    QVERIFY(frame->isMinimized());
    QCOMPARE(finished.count(), 0);
    harness.client().showWindow();
    QVERIFY(!frame->isMinimized());

    // Leaving from the title bar ends with 1, from the tray with 0.
    harness.client().menuChosen(kQuit, false);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.front().front().toInt(), 1);
    QVERIFY(!harness.mainFrame());
}

void MainWindowTest::statusTextFollowsTheMonitor() {
    ClientHarness harness;
    QVERIFY(harness.signIn());
    const std::string uid = harness.client().session().account().uid;
    // A running upload and a running download as their workers would have written them.
    nubexa::test::PreparedBinDb workers(harness.databasePath());
    QVERIFY(workers.addMovingTask(uid, Direction::kUpload, "a", 120, 10));
    QVERIFY(workers.addMovingTask(uid, Direction::kDownload, "b", 300, 20));
    QTRY_COMPARE_WITH_TIMEOUT(harness.mainFrame()->statusText(),
                              QStringLiteral("上传：120 KB/S 下载：300 KB/S"), 8000);

    // A longer text (a limit holding both directions) stays whole inside the window.
    MainFrame* frame = harness.mainFrame();
    frame->showStatusText("上传：12000 KB/S(限速) 下载：30000 KB/S(限速)");
    auto* status = frame->findChild<QLabel*>(QStringLiteral("status"));
    QVERIFY(status);
    QVERIFY(status->geometry().right() < frame->width());
    QVERIFY(status->fontMetrics().horizontalAdvance(status->text()) <= status->width());
    frame->showStatusText("上传：0 KB/S 下载：0 KB/S");
    QCOMPARE(status->geometry(), QRect(700, 580, 200, 18));
    // The window words the monitor's speeds itself (in its language): in Chinese, as the core.
    frame->showSpeeds(SpeedStatus{"12", "3000", false, true});
    QCOMPARE(frame->statusText(), QStringLiteral("上传：12 KB/S 下载：3000 KB/S(限速)"));
    frame->showSpeeds(SpeedStatus{"12", "3000", true, false});
    QCOMPARE(frame->statusText(), QStringLiteral("上传：12 KB/S(限速) 下载：3000 KB/S"));
}

void MainWindowTest::capacityFollowsARegisteredUpload() {
    ClientHarness harness;
    QVERIFY(harness.signIn());
    UserPanel* panel = harness.mainFrame()->userPanel();
    const QString before = panel->capacityText();
    const std::optional<double> levelBefore = panel->capacityLevel();
    const std::string local = harness.homeFolder() + "two megabytes.bin";
    nubexa::test::writeFile(local, std::string(2 * 1024 * 1024, 'c'));
    QVERIFY(harness.client().session().queueFileUploads({local}, RemoteFolder{}));
    QTRY_VERIFY_WITH_TIMEOUT(panel->capacityText() != before, ClientHarness::kWaitMs);
    QVERIFY(panel->capacityLevel() > levelBefore);
}

void MainWindowTest::leavingStopsTransfersResumably() {
    // A new user: nothing chosen yet, so the first sign-in turns automatic resume on.
    ClientHarness harness;
    harness.environment().transfers.ftp.maxBytesPerSecond = 256 * 1024;
    QVERIFY(harness.signIn());
    const std::string local = harness.homeFolder() + "big.bin";
    nubexa::test::writeFile(local, std::string(3 * 1024 * 1024, 'n'));
    ClientSession& session = harness.client().session();
    QVERIFY(session.queueFileUploads({local}, RemoteFolder{}));
    const std::vector<TransferRow> queued = session.transferRows(Direction::kUpload);
    QCOMPARE(queued.size(), std::size_t(1));
    const std::int64_t id = queued.front().id;
    // The task as an uploading page reads it, also while no client runs; none once it has left
    // the page.
    auto row = [&]() -> std::optional<TransferRow> {
        const auto rows = harness.aside().transferRowsOf(Direction::kUpload, {id});
        return rows.empty() ? std::nullopt : std::optional<TransferRow>(rows.front());
    };
    QTRY_VERIFY_WITH_TIMEOUT(row() && row()->done > 0, ClientHarness::kWaitMs);

    // Leaving returns once every worker has stopped: nothing is written afterwards.
    QSignalSpy finished(&harness.client(), &CMainWnd::finished);
    harness.client().menuChosen(kQuit, true);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.front().front().toInt(), 0);
    const auto stopped = row();
    QVERIFY(stopped && stopped->done < stopped->bytes);
    QVERIFY(!harness.topFolderFileSize("big.bin"));
    QTest::qWait(400);
    QCOMPARE(row()->done, stopped->done);

    // The next session goes on from there and completes the upload.
    harness.endClient();
    harness.environment().transfers.ftp.maxBytesPerSecond = 0;
    QVERIFY(harness.signIn());
    QTRY_VERIFY_WITH_TIMEOUT(!row(), 30000);
    QCOMPARE(harness.topFolderFileSize("big.bin"), std::optional<std::int64_t>(3 * 1024 * 1024));
}

// A box opens on the dialog the user is in, from the GUI thread or a worker's, and stays
// readable when the dialog closes right after saying it (as a dialog that succeeded does).
void MainWindowTest::messageBoxesBelongToTheirDialog() {
    GuiBridge bridge;
    QtNotifier notifier(bridge);
    QWidget window;
    window.show();
    notifier.setOwner(&window);
    notifier.showMessage({}, "没有对话框");
    QPointer<QMessageBox> plain = boxSaying(QStringLiteral("没有对话框"));
    QVERIFY(plain);
    QCOMPARE(plain->parentWidget(), &window);
    plain->close();
    QTRY_VERIFY(!plain);

    QPointer<QDialog> dialog = new QDialog(&window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    notifier.showMessage("提示", "操作成功");
    std::thread([&] { notifier.showMessage("提示", "来自后台"); }).join();
    QPointer<QMessageBox> said = boxSaying(QStringLiteral("操作成功"));
    QVERIFY(said);
    QCOMPARE(said->parentWidget(), static_cast<QWidget*>(dialog.data()));
    QVERIFY(!(said->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QTRY_VERIFY(boxSaying(QStringLiteral("来自后台")));
    // On the dialog, not on the box opened before it: closing that box keeps this one.
    QCOMPARE(boxSaying(QStringLiteral("来自后台"))->parentWidget(),
             static_cast<QWidget*>(dialog.data()));

    dialog->accept();
    QTRY_VERIFY(!dialog);
    QVERIFY(said);
    QVERIFY(said->isVisible());
    QCOMPARE(said->parentWidget(), &window);
    QVERIFY(boxSaying(QStringLiteral("来自后台")));
}

// A name or refusal from the service reads the same whether the desktop takes it as markup
// or as text: no tag, no entity, no picture fetched.
void MainWindowTest::notificationsShowMarkupAsText() {
    const QString name =
        QStringLiteral("<b>x</b><img src=\"http://127.0.0.1:9/p.png\"> &amp; 报告.pdf");
    const QString inert = inertMarkup(name);
    QCOMPARE(QString(inert).remove(QChar(0x200B)), name);
    for (qsizetype at = inert.indexOf(QLatin1Char('<')); at >= 0;
         at = inert.indexOf(QLatin1Char('<'), at + 1))
        QVERIFY(inert.at(at + 1) == QChar(0x200B));
    QVERIFY(!inert.contains(QStringLiteral("&amp;")));
    // A markup reader shows no picture and no bold text, only characters.
    QTextDocument shown;
    shown.setHtml(inert);
    QVERIFY(!shown.toHtml().contains(QStringLiteral("<img")));
    QVERIFY(!shown.toHtml().contains(QStringLiteral("font-weight:700")));
}

void MainWindowTest::aFileServerInClearIsSaidOncePerServer() {
    ClientHarness harness;
    QVERIFY(harness.signIn());
    const auto before = harness.notifier().texts().size();
    // As the transfer engine reports each clear sign-in, from its worker threads.
    GuiBridge& bridge = harness.client().bridge();
    std::thread worker([&] {
        bridge.fileServerInClear("files.example:21");
        bridge.fileServerInClear("files.example:21");
        bridge.fileServerInClear("other.example:21");
    });
    worker.join();
    QTRY_COMPARE(harness.notifier().texts().size(), before + 2);
    QCOMPARE(harness.notifier().texts()[before],
             std::string("文件服务器 files.example:21 不支持加密，文件以明文传输"));
    QVERIFY(!harness.mainFrame()->userPanel()->showsLock());
}

NUBEXA_QTEST(MainWindowTest)
#include "main_window_test.moc"
