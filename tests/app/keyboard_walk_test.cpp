// The first hour from the keyboard alone: signing in, moving through the main window, opening a
// folder and coming back, a row's menu, the transfer page's buttons and the settings, with Tab
// reaching every control once, in reading order, and never trapped in a list.
#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QTest>

#include "app/main_frame.h"
#include "app/main_window_extras.h"
#include "app/main_wnd.h"
#include "app/sign_in_window.h"
#include "app/system_set_dlg.h"
#include "client_harness.h"
#include "pages/disk_list_model.h"
#include "pages/x_page_my_disk.h"
#include "support/qt_test_main.h"

using namespace nubexa;
using namespace nubexa::app;
using nubexa::test::ClientHarness;

namespace {

void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QVERIFY2(focus, "nothing has the focus");
    QTest::keyClick(focus, key, modifiers);
}

QString focusName() {
    const QWidget* focus = QApplication::focusWidget();
    return focus ? focus->accessibleName() : QString();
}

// Tab from the focused control until the focus is back: the controls met, in order; an empty
// list when the focus never came back.
QList<QWidget*> tabRound(int limit = 80) {
    const QWidget* start = QApplication::focusWidget();
    QList<QWidget*> met;
    for (int i = 0; i < limit; ++i) {
        press(Qt::Key_Tab);
        if (QApplication::focusWidget() == start)
            return met;
        met << QApplication::focusWidget();
    }
    return {};
}

QStringList namesOf(const QList<QWidget*>& widgets) {
    QStringList names;
    for (const QWidget* widget : widgets)
        names << (widget ? widget->accessibleName() : QStringLiteral("(none)"));
    return names;
}

}  // namespace

class KeyboardWalkTest : public QObject {
    Q_OBJECT
private slots:
    void theFirstHourFromTheKeyboard();
};

void KeyboardWalkTest::theFirstHourFromTheKeyboard() {
    ClientHarness harness;
    pages::CXPageMyDisk::installInto(harness.client());
    MainWindowExtras* extras = MainWindowExtras::installInto(harness.client());

    // A new user starts in the account field; Tab goes on to the password, Enter signs in.
    QVERIFY(harness.openSignInWindow());
    SignInWindow* signIn = harness.signInWindow();
    QApplication::setActiveWindow(signIn);
    QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QLineEdit*>(QApplication::focusWidget()),
                             ClientHarness::kWaitMs);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("demo"));
    press(Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("demo123"));
    QCOMPARE(signIn->accountEdit()->text(), QStringLiteral("demo"));
    press(Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(harness.mainFrame() && harness.mainFrame()->isVisible(),
                             ClientHarness::kWaitMs);

    // The main window opens with the file list in focus.
    MainFrame* frame = harness.mainFrame();
    QApplication::setActiveWindow(frame);
    auto* page = qobject_cast<pages::CXPageMyDisk*>(frame->pages());
    QVERIFY(page);
    QTRY_VERIFY_WITH_TIMEOUT(page->model().rowCount() > 0, ClientHarness::kWaitMs);
    auto* list = qobject_cast<QAbstractItemView*>(QApplication::focusWidget());
    QVERIFY2(list, qPrintable(focusName()));

    // Into a folder with the arrows and Enter, back with Backspace.
    int folder = -1;
    for (int row = 0; row < page->model().rowCount() && folder < 0; ++row) {
        if (page->model().index(row, 0).data(Qt::DisplayRole).toString() == QStringLiteral("文档"))
            folder = row;
    }
    QVERIFY(folder >= 0);
    list->setCurrentIndex(page->model().index(0, 0));
    for (int row = 0; row < folder; ++row)
        press(Qt::Key_Down);
    press(Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(page->locationLine().contains(QStringLiteral("文档")),
                             ClientHarness::kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!page->busy(), ClientHarness::kWaitMs);
    press(Qt::Key_Backspace);
    QTRY_VERIFY_WITH_TIMEOUT(!page->locationLine().contains(QStringLiteral("文档")),
                             ClientHarness::kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!page->busy() && page->model().rowCount() > 0, ClientHarness::kWaitMs);

    // The menu key opens the current row's menu where that row is; Escape closes it.
    list->setFocus();
    list->setCurrentIndex(page->model().index(1, 0));
    press(Qt::Key_Menu);
    QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMenu*>(QApplication::activePopupWidget()),
                             ClientHarness::kWaitMs);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(!menu->actions().isEmpty());
    const QRect row = list->visualRect(list->currentIndex());
    QVERIFY(QRect(list->viewport()->mapToGlobal(row.topLeft()), row.size()).contains(menu->pos()));
    QTest::keyClick(menu, Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activePopupWidget(), ClientHarness::kWaitMs);

    // Tab leaves the list and comes back to it through every control once, in reading order:
    // the account, the toolbar, the title bar left to right, the notice, the navigation, the
    // page's own controls.
    list->setFocus();
    QList<QWidget*> met = tabRound();
    const QStringList round = namesOf(met);
    QVERIFY2(met.size() > 20, qPrintable(round.join(QStringLiteral(", "))));
    QCOMPARE(QSet<QWidget*>(met.cbegin(), met.cend()).size(), met.size());
    const auto before = [&](const char* first, const char* second) {
        const qsizetype a = round.indexOf(QString::fromUtf8(first));
        const qsizetype b = round.indexOf(QString::fromUtf8(second));
        QVERIFY2(a >= 0 && b >= 0 && a < b,
                 qPrintable(QStringLiteral("%1 before %2 in: %3")
                                .arg(QString::fromUtf8(first), QString::fromUtf8(second),
                                     round.join(QStringLiteral(", ")))));
    };
    before("换肤", "菜单");
    before("最小化", "关闭");
    before("正在下载", "上传");
    before("搜索", "排序");
    before("切换缩略图与列表", "排序");
    QVERIFY(round.contains(QStringLiteral("我的网盘")));

    // The transfer page from the navigation with Tab and Space: its buttons are reached too.
    while (focusName() != QStringLiteral("正在上传"))
        press(Qt::Key_Tab);
    press(Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(page->locationLine().endsWith(QStringLiteral("正在上传")),
                             ClientHarness::kWaitMs);
    const QStringList transferRound = namesOf(tabRound());
    QVERIFY2(transferRound.contains(QStringLiteral("全部暂停")) &&
                 transferRound.contains(QStringLiteral("全部开始")),
             qPrintable(transferRound.join(QStringLiteral(", "))));

    // The settings through the title bar's menu: Space opens it, the arrows and Enter choose,
    // Escape closes the dialog.
    while (focusName() != QStringLiteral("菜单"))
        press(Qt::Key_Tab);
    press(Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMenu*>(QApplication::activePopupWidget()),
                             ClientHarness::kWaitMs);
    menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    for (int step = 0; step < 8 && (!menu->activeAction() ||
                                    menu->activeAction()->text() != QStringLiteral("设置"));
         ++step)
        QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(extras->settingsDialog() && extras->settingsDialog()->isVisible(),
                             ClientHarness::kWaitMs);
    QTest::keyClick(extras->settingsDialog(), Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!extras->settingsDialog() || !extras->settingsDialog()->isVisible(),
                             ClientHarness::kWaitMs);
}

NUBEXA_QTEST(KeyboardWalkTest)

#include "keyboard_walk_test.moc"
