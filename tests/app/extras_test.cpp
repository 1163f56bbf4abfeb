// The main window's extras against the stand-in: the settings dialog with the log-on entry, the
// skin chooser, the capacity draw and the rotating notices.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/app_menus.h"
#include "app/contrast.h"
#include "app/draw_result_dlg.h"
#include "app/main_frame.h"
#include "app/main_frame_rects.h"
#include "app/main_window_extras.h"
#include "app/main_wnd.h"
#include "app/notice_link.h"
#include "app/skin_dlg.h"
#include "app/system_set_dlg.h"
#include "app/ui_language.h"
#include "app/user_panel.h"
#include "client_harness.h"
#include "session/client_session.h"
#include "support/prepared_bin_db.h"
#include "support/qt_test_main.h"
#include "support/temp_dir.h"

using namespace nubexa;
using namespace nubexa::app;
using nubexa::test::ClientHarness;
using nubexa::test::TempDir;

namespace {

// XDG_CONFIG_HOME pointed at a folder of the test's for as long as it lives.
class ConfigHome {
public:
    ConfigHome()
        : m_old(qgetenv("XDG_CONFIG_HOME")), m_had(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_dir.path()));
    }
    ~ConfigHome() {
        if (m_had) {
            qputenv("XDG_CONFIG_HOME", m_old);
        } else {
            qunsetenv("XDG_CONFIG_HOME");
        }
    }
    std::string entry() const { return m_dir.path() + "/autostart/nubexa-client.desktop"; }

private:
    TempDir m_dir;
    QByteArray m_old;
    bool m_had;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Signed {
    ClientHarness harness;
    MainWindowExtras* extras = MainWindowExtras::installInto(harness.client());
};

// The dialog shows once its choices have been read off the GUI thread.
CSystemSetDlg* openSettings(Signed& s) {
    s.harness.client().menuChosen(kSettings, false);
    const bool shown = QTest::qWaitFor(
        [&] { return s.extras->settingsDialog() && s.extras->settingsDialog()->isVisible(); },
        10000);
    return shown ? s.extras->settingsDialog() : nullptr;
}

void setBoxes(CSystemSetDlg* dialog, bool autoRun, bool autoLogin, bool autoResume) {
    dialog->autoRunBox()->setChecked(autoRun);
    dialog->autoLoginBox()->setChecked(autoLogin);
    dialog->autoResumeBox()->setChecked(autoResume);
}

QList<bool> boxesOf(CSystemSetDlg* dialog) {
    return {dialog->autoRunBox()->isChecked(), dialog->autoLoginBox()->isChecked(),
            dialog->autoResumeBox()->isChecked()};
}

std::string diskSizeAtService(ClientHarness& harness) {
    const SignInResult signedIn = harness.signInAside();
    return signedIn.ok() ? signedIn.account.disk_size : std::string();
}

// The settings dialog's choices of `uid` as bin.db holds them.
SystemSettings storedSettings(ClientHarness& harness, const std::string& uid) {
    return harness.client().session().loadSystemSettings(uid);
}

}  // namespace

class ExtrasTest : public QObject {
    Q_OBJECT
private slots:
    void settingsStoreAllThreeChoicesAndTheLogOnEntry();
    void settingsWithoutSignInRowOrAutoRunRow();
    void speedLimitsAreStoredAndHoldAtOnce();
    void languageIsStoredForTheNextStart();
    void skinChooserAppliesOnlyNewSkinsAndClosesOutside();
    void statusTextIsReadableOnEverySkin();
    void drawBooksOnceAndThenSaysAlreadyDrawn();
    void noticesRotateOverAnyCount_data();
    void noticesRotateOverAnyCount();
    void noticeLinkRotatesPausesAndOpens();
};

