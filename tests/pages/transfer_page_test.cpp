// The uploading and downloading pages against the stand-in and the real transfer workers: the
// rows and their menus, the commands reaching a running worker, the rows following the
// session's pushes, and whole transfers with the desktop notification that sums them up.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextDocumentFragment>
#include <QUrl>
#include <algorithm>
#include <thread>

#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "app/queue_watch.h"
#include "page_driver.h"
#include "pages/delete_task_dialog.h"
#include "pages/transfer_list_model.h"
#include "pages/transfer_page.h"
#include "pages/transfer_rows_relay.h"
#include "pages/transfer_words.h"
#include "session/client_session.h"
#include "support/prepared_bin_db.h"
#include "support/qt_test_main.h"
#include "support/temp_dir.h"

using namespace nubexa;
using namespace nubexa::pages;
using nubexa::test::ClientHarness;
using nubexa::test::kMiB;
using nubexa::test::PageDriver;

namespace {

std::string uidOf(PageDriver& driver) {
    return driver.harness().client().session().account().uid;
}

// bin.db written behind the page's back, as another program or a worker writes it.
nubexa::test::PreparedBinDb behind(PageDriver& driver) {
    return nubexa::test::PreparedBinDb(driver.harness().databasePath());
}

// A task row as the queue writes it; nothing needs its local file but a transfer.
std::int64_t addTask(PageDriver& driver, Direction direction, const std::string& name,
                     std::int64_t size, int status,
                     const std::string& folder = "/home/demo/文档/") {
    return behind(driver).addTask(uidOf(driver), direction, folder, name, size, status);
}

// The upload as the uploading page reads it; none once it has left the page (done or deleted).
std::optional<TransferRow> uploadRow(PageDriver& driver, std::int64_t id) {
    const auto rows = driver.harness().aside().transferRowsOf(Direction::kUpload, {id});
    return rows.empty() ? std::nullopt : std::optional<TransferRow>(rows.front());
}

// How far the upload has come; -1 once it has left the page.
std::int64_t doneOfUpload(PageDriver& driver, std::int64_t id) {
    const auto row = uploadRow(driver, id);
    return row ? row->done : -1;
}

int rowOfTask(TransferPage& page, std::int64_t id) {
    const auto& rows = page.model().rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

std::int64_t doneOf(TransferPage& page, std::int64_t id) {
    const int row = rowOfTask(page, id);
    return row < 0 ? -1 : page.model().rows()[static_cast<std::size_t>(row)].done;
}

std::vector<std::string> menuTexts(TransferPage& page, int row) {
    std::vector<std::string> texts;
    for (const MenuEntry& entry : page.menuForRow(row))
        texts.emplace_back(entry.text);
    return texts;
}

QString cell(TransferPage& page, int row, int column, int role = Qt::DisplayRole) {
    return page.model().index(row, column).data(role).toString();
}

void writeFile(const std::string& path, std::int64_t size) {
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray block(static_cast<int>(kMiB), '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 31 + 7);
    for (std::int64_t left = size; left > 0; left -= block.size())
        file.write(block.constData(), std::min<std::int64_t>(left, block.size()));
}

// Transfers slow enough to watch; the scheduler as in the program.
void slowTransfers(app::ClientEnvironment& environment) {
    environment.transfers.ftp.maxBytesPerSecond = kMiB;
    environment.transfers.ftp.progressInterval = std::chrono::milliseconds(100);
}

}  // namespace

class TransferPageTest : public QObject {
    Q_OBJECT
private slots:
    void rowsStatesMenusAndTotals();
    void refillKeepsSelectionAndFocus();
    void commandsReachTheRunningWorker();
    void transfersRunToTheEndWithOneNotice();
    void pushesMoveTheRowsWithoutATick();
};

void TransferPageTest::rowsStatesMenusAndTotals() {
    // Nothing starts by itself: every row stays as the test wrote it.
    PageDriver driver(
        QStringLiteral("demo"), QStringLiteral("demo123"),
        [](app::ClientEnvironment& environment) { environment.transfers.startAtOnce = false; });
    QVERIFY(driver.ready());
    const auto queued = addTask(driver, Direction::kUpload, "new.bin", 1023, 1);
    const auto running = addTask(driver, Direction::kUpload, "run.bin", 1024, 1);
    const auto waiting = addTask(driver, Direction::kUpload, "slot.bin", kMiB, 2);
    const auto paused = addTask(driver, Direction::kUpload, "mine.bin", 3 * kMiB, 2);
    const auto deleted = addTask(driver, Direction::kUpload, "gone.bin", 10, 2);
    const auto download = addTask(driver, Direction::kDownload, "down.bin", 5000, 2,
                                  driver.harness().homeFolder() + "tasks/");
    const auto video =
        addTask(driver, Direction::kUpload, "会议录像.mp4", 300 * kMiB, 1, "/home/demo/视频/");
    const auto photos =
        addTask(driver, Direction::kUpload, "照片备份.zip", 40 * kMiB, 1, "/home/demo/图片/");
    // Three moving as their workers report them; one paused, one deleted by the user.
    nubexa::test::PreparedBinDb workers = behind(driver);
    QVERIFY(workers.writeProgress(running, 1024, 512, 64));
    QVERIFY(workers.writeProgress(video, 300 * kMiB, 69 * kMiB, 1200));
    QVERIFY(workers.writeProgress(photos, 40 * kMiB, 29 * kMiB, 850));
    ClientSession& session = driver.harness().client().session();
    QCOMPARE(session.pauseTask(paused), TaskCommandResult::kDone);
    QCOMPARE(session.removeTask(deleted), TaskCommandResult::kDone);

    CXPageMyDisk& disk = driver.page();
    disk.switchPage(kPageUploading);
    QVERIFY(driver.settle());
    QCOMPARE(disk.locationLine(), QStringLiteral("当前位置：正在上传"));
    TransferPage& page = disk.transfers();
    QVERIFY(page.list()->isVisible());
    QVERIFY(!disk.list()->isVisible());
    QHeaderView* header = page.list()->horizontalHeader();
    const QStringList titles{QStringLiteral("本地文件信息"),
                             QStringLiteral("网盘文件信息"),
                             QStringLiteral("大小"),
                             QStringLiteral("进度"),
                             QStringLiteral("速度"),
                             QString(),
                             QString(),
                             QStringLiteral("状态")};
    // The columns keep their widths, but the state and speed columns grow to hold their words
    // (a speed of tens of MB/s included), taking it from the local file's; the total stays.
    int total = 0;
    int partTotal = 0;
    for (int column = 0; column < TransferListModel::kColumnCount; ++column) {
        QCOMPARE(page.model().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
                 titles[column]);
        const int width = header->sectionSize(column) * !page.list()->isColumnHidden(column);
        total += width;
        partTotal += TransferListModel::kColumnWidths[column];
        if (column == TransferListModel::kState || column == TransferListModel::kSpeed)
            QVERIFY(width >= TransferListModel::kColumnWidths[column]);
        else if (column != TransferListModel::kLocal)
            QCOMPARE(width, TransferListModel::kColumnWidths[column]);
    }
    QCOMPARE(total, partTotal);
    QFont narrow = page.list()->font();
    narrow.setPixelSize(11);
    QVERIFY(QFontMetrics(narrow).horizontalAdvance(QStringLiteral("47616 KB/S")) <
            header->sectionSize(TransferListModel::kSpeed));
    for (const QString& word : transferStateWords())
        QVERIFY2(page.list()->fontMetrics().horizontalAdvance(word) <
                     header->sectionSize(TransferListModel::kState),
                 qPrintable(word));

    QCOMPARE(page.model().rowCount(), 6);
    QCOMPARE(rowOfTask(page, deleted), -1);
    ClientHarness::screenshot(driver.harness().mainFrame(), QStringLiteral("transfer-page.png"));
    const int q = rowOfTask(page, queued), r = rowOfTask(page, running),
              w = rowOfTask(page, waiting), p = rowOfTask(page, paused);
    // A new task waits ("等待") until its first progress with a speed.
    QCOMPARE(cell(page, q, TransferListModel::kState), QStringLiteral("等待"));
    QCOMPARE(cell(page, q, TransferListModel::kSize), QStringLiteral("1023 B"));
    QCOMPARE(cell(page, r, TransferListModel::kState), QStringLiteral("上传"));
    QCOMPARE(cell(page, r, TransferListModel::kSize), QStringLiteral("1.00 KB"));
    QCOMPARE(cell(page, r, TransferListModel::kSpeed), QStringLiteral("64 KB/S"));
    QCOMPARE(cell(page, r, TransferListModel::kId), QString::number(running));
    QCOMPARE(cell(page, r, TransferListModel::kStatus), QStringLiteral("1"));
    QCOMPARE(page.model()
                 .index(r, TransferListModel::kProgress)
                 .data(TransferListModel::kPercentRole)
                 .toInt(),
             50);
    QCOMPARE(cell(page, r, TransferListModel::kSpeed, TransferListModel::kDetailRole),
             QStringLiteral("剩余 00:01"));
    QCOMPARE(cell(page, w, TransferListModel::kSize), QStringLiteral("1.00 MB"));
    QCOMPARE(cell(page, r, TransferListModel::kLocal), QStringLiteral("/home/demo/文档/run.bin"));
    QCOMPARE(cell(page, r, TransferListModel::kRemote), QStringLiteral("\\run.bin"));
    // Waiting for a slot and paused by the user both say "暂停"; the line under the speed
    // tells them apart.
    QCOMPARE(cell(page, w, TransferListModel::kState), QStringLiteral("暂停"));
    QCOMPARE(cell(page, p, TransferListModel::kState), QStringLiteral("暂停"));
    QCOMPARE(cell(page, w, TransferListModel::kSpeed, TransferListModel::kDetailRole),
             QStringLiteral("排队中"));
    QCOMPARE(cell(page, p, TransferListModel::kSpeed, TransferListModel::kDetailRole),
             QStringLiteral("已暂停"));
    QCOMPARE(page.totals()->text(), QStringLiteral("共 6 个文件，剩余 246.00 MB，2114 KB/S"));
    QCOMPARE(cell(page, rowOfTask(page, video), TransferListModel::kSpeed,
                  TransferListModel::kDetailRole),
             QStringLiteral("剩余 03:18"));

    using Texts = std::vector<std::string>;
    QCOMPARE(menuTexts(page, r), (Texts{"暂停", "删除"}));
    QCOMPARE(page.list()->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(menuTexts(page, q), (Texts{"暂停", "删除"}));
    QCOMPARE(menuTexts(page, w), (Texts{"续传", "删除"}));
    QCOMPARE(menuTexts(page, p), (Texts{"续传", "删除"}));
    QVERIFY(page.menuForRow(7).empty());
    // Below the rows there is no menu.
    QVERIFY(!page.list()->indexAt(QPoint(10, page.list()->viewport()->height() - 2)).isValid());
    page.openRow(r);  // double-clicking an upload does nothing
    QVERIFY(driver.harness().browser().urls().empty());

    // "全部暂停" pauses every task of the page; "全部开始" gives all of them back to the
    // scheduler (which here starts nothing), whatever held them.
    // Both run off the GUI thread, in the order given.
    page.pauseAllButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!page.commandsPending() && !page.filling(), ClientHarness::kWaitMs);
    for (int row = 0; row < page.model().rowCount(); ++row)
        QCOMPARE(cell(page, row, TransferListModel::kState), QStringLiteral("暂停"));
    QCOMPARE(page.model().rows()[static_cast<std::size_t>(r)].task.holdMark, 1);
    page.startAllButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!page.commandsPending() && !page.filling(), ClientHarness::kWaitMs);
    for (const TransferRow& row : page.model().rows()) {
        QCOMPARE(row.task.holdMark, 0);
        QCOMPARE(row.task.status, std::string("2"));
    }
    QCOMPARE(rowOfTask(page, download), -1);

    // Delete on the selected rows asks once and deletes them all; the others stay.
    page.list()->setFocus();
    page.list()->selectionModel()->clearSelection();
    for (const std::int64_t task : {queued, waiting}) {
        page.list()->selectionModel()->select(
            page.model().index(rowOfTask(page, task), 0),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QTest::keyClick(page.list(), Qt::Key_Delete);
    QVERIFY(page.deleteDialog());
    QTest::mouseClick(page.deleteDialog()->confirmButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!page.commandsPending() && !page.filling(), ClientHarness::kWaitMs);
    QCOMPARE(rowOfTask(page, queued), -1);
    QCOMPARE(rowOfTask(page, waiting), -1);
    QCOMPARE(page.model().rowCount(), 4);

    // The downloading page, and the folder of a download opened from its row. Until its rows
    // are read, the uploads' commands are not offered for it.
    disk.switchPage(kPageDownloading);
    QCOMPARE(page.model().rowCount(), 0);
    QVERIFY(!page.pauseAllButton()->isEnabled() && !page.startAllButton()->isEnabled());
    QVERIFY(driver.settle());
    QVERIFY(page.pauseAllButton()->isEnabled());
    QCOMPARE(disk.locationLine(), QStringLiteral("当前位置：正在下载"));
    QCOMPARE(page.model().rowCount(), 1);
    QCOMPARE(menuTexts(page, 0), (Texts{"续传", "删除", "打开所在文件夹"}));
    page.list()->setCurrentIndex(page.model().index(0, 0));
    QTest::keyClick(page.list(), Qt::Key_Return);  // Enter opens as a double-click does
    const std::string folder =
        QUrl::fromLocalFile(QString::fromStdString(driver.harness().homeFolder() + "tasks/"))
            .toString(QUrl::FullyEncoded)
            .toStdString();
    QCOMPARE(driver.harness().browser().urls(), std::vector<std::string>{folder});

    // Back on a disk page the disk list is back.
    disk.switchPage(kPageMyDisk);
    QVERIFY(driver.settle());
    QVERIFY(!page.list()->isVisible());
    QVERIFY(disk.list()->isVisible());
}

void TransferPageTest::refillKeepsSelectionAndFocus() {
    PageDriver driver(
        QStringLiteral("demo"), QStringLiteral("demo123"),
        [](app::ClientEnvironment& environment) { environment.transfers.startAtOnce = false; });
    QVERIFY(driver.ready());
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 40; ++i)
        ids.push_back(addTask(driver, Direction::kUpload, "f" + std::to_string(i), 100, 2));
    CXPageMyDisk& disk = driver.page();
    disk.switchPage(kPageUploading);
    QVERIFY(driver.settle());
    TransferPage& page = disk.transfers();
    QTableView* list = page.list();
    list->selectRow(rowOfTask(page, ids[30]));
    list->scrollTo(page.model().index(rowOfTask(page, ids[30]), 0));
    const int scroll = list->verticalScrollBar()->value();
    QVERIFY(scroll > 0);

    // A task before the selected one leaves, another arrives: the same task stays selected,
    // the list does not jump.
    QCOMPARE(driver.harness().client().session().removeTask(ids[2]), TaskCommandResult::kDone);
    const auto added = addTask(driver, Direction::kUpload, "late", 100, 2);
    page.refresh();
    QVERIFY(driver.settle());
    QCOMPARE(page.model().rowCount(), 40);
    const auto selected = list->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(page.model().rows()[static_cast<std::size_t>(selected[0].row())].id, ids[30]);
    QCOMPARE(list->verticalScrollBar()->value(), scroll);

    // Pushed changes while the list has the keyboard focus (a right-click on the disk list that
    // switches here leaves it there), told here as the engine tells them: each touches only its
    // row; the selection, the current row and the focus stay.
    disk.window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(disk.window()));
    list->setFocus();
    QTRY_VERIFY(list->hasFocus());
    TransferRowsRelay& relay = page.relay();
    using Kind = TransferRowChange::Kind;
    nubexa::test::PreparedBinDb worker = behind(driver);
    const auto writeDone = [&](std::int64_t done) {
        QVERIFY(worker.writeProgress(ids[30], 100, done, 12));
        relay.rowProgressed({ids[30], Direction::kUpload, done, 100, 12, static_cast<int>(done)});
    };
    QSignalSpy resets(&page.model(), &QAbstractItemModel::modelReset);
    QVERIFY(worker.remove(added));
    QVERIFY(worker.startWaiting(ids[30]));
    relay.rowChanged({Kind::kRemoved, added, std::nullopt, {}, false});
    relay.rowChanged({Kind::kStarted, ids[30], Direction::kUpload, {}, false});
    QVERIFY(driver.settle());
    QCOMPARE(rowOfTask(page, added), -1);
    QCOMPARE(cell(page, rowOfTask(page, ids[30]), TransferListModel::kStatus), QStringLiteral("1"));
    writeDone(40);
    QTRY_COMPARE(doneOf(page, ids[30]), std::int64_t{40});
    writeDone(70);
    QTRY_COMPARE(doneOf(page, ids[30]), std::int64_t{70});
    QCOMPARE(cell(page, rowOfTask(page, ids[30]), TransferListModel::kSpeed),
             QStringLiteral("12 KB/S"));
    QCOMPARE(resets.count(), 0);
    QVERIFY(list->hasFocus());
    const auto kept = list->selectionModel()->selectedRows();
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept[0].row(), rowOfTask(page, ids[30]));
    QCOMPARE(list->currentIndex().row(), rowOfTask(page, ids[30]));
    // A step its worker made before the user's pause, told after it, is not shown: the row is
    // as the pause left it.
    QVERIFY(worker.pause(ids[30]));
    relay.rowProgressed({ids[30], Direction::kUpload, 90, 100, 12, 90});
    relay.rowChanged({Kind::kPaused, ids[30], std::nullopt, {}, false});
    QVERIFY(driver.settle());
    QTest::qWait(2 * static_cast<int>(TransferRowsRelay::kProgressInterval.count()));
    QCOMPARE(doneOf(page, ids[30]), std::int64_t{70});
    QCOMPARE(cell(page, rowOfTask(page, ids[30]), TransferListModel::kSpeed,
                  TransferListModel::kDetailRole),
             QStringLiteral("已暂停"));

