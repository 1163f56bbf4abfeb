// The sync-folders dialog of a signed-in client against the stand-in: a pair added in the
// dialog (its disk folder made), its round run in the background with the transfers on the
// client's queue, the row showing the result; a refused pair said; deletions that stop at the
// rail asked about, and the round going ahead on yes; no rounds while another program holds
// the queue.
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "app/app_menus.h"
#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "page_driver.h"
#include "pages/sync_folders.h"
#include "pages/sync_folders_dialog.h"
#include "pages/sync_pair_add_dialog.h"
#include "pages/sync_pair_model.h"
#include "session/client_session.h"
#include "session/run_lock.h"
#include "session/sync_round.h"
#include "support/qt_test_main.h"

using namespace nubexa;
using namespace nubexa::pages;
using nubexa::test::ClientHarness;
using nubexa::test::ScriptedPicker;

namespace {

namespace fs = std::filesystem;
constexpr int kRoundMs = 60000;

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

QString cell(SyncPairModel& model, int column) {
    return model.data(model.index(0, column)).toString();
}

// The add dialog "添加…" opened (one closed before may not be deleted yet).
SyncPairAddDialog* openAddDialog(SyncFoldersDialog& dialog) {
    QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
    for (auto* open : dialog.findChildren<SyncPairAddDialog*>()) {
        if (open->isVisible())
            return open;
    }
    return nullptr;
}

// Fills the add dialog as a user would (the local folder through the chooser) and clicks OK.
void addInDialog(SyncFoldersDialog& dialog, ScriptedPicker& picker, const std::string& local,
                 const QString& disk, int mode) {
    SyncPairAddDialog* add = openAddDialog(dialog);
    QVERIFY(add);
    picker.answer = local;
    QTest::mouseClick(add->browseButton(), Qt::LeftButton);
    QCOMPARE(add->localEdit()->text(), QString::fromStdString(local));
    add->diskEdit()->setFocus();
    add->diskEdit()->insert(disk);  // as an input method commits Chinese text
    add->modeBox()->setCurrentIndex(mode);
    ClientHarness::screenshot(add, QStringLiteral("sync-add.png"));
    QTest::mouseClick(add->okButton(), Qt::LeftButton);
}

}  // namespace

class SyncFoldersTest : public QObject {
    Q_OBJECT
private slots:
    void aPairAddedInTheDialogIsSyncedAndTheRailAsks();
    void roundsStartOnceTheClientTakesTheQueue();
};