void ExtrasTest::settingsStoreAllThreeChoicesAndTheLogOnEntry() {
    ConfigHome config;
    Signed s;
    QVERIFY(s.harness.signIn());
    const std::string uid = s.harness.client().session().account().uid;
    CSystemSetDlg* dialog = openSettings(s);
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("系统设置"));
    QCOMPARE(dialog->size(), QSize(380, 320));
    QCOMPARE(dialog->autoRunBox()->pos(), QPoint(120, 80));
    QCOMPARE(dialog->autoLoginBox()->pos(), QPoint(120, 120));
    QCOMPARE(dialog->autoResumeBox()->pos(), QPoint(120, 160));
    QCOMPARE(dialog->saveButton()->geometry(), QRect(100, 260, 60, 24));
    QCOMPARE(dialog->cancelButton()->geometry(), QRect(200, 260, 60, 24));
    // The user's first sign-in recorded no automatic sign-in but automatic resume; the box
    // turns it off.
    QCOMPARE(boxesOf(dialog), (QList<bool>{false, false, true}));
    setBoxes(dialog, true, true, false);
    ClientHarness::screenshot(dialog, QStringLiteral("settings-dialog.png"));

    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QTRY_VERIFY(!s.extras->settingsDialog());
    const std::string entry = readFile(config.entry());
    QVERIFY2(entry.find("Exec=\"") != std::string::npos, entry.c_str());
    QVERIFY(entry.find("nubexa-client\"\n") != std::string::npos);
    const SystemSettings choices = storedSettings(s.harness, uid);
    QVERIFY(choices.autoRun);
    QVERIFY(choices.autoLogin);
    QVERIFY(!choices.autoResume);

    // Cancel stores nothing; the next opening shows what was saved.
    dialog = openSettings(s);
    QVERIFY(dialog);
    QCOMPARE(boxesOf(dialog), (QList<bool>{true, true, false}));
    setBoxes(dialog, false, false, true);
    QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
    QTRY_VERIFY(!s.extras->settingsDialog());
    dialog = openSettings(s);
    QCOMPARE(boxesOf(dialog), (QList<bool>{true, true, false}));

    // Each box goes back to off; the entry goes away.
    setBoxes(dialog, false, false, true);
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QTRY_VERIFY(!s.extras->settingsDialog());
    QVERIFY(!std::filesystem::exists(config.entry()));
    dialog = openSettings(s);
    QCOMPARE(boxesOf(dialog), (QList<bool>{false, false, true}));
    dialog->reject();
    QVERIFY(s.harness.notifier().messages().empty());
}

void ExtrasTest::settingsWithoutSignInRowOrAutoRunRow() {
    ConfigHome config;
    Signed s;
    QVERIFY(s.harness.signIn());
    const std::string uid = s.harness.client().session().account().uid;
    nubexa::test::PreparedBinDb older(s.harness.databasePath());
    QVERIFY(older.dropSignInRowsAndLogOnChoice());
    // Without a sign-in row unfinished tasks resume, and the box says so.
    CSystemSetDlg* dialog = openSettings(s);
    QVERIFY(dialog);
    QCOMPARE(boxesOf(dialog), (QList<bool>{false, false, true}));
    setBoxes(dialog, true, true, true);
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QTRY_VERIFY(!s.extras->settingsDialog());
    QVERIFY(std::filesystem::exists(config.entry()));

    // The option row is made, so the choice shows once the user has a sign-in row again; saving
    // the other two choices leaves the remembered password, and other users' rows, as they are.
    QVERIFY(older.recordSignIn({"someone else", "", "d", false, false, "0", {}}));
    QVERIFY(older.recordSignIn({uid, "kept", "d", true, false, "0", {}}));
    QVERIFY(storedSettings(s.harness, uid).autoRun);
    dialog = openSettings(s);
    QCOMPARE(boxesOf(dialog), (QList<bool>{true, false, false}));
    setBoxes(dialog, true, true, true);
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QTRY_VERIFY(!s.extras->settingsDialog());
    QVERIFY(storedSettings(s.harness, uid).autoLogin);
    QVERIFY(storedSettings(s.harness, uid).autoResume);
    QVERIFY(!storedSettings(s.harness, "someone else").autoLogin);
    const auto last = s.harness.lastUserInBinDb();
    QVERIFY(last && last->userName == uid);
    QCOMPARE(last->password, std::string("kept"));
    QCOMPARE(last->rememberPassword, std::string("1"));
}