    // A refusal from the service shows as the words it is, not as markup that loads a picture.
    const std::string markup = "<b>x</b><img src=\"http://127.0.0.1:9/p.png\">";
    QVERIFY(worker.fail(ids[5], markup));
    relay.rowChanged({Kind::kFailed, ids[5], Direction::kUpload, markup, false});
    QVERIFY(driver.settle());
    const QString tip =
        cell(page, rowOfTask(page, ids[5]), TransferListModel::kState, Qt::ToolTipRole);
    QCOMPARE(QTextDocumentFragment::fromHtml(tip).toPlainText(), QString::fromStdString(markup));
}

void TransferPageTest::commandsReachTheRunningWorker() {
    PageDriver driver(QStringLiteral("demo"), QStringLiteral("demo123"), slowTransfers);
    QVERIFY(driver.ready());
    const std::string local = driver.harness().homeFolder() + "big.bin";
    writeFile(local, 6 * kMiB);
    CXPageMyDisk& disk = driver.page();
    disk.uploadPaths({QString::fromStdString(local)});
    QVERIFY(driver.settle());
    QCOMPARE(disk.page(), int(kPageUploading));
    TransferPage& page = disk.transfers();
    QCOMPARE(page.model().rowCount(), 1);
    const std::int64_t id = page.model().rows()[0].id;
    ClientSession& session = driver.harness().client().session();
    const auto moving = [&] {
        return page.model().rowCount() == 1 && page.model().shown(0).columns.state == "上传";
    };
    QTRY_VERIFY_WITH_TIMEOUT(moving(), ClientHarness::kWaitMs);

    // Pause: the row says so at once, the worker lets go of the file.
    QCOMPARE(menuTexts(page, 0), (std::vector<std::string>{"暂停", "删除"}));
    page.runCommand(kCommandPause);
    QTRY_COMPARE_WITH_TIMEOUT(page.model().shown(0).columns.state, std::string("暂停"),
                              ClientHarness::kWaitMs);
    QCOMPARE(page.model().shown(0).detail, std::string("已暂停"));
    QTRY_COMPARE_WITH_TIMEOUT(session.runningTransfers(Direction::kUpload), 0,
                              ClientHarness::kWaitMs);
    const std::int64_t stoppedAt = doneOfUpload(driver, id);
    QVERIFY(stoppedAt > 0 && stoppedAt < 6 * kMiB);
    QTest::qWait(300);
    QCOMPARE(doneOfUpload(driver, id), stoppedAt);

    // Resume: a worker takes it up again where it stopped.
    QCOMPARE(menuTexts(page, 0), (std::vector<std::string>{"续传", "删除"}));
    page.runCommand(kCommandResume);
    QTRY_VERIFY_WITH_TIMEOUT(doneOfUpload(driver, id) > stoppedAt, ClientHarness::kWaitMs);

    // Delete: asked first; "取消" keeps the task, "确定删除" ends it and its worker.
    menuTexts(page, 0);
    page.runCommand(kCommandDelete);
    DeleteTaskDialog* ask = page.deleteDialog();
    QVERIFY(ask);
    QCOMPARE(ask->size(), DeleteTaskDialog::kSize);
    QCOMPARE(ask->windowTitle(), QStringLiteral("删除"));
    QCOMPARE(ask->confirmButton()->geometry(), DeleteTaskDialog::kConfirm);
    QCOMPARE(ask->cancelButton()->geometry(), DeleteTaskDialog::kCancel);
    ClientHarness::screenshot(ask, QStringLiteral("delete-task-dialog.png"));
    QTest::mouseClick(ask->cancelButton(), Qt::LeftButton);
    QTRY_VERIFY(!page.deleteDialog());
    QVERIFY(uploadRow(driver, id) && uploadRow(driver, id)->task.status == "1");
    page.runCommand(kCommandDelete);
    QVERIFY(page.deleteDialog());
    QTest::mouseClick(page.deleteDialog()->confirmButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(page.model().rowCount(), 0, ClientHarness::kWaitMs);
    QVERIFY(!uploadRow(driver, id));
    QTRY_COMPARE_WITH_TIMEOUT(session.runningTransfers(Direction::kUpload), 0,
                              ClientHarness::kWaitMs);
    QVERIFY(!driver.harness().topFolderFileSize("big.bin"));  // never finished

    // Gone for good, also for the next run of the client.
    QVERIFY(driver.restartClient());
    driver.page().switchPage(kPageUploading);
    QVERIFY(driver.settle());
    QCOMPARE(driver.page().transfers().model().rowCount(), 0);
    QVERIFY(!uploadRow(driver, id));
    QVERIFY(!driver.harness().topFolderFileSize("big.bin"));
}

void TransferPageTest::transfersRunToTheEndWithOneNotice() {
    PageDriver driver(QStringLiteral("demo"), QStringLiteral("demo123"),
                      [](app::ClientEnvironment& environment) {
                          slowTransfers(environment);
                          // A task is held at its first failure.
                          environment.transfers.failing.failuresBeforeHold = 1;
                      });
    QVERIFY(driver.ready());
    const std::string local = driver.harness().homeFolder() + "report.bin";
    writeFile(local, 3 * kMiB);
    CXPageMyDisk& disk = driver.page();
    TransferPage& page = disk.transfers();
    app::QueueWatch& watch = driver.harness().client().queueWatch();
    const auto notices = [&] { return driver.harness().desktopNotices().notices(); };

    // The upload: its progress rises on the page until the row leaves it.
    disk.uploadPaths({QString::fromStdString(local)});
    QVERIFY(driver.settle());
    QCOMPARE(page.model().rowCount(), 1);
    int seen = 0;
    QString tip;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            if (page.model().rowCount() == 0)
                return true;
            seen = std::max(seen, page.model().shown(0).columns.progress);
            watch.tick();  // as the main window's timer does
            if (tip.isEmpty())
                tip = watch.progressTip();
            return false;
        }(),
        30000);
    QVERIFY2(seen > 0 && seen < 100, qPrintable(QString::number(seen)));
    QTRY_VERIFY_WITH_TIMEOUT(!notices().empty(), 15000);
    QCOMPARE(notices().size(), std::size_t(1));
    QCOMPARE(notices()[0].first, app::QueueWatch::tr(app::QueueWatch::kDoneTitle));
    QCOMPARE(notices()[0].second, QStringLiteral("上传 1 个文件，下载 0 个文件"));
    // The tray showed the queue's progress while it ran.
    QVERIFY2(tip.startsWith(QStringLiteral("正在传输：上传 1 个，下载 0 个")), qPrintable(tip));
    QVERIFY(watch.progressTip().isEmpty());

    // The download of the same file, into another folder.
    disk.switchPage(kPageMyDisk);
    QVERIFY(driver.settle());
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            disk.refresh();
            return driver.settle() && driver.rowOf("report.bin") >= 0;
        }(),
        15000);
    const std::string target = driver.harness().homeFolder() + "got";
    QVERIFY(QDir().mkpath(QString::fromStdString(target)));
    driver.picker().answer = target;
    QVERIFY(driver.command("report.bin", 209));
    QCOMPARE(disk.page(), int(kPageDownloading));
    QVERIFY(driver.settle());  // queued off the GUI thread
    QTRY_COMPARE_WITH_TIMEOUT(page.model().rowCount(), 0, 30000);
    QCOMPARE(QFileInfo(QString::fromStdString(target + "/report.bin")).size(), 3 * kMiB);
    QTRY_COMPARE_WITH_TIMEOUT(notices().size(), std::size_t(2), 15000);
    QCOMPARE(notices()[1].second, QStringLiteral("上传 0 个文件，下载 1 个文件"));

    // A download of a file the service does not have fails and is held: told once, and
    // counted in the sum when the queue is empty again. Written behind the page's back, it
    // comes onto the page when the scheduler starts it.
    const auto missing =
        addTask(driver, Direction::kDownload, "missing.bin", 100, 2, driver.harness().homeFolder());
    QTRY_COMPARE_WITH_TIMEOUT(notices().size(), std::size_t(4), 20000);
    QCOMPARE(notices()[2].first, app::QueueWatch::tr(app::QueueWatch::kFailedTitle));
    QVERIFY(notices()[2].second.contains(QStringLiteral("missing.bin")));
    QCOMPARE(notices()[3].second, QStringLiteral("上传 0 个文件，下载 0 个文件，1 个失败"));
    QTRY_COMPARE_WITH_TIMEOUT(rowOfTask(page, missing), 0, ClientHarness::kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(page.model().shown(0).detail, std::string("待重试"),
                              ClientHarness::kWaitMs);
    // Once: later ticks of an empty queue say nothing more.
    QSignalSpy ticks(&driver.harness().client(), &app::CMainWnd::queueTicked);
    QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 1, 10000);
    QCOMPARE(notices().size(), std::size_t(4));
}