void SyncFoldersTest::aPairAddedInTheDialogIsSyncedAndTheRailAsks() {
    ClientHarness harness;
    ScriptedPicker picker;
    harness.environment().picker = &picker;
    SyncFolders* sync = SyncFolders::installInto(harness.client());
    QVERIFY(harness.signIn());
    QVERIFY(sync->keeping());
    test::TempDir dir;
    const std::string local = dir.path() + "/文档";
    fs::create_directories(local);
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        writeFile(local + "/" + name, std::string("content of ") + name);

    harness.client().menuChosen(app::kSyncFolders, false);
    SyncFoldersDialog* dialog = sync->dialog();
    QVERIFY(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    addInDialog(*dialog, picker, local, QStringLiteral("/同步/文档"), 2);
    SyncPairModel& model = sync->model();
    QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 1, ClientHarness::kWaitMs);
    QCOMPARE(cell(model, SyncPairModel::kDisk), QStringLiteral("\\同步\\文档"));
    QCOMPARE(cell(model, SyncPairModel::kMode), QStringLiteral("双向"));
    // The uploads go through the client's queue; the round after them records them.
    QTRY_VERIFY_WITH_TIMEOUT(model.row(0).state == SyncPairRow::State::kInStep, kRoundMs);
    QCOMPARE(cell(model, SyncPairModel::kState), QStringLiteral("已同步"));
    QVERIFY(cell(model, SyncPairModel::kLastSync) != QStringLiteral("从未"));
    const SyncPair pair = model.row(0).pair;
    const auto listed = harness.client().session().disk().folderEntries(pair.remoteFolderId);
    QVERIFY(listed.ok());
    QCOMPARE(listed.value.files.size(), std::size_t{3});
    ClientHarness::screenshot(dialog, QStringLiteral("sync-folders.png"));

    // The disk folder can be chosen in the tree of the disk's folders instead of typed.
    SyncPairAddDialog* add = openAddDialog(*dialog);
    QVERIFY(add);
    const int closedHeight = add->height();
    QTest::mouseClick(add->pickDiskButton(), Qt::LeftButton);
    QVERIFY(add->diskTree()->isVisible());
    QVERIFY(add->height() > closedHeight);
    const auto top = [add] {
        const auto found = add->diskTree()->findItems(QStringLiteral("同步"), Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.front();
    };
    QTRY_VERIFY_WITH_TIMEOUT(top() != nullptr, ClientHarness::kWaitMs);
    QCOMPARE(top()->childCount(), 1);
    ClientHarness::screenshot(add, QStringLiteral("sync-add-tree.png"));
    add->diskTree()->setCurrentItem(top()->child(0));
    QTest::keyClick(add->diskTree(), Qt::Key_Return);
    QCOMPARE(add->diskEdit()->text(), QStringLiteral("/同步/文档"));
    QVERIFY(!add->diskTree()->isVisible());
    QVERIFY(add->isVisible());              // Return picked the folder; it did not press OK
    QCOMPARE(add->height(), closedHeight);  // the tree's room is given back
    add->reject();

    // A folder inside a pair is refused with the reason; nothing is added.
    fs::create_directories(local + "/inner");
    addInDialog(*dialog, picker, local + "/inner", QStringLiteral("/别处"), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!harness.notifier().messages().empty(), ClientHarness::kWaitMs);
    QCOMPARE(QString::fromStdString(harness.notifier().messages().back().text),
             QStringLiteral("未能添加同步文件夹：它位于一个同步文件夹中"));
    QCOMPARE(model.rowCount(), 1);

    // Two of three files deleted here: the watcher's round stops at the rail and asks.
    fs::remove(local + "/a.txt");
    fs::remove(local + "/b.txt");
    QTRY_VERIFY_WITH_TIMEOUT(dialog->question() != nullptr, kRoundMs);
    QCOMPARE(model.row(0).state, SyncPairRow::State::kAsk);
    QCOMPARE(model.row(0).waiting, 2);
    ClientHarness::screenshot(dialog->question(), QStringLiteral("sync-ask.png"));
    QCOMPARE(
        harness.client().session().disk().folderEntries(pair.remoteFolderId).value.files.size(),
        std::size_t{3});
    QTest::mouseClick(dialog->question()->button(QMessageBox::Yes), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(model.row(0).state == SyncPairRow::State::kInStep, kRoundMs);
    const auto after = harness.client().session().disk().folderEntries(pair.remoteFolderId);
    QCOMPARE(after.value.files.size(), std::size_t{1});
    // How often the disk is looked at: the user's choice, kept in bin.db, read by the keeper.
    QCOMPARE(dialog->checkMinutesBox()->value(), SyncPairs::kDefaultCheckMinutes);
    dialog->checkMinutesBox()->setValue(17);
    QTRY_COMPARE_WITH_TIMEOUT(sync->checkMinutes(), 17, ClientHarness::kWaitMs);
    QCOMPARE(SyncPairs(harness.client().session()).checkMinutes(), std::optional<int>(17));
}

// While nubexa-cli holds the queue it also keeps the pairs: the dialog shows them but starts
// no round, until the client takes the queue over.
void SyncFoldersTest::roundsStartOnceTheClientTakesTheQueue() {
    ClientHarness harness;
    SyncFolders* sync = SyncFolders::installInto(harness.client());
    {
        RunLock cliRun(harness.databasePath());
        QVERIFY(cliRun.held());
        QVERIFY(harness.signIn());
        QVERIFY(!sync->keeping());
        harness.client().menuChosen(app::kSyncFolders, false);
        QVERIFY(sync->dialog());
        QVERIFY(!sync->dialog()->syncNowButton()->isEnabled());
    }
    QTRY_VERIFY_WITH_TIMEOUT(sync->keeping(), ClientHarness::kWaitMs);
}

NUBEXA_QTEST(SyncFoldersTest)
#include "sync_folders_test.moc"