void ExtrasTest::speedLimitsAreStoredAndHoldAtOnce() {
    ConfigHome config;
    Signed s;
    QVERIFY(s.harness.signIn());
    CSystemSetDlg* dialog = openSettings(s);
    QVERIFY(dialog);
    QCOMPARE(dialog->uploadLimitBox()->text(), QStringLiteral("不限速"));
    QCOMPARE(dialog->downloadLimitBox()->value(), 0);
    // Both fields lie between the last box and the buttons.
    QVERIFY(dialog->downloadLimitBox()->geometry().bottom() < dialog->saveButton()->y());
    QVERIFY(dialog->uploadLimitBox()->y() > dialog->autoResumeBox()->geometry().bottom());
    // Transfers at once: the default until chosen, beside each limit, inside the window.
    QCOMPARE(dialog->uploadTransfersBox()->value(), kDefaultTransfers);
    QCOMPARE(dialog->downloadTransfersBox()->minimum(), kFewestTransfers);
    QCOMPARE(dialog->downloadTransfersBox()->maximum(), kMostTransfers);
    QCOMPARE(dialog->uploadTransfersBox()->y(), dialog->uploadLimitBox()->y());
    QVERIFY(dialog->uploadTransfersBox()->x() > dialog->uploadLimitBox()->geometry().right());
    QVERIFY(dialog->rect().contains(dialog->downloadTransfersBox()->geometry()));
    dialog->uploadLimitBox()->setValue(500);
    dialog->uploadTransfersBox()->setValue(3);
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QTRY_VERIFY(!s.extras->settingsDialog());

    // Stored for this user (the same save sets the running transfers' limits: the session's
    // own tests).
    const std::string uid = s.harness.client().session().account().uid;
    QCOMPARE(storedSettings(s.harness, uid).limits, (SpeedLimits{500, 0, 3, kDefaultTransfers}));

    dialog = openSettings(s);
    QVERIFY(dialog);
    QCOMPARE(dialog->uploadLimitBox()->value(), 500);
    QCOMPARE(dialog->uploadTransfersBox()->value(), 3);
    dialog->uploadLimitBox()->setValue(0);
    dialog->downloadLimitBox()->setValue(CSystemSetDlg::kLargestLimit);
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QTRY_VERIFY(!s.extras->settingsDialog());
    QCOMPARE(storedSettings(s.harness, uid).limits,
             (SpeedLimits{0, CSystemSetDlg::kLargestLimit, 3, kDefaultTransfers}));
    QVERIFY(s.harness.notifier().messages().empty());
}

void ExtrasTest::languageIsStoredForTheNextStart() {
    ConfigHome config;
    Signed s;
    QVERIFY(s.harness.signIn());
    CSystemSetDlg* dialog = openSettings(s);
    QVERIFY(dialog);
    QComboBox* language = dialog->languageBox();
    QCOMPARE(language->currentText(), QStringLiteral("跟随系统"));
    QCOMPARE(language->count(), 3);
    // The row keeps clear of the heading and of the first box.
    QVERIFY(language->y() >= 48);
    QVERIFY(language->geometry().bottom() < dialog->autoRunBox()->y());
    language->setCurrentIndex(language->findText(QStringLiteral("English")));
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QTRY_VERIFY(!s.extras->settingsDialog());

    // What the next start reads before its first window, and what the dialog shows again.
    QCOMPARE(readStoredUiLanguage(s.harness.databasePath()), UiLanguage::kEnglish);
    dialog = openSettings(s);
    QVERIFY(dialog);
    QCOMPARE(dialog->languageBox()->currentText(), QStringLiteral("English"));
    dialog->languageBox()->setCurrentIndex(1);
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QTRY_VERIFY(!s.extras->settingsDialog());
    QCOMPARE(readStoredUiLanguage(s.harness.databasePath()), UiLanguage::kChinese);
    // A data folder without bin.db yet: the desktop's language.
    QCOMPARE(readStoredUiLanguage(s.harness.homeFolder() + "none/bin.db"), UiLanguage::kSystem);
    QVERIFY(s.harness.notifier().messages().empty());
}