// With the main window's timer stopped nothing reads the page again by itself: a queued upload's
// progress rises in place on its row and the row leaves the page when done; a task another
// program queued comes onto it and, resumed, runs to its end the same way; all from what the
// session pushes.
void TransferPageTest::pushesMoveTheRowsWithoutATick() {
    PageDriver driver(QStringLiteral("demo"), QStringLiteral("demo123"), slowTransfers);
    QVERIFY(driver.ready());
    app::CMainWnd& client = driver.harness().client();
    ClientSession& session = client.session();
    client.stopTimer();
    QSignalSpy ticks(&client, &app::CMainWnd::mainTimerTicked);
    CXPageMyDisk& disk = driver.page();
    disk.switchPage(kPageUploading);
    QVERIFY(driver.settle());
    TransferPage& page = disk.transfers();
    QCOMPARE(page.model().rowCount(), 0);

    // Queued as the disk page does it (off the GUI thread; the queue shows this page).
    const std::string local = driver.harness().homeFolder() + "pushed.bin";
    writeFile(local, 3 * kMiB);
    std::thread([&] { session.queueFileUploads({local}, RemoteFolder{}); }).join();
    QTRY_COMPARE_WITH_TIMEOUT(page.model().rowCount(), 1, ClientHarness::kWaitMs);
    QVERIFY(driver.settle());
    const std::int64_t id = page.model().rows()[0].id;
    QSignalSpy resets(&page.model(), &QAbstractItemModel::modelReset);
    QSignalSpy removed(&page.model(), &QAbstractItemModel::rowsRemoved);

    std::vector<int> percents;
    QString movingTotals;
    const auto watchUntilGone = [&] {
        if (page.model().rowCount() == 0)
            return true;
        const TransferPageRow& shown = page.model().shown(0).columns;
        if (percents.empty() || percents.back() != shown.progress)
            percents.push_back(shown.progress);
        if (shown.state == "上传")
            movingTotals = page.totals()->text();
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(watchUntilGone(), 30000);
    QVERIFY2(std::any_of(percents.begin(), percents.end(), [](int p) { return p > 0 && p < 100; }),
             qPrintable(QString::number(percents.back())));
    // The totals followed the progress ("共 1 个文件，剩余 …，… KB/S" with a speed).
    QVERIFY2(movingTotals.startsWith(QStringLiteral("共 1 个文件")) &&
                 !movingTotals.endsWith(QStringLiteral("，0 KB/S")),
             qPrintable(movingTotals));
    QCOMPARE(page.totals()->text(), QStringLiteral("没有正在上传的文件"));
    QVERIFY(!uploadRow(driver, id));
    QCOMPARE(driver.harness().topFolderFileSize("pushed.bin"),
             std::optional<std::int64_t>(3 * kMiB));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(resets.count(), 0);  // row by row, never read whole

    // A task written behind the page's back, as another program (nubexa-cli put) writes it,
    // comes onto the page by itself once the tray has looked at the queue: bin.db's watch tells
    // the session, which tells the page that tasks were added. Resumed, it runs to its end.
    std::thread([&] { session.queueSnapshot(); }).join();
    const std::string folder = driver.harness().homeFolder();
    writeFile(folder + "again.bin", 2 * kMiB);
    const auto again = addTask(driver, Direction::kUpload, "again.bin", 2 * kMiB, 2, folder);
    QVERIFY(behind(driver).pause(again));
    QTRY_COMPARE_WITH_TIMEOUT(rowOfTask(page, again), 0, ClientHarness::kWaitMs);
    QCOMPARE(page.model().rowCount(), 1);
    std::thread([&] { session.resumeTask(again); }).join();
    percents.clear();
    QTRY_VERIFY_WITH_TIMEOUT(watchUntilGone(), 30000);
    QVERIFY(std::any_of(percents.begin(), percents.end(), [](int p) { return p > 0 && p < 100; }));
    QCOMPARE(driver.harness().topFolderFileSize("again.bin"),
             std::optional<std::int64_t>(2 * kMiB));
    QCOMPARE(removed.count(), 2);
    QCOMPARE(ticks.count(), 0);
}

NUBEXA_QTEST(TransferPageTest)
#include "transfer_page_test.moc"