void ExtrasTest::skinChooserAppliesOnlyNewSkinsAndClosesOutside() {
    Signed s;
    QVERIFY(s.harness.signIn());
    MainFrame* frame = s.harness.mainFrame();
    QCOMPARE(frame->background(), QStringLiteral("skin/frame7.jpg"));
    const QRect button = main_frame_rects::skinButton(frame->size());
    QTest::mouseClick(frame->childAt(button.center()), Qt::LeftButton);
    QTRY_VERIFY(s.extras->skinDialog() && s.extras->skinDialog()->isVisible());
    CSkinDlg* popup = s.extras->skinDialog();
    QSignalSpy applied(popup, &CSkinDlg::skinApplied);
    QCOMPARE(popup->size(), QSize(380, 320));
    QCOMPARE(popup->pos(),
             frame->mapToGlobal(QPoint(button.right() + 1 - 380, button.bottom() + 1)));
    QCOMPARE(popup->list()->count(), 7);
    QCOMPARE(popup->list()->item(0)->text(), QStringLiteral("默认皮肤"));
    // It opens on the skin the window shows, unscrolled, the first row's names whole; choosing
    // that one again loads nothing.
    QCOMPARE(popup->list()->currentRow(), 6);
    QListWidget* list = popup->list();
    QCOMPARE(list->verticalScrollBar()->value(), 0);
    for (int row = 0; row < 3; ++row) {
        const QRect cell = list->visualItemRect(list->item(row));
        QVERIFY(list->viewport()->rect().contains(cell));
        QVERIFY(list->fontMetrics().horizontalAdvance(list->item(row)->text()) <= cell.width());
    }
    const auto clickItem = [list](int row) {
        list->scrollToItem(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    };
    clickItem(6);
    QCOMPARE(applied.count(), 0);
    QCOMPARE(frame->background(), QStringLiteral("skin/frame7.jpg"));

    clickItem(2);
    QCOMPARE(applied.count(), 1);
    QCOMPARE(frame->background(), QStringLiteral("skin/frame3.jpg"));
    QCOMPARE(popup->background(), frame->background());
    clickItem(2);
    QCOMPARE(applied.count(), 1);
    clickItem(0);
    QCOMPARE(frame->background(), QStringLiteral("skin/bg.jpg"));
    clickItem(2);
    QCOMPARE(applied.count(), 3);

    // Seven skins need more than the list's height: its scroll bar shows.
    QTRY_VERIFY(list->verticalScrollBar()->isVisible());
    // The chooser over the main window, as the user sees it.
    QPixmap shot = frame->grab();
    {
        QPainter painter(&shot);
        painter.drawPixmap(frame->mapFromGlobal(popup->pos()), popup->grab());
    }
    if (const QString folder = qEnvironmentVariable("NUBEXA_SCREENSHOT_DIR"); !folder.isEmpty())
        shot.save(folder + QStringLiteral("/skin-chooser.png"));

    // A click outside closes it; it opens again on the skin chosen last.
    QTest::mouseClick(frame->windowHandle(), Qt::LeftButton, {}, QPoint(100, 500));
    QTRY_VERIFY(!s.extras->skinDialog());
    QCOMPARE(frame->background(), QStringLiteral("skin/frame3.jpg"));
    QTest::mouseClick(frame->childAt(button.center()), Qt::LeftButton);
    QTRY_VERIFY(s.extras->skinDialog());
    QCOMPARE(s.extras->skinDialog()->list()->currentRow(), 2);
    s.extras->skinDialog()->close();

    // The next sign-in opens on the skin chosen last.
    QTRY_COMPARE(s.harness.signInAside().account.frame_image, std::string("image/skin/frame3.jpg"));
    s.harness.client().menuChosen(kSwitchAccount, false);
    QVERIFY(s.harness.signIn());
    QCOMPARE(s.harness.mainFrame()->background(), QStringLiteral("skin/frame3.jpg"));
}

void ExtrasTest::statusTextIsReadableOnEverySkin() {
    Signed s;
    QVERIFY(s.harness.signIn());
    MainFrame* frame = s.harness.mainFrame();
    auto* status = frame->findChild<QLabel*>(QStringLiteral("status"));
    QVERIFY(status);
    for (int skin = 0; skin < static_cast<int>(pictures::kSkinCount); ++skin) {
        frame->setBackground(CSkinDlg::backgroundOf(skin));
        // Every pixel the text may cover, as drawn with the label's own backing.
        status->setText(QString());
        const QRect under =
            QRect(main_frame_rects::status(frame->size()).topLeft(), QSize(160, 18));
        const QImage behind = frame->grab(under).toImage();
        double worst = 21;
        for (int y = 0; y < behind.height(); ++y) {
            for (int x = 0; x < behind.width(); ++x)
                worst = std::min(
                    worst, contrastRatio(frame->statusColours().text, behind.pixelColor(x, y)));
        }
        QVERIFY2(worst >= kReadableContrast,
                 qPrintable(CSkinDlg::backgroundOf(skin) + QStringLiteral(": ") +
                            QString::number(worst)));
    }
}

void ExtrasTest::drawBooksOnceAndThenSaysAlreadyDrawn() {
    Signed s;
    s.extras->setDrawRandom([] { return 0; });
    QVERIFY(s.harness.signIn());
    QCOMPARE(s.harness.client().session().account().draw_count, 1);
    QCOMPARE(s.harness.client().session().account().max_draw_size, 100);
    const std::int64_t before = std::stoll(diskSizeAtService(s.harness));
    const QString capacityBefore = s.harness.mainFrame()->userPanel()->capacityText();

    emit s.harness.client().drawRequested();
    emit s.harness.client().drawRequested();  // while the first is asked: ignored
    QTRY_VERIFY(s.extras->drawResult());
    DrawResultDlg* result = s.extras->drawResult();
    QCOMPARE(result->windowTitle(), QStringLiteral("抽容量"));
    QCOMPARE(result->size(), QSize(200, 100));
    QCOMPARE(result->message(), QStringLiteral("恭喜您抽到容量：10M"));
    QCOMPARE(result->button()->text(), QStringLiteral("确定"));
    QCOMPARE(result->button()->geometry(), QRect(80, 65, 60, 24));
    ClientHarness::screenshot(result, QStringLiteral("draw-result.png"));
    QCOMPARE(s.harness.countLogLines("AddDrawDiskSize"), 1);
    QCOMPARE(std::stoll(diskSizeAtService(s.harness)) - before, std::int64_t{10485760});
    QCOMPARE(s.harness.client().session().account().draw_count, 0);
    // The capacity under the avatar follows the space drawn.
    QTRY_VERIFY(s.harness.mainFrame()->userPanel()->capacityText() != capacityBefore);
    QTest::mouseClick(result->button(), Qt::LeftButton);
    QTRY_VERIFY(!s.extras->drawResult());

    // No draw left: nothing is sent.
    emit s.harness.client().drawRequested();
    QTRY_VERIFY(s.extras->drawResult());
    QCOMPARE(s.extras->drawResult()->message(), QStringLiteral("您今天已经抽过容量了..."));
    QCOMPARE(s.extras->drawResult()->button()->text(), QStringLiteral("知道了"));
    QCOMPARE(s.harness.countLogLines("AddDrawDiskSize"), 1);
    s.extras->drawResult()->close();
    QTRY_VERIFY(!s.extras->drawResult());

    // The service refuses a second draw on the same day; the count stays.
    s.harness.client().session().updateAccount([](AccountInfo& a) { a.draw_count = 2; });
    emit s.harness.client().drawRequested();
    QTRY_VERIFY(s.extras->drawResult());
    QCOMPARE(s.extras->drawResult()->message(), QStringLiteral("您今天已经抽过容量了..."));
    QCOMPARE(s.harness.countLogLines("AddDrawDiskSize"), 2);
    QCOMPARE(s.harness.client().session().account().draw_count, 2);
    s.extras->drawResult()->close();
}

void ExtrasTest::noticesRotateOverAnyCount_data() {
    QTest::addColumn<int>("count");
    for (int count : {0, 1, 2, 3, 5})
        QTest::addRow("%d notices", count) << count;
}

void ExtrasTest::noticesRotateOverAnyCount() {
    QFETCH(int, count);
    Announcements notices;
    for (int i = 0; i < count; ++i) {
        notices.announcement_titles.push_back("title " + std::to_string(i));
        notices.announcement_urls.push_back("https://example.org/" + std::to_string(i));
    }
    NoticeRotation rotation;
    rotation.reset(notices);
    std::vector<std::string> shown;
    for (int tick = 0; tick < 4 * std::max(count, 1); ++tick) {
        shown.push_back(rotation.title());
        QVERIFY(rotation.index() < std::max<std::size_t>(rotation.count(), 1));
        if (count > 0) {
            QCOMPARE(rotation.address(), notices.announcement_urls[rotation.index()]);
        } else {
            QVERIFY(rotation.address().empty());
        }
        rotation.tick(false);
    }
    for (std::size_t tick = 0; tick < shown.size(); ++tick) {
        const std::string expected =
            count == 0 ? std::string(NoticeRotation::kFallbackTitle)
                       : "title " + std::to_string((tick / 2) % static_cast<std::size_t>(count));
        QCOMPARE(shown[tick], expected);
    }
    // The focus holds the notice and the tick count where they are.
    const std::string held = rotation.title();
    for (int tick = 0; tick < 5; ++tick)
        QVERIFY(!rotation.tick(true));
    QCOMPARE(rotation.title(), held);
}

void ExtrasTest::noticeLinkRotatesPausesAndOpens() {
    Signed s;
    QVERIFY(s.harness.signIn());
    MainFrame* frame = s.harness.mainFrame();
    QTRY_COMPARE(s.extras->notices().count(), std::size_t{3});
    NoticeLink* link = s.extras->noticeLink();
    QVERIFY(link && link->isVisible());
    QCOMPARE(link->parentWidget(), frame);
    QCOMPARE(link->geometry(), QRect(10, 577, link->sizeHint().width(), 18));
    const Announcements service = s.harness.client().session().announcements();
    const auto title = [&](int i) {
        return QString::fromStdString(service.announcement_titles[i]);
    };
    QCOMPARE(link->text(), title(s.extras->notices().index()));
    frame->activateWindow();
    QTRY_VERIFY(frame->isActiveWindow());
    frame->setFocus();
    // From here on only the test ticks: nothing below lets the window's own timer run.
    s.extras->showNotices(service);
    QCOMPARE(link->text(), title(0));

    CMainWnd& client = s.harness.client();
    emit client.mainTimerTicked();
    QCOMPARE(link->text(), title(0));
    emit client.mainTimerTicked();
    QCOMPARE(link->text(), title(1));
    QCOMPARE(link->width(), link->sizeHint().width());
    link->setFocus(Qt::TabFocusReason);
    QVERIFY(link->hasFocus());
    for (int tick = 0; tick < 4; ++tick)
        emit client.mainTimerTicked();
    QCOMPARE(link->text(), title(1));
    QTest::mouseClick(link, Qt::LeftButton);
    QTest::keyClick(link, Qt::Key_Return);
    QCOMPARE(s.harness.browser().urls(),
             (std::vector<std::string>(2, service.announcement_urls[1])));

    // No notices, or an address that is not a web page: the recommendation page.
    s.harness.browser().clear();
    s.extras->showNotices({{"local"}, {"file:///etc/passwd"}});
    QTest::mouseClick(link, Qt::LeftButton);
    s.extras->showNotices({});
    QCOMPARE(link->text(), QStringLiteral("Nubexa客户端隆重上线."));
    QTest::mouseClick(link, Qt::LeftButton);
    const std::string recommend = s.harness.webBase() + "/account/recommend.aspx";
    QCOMPARE(s.harness.browser().urls(), (std::vector<std::string>{recommend, recommend}));
}

NUBEXA_QTEST(ExtrasTest)
#include "extras_test.moc"
