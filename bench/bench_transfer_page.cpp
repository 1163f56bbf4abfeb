// The transfer pages with 10,000 unfinished tasks of the signed-in user: a refill of the list
// (the set of tasks changed: the rows are read, built and reset, the view painted), and one
// monitor tick while the uploading page is shown (speeds summed, the tray's progress worked out,
// the view painted), and a transfer's progress step pushed to the page (brought to the GUI
// thread, the row changed in place, the view painted). The peer of all is the plain way: a
// QStandardItemModel filled with the same texts (and a progress number) from the same rows.
#include <QApplication>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <chrono>
#include <cstdio>

#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "app/queue_watch.h"
#include "bench_world.h"
#include "pages/transfer_list_model.h"
#include "pages/transfer_page.h"
#include "pages/transfer_rows_relay.h"
#include "pages/x_page_my_disk.h"
#include "session/session_core.h"
#include "store/local_store.h"
#include "store/store_gate.h"
#include "store/task_table.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 20;
constexpr int kTasks = 10000;

// A switch of page reads its rows off the GUI thread: until they are shown.
void waitForFill(const nubexa::pages::TransferPage& page) {
    while (page.filling())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

double elapsedMs(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// 10,000 tasks of each direction: a few running with progress, the rest waiting.
void queueTasks(nubexa::StoreGate& gate, const std::string& uid, const std::string& folder) {
    gate.run([&](nubexa::LocalStore& store) {
        store.exec("BEGIN");
        nubexa::TaskTable tasks(store);
        for (int i = 0; i < 2 * kTasks; ++i) {
            const std::string name = "文件 " + std::to_string(i) + ".bin";
            const nubexa::NewTaskRow row{
                uid, folder, name, name, 1000000 + i * 37, i % 50 == 0 ? 1 : 2, "\\备份\\", "0"};
            if (i < kTasks)
                tasks.insertFileUpload(row);
            else
                tasks.insertFileDownload(row);
            if (i % 50 == 0) {
                const std::int64_t id = tasks.lastInsertedId();
                tasks.writeProgress({id, row.fileSize, row.fileSize / 3, 33, 120});
            }
        }
        store.exec("COMMIT");
    });
}

// The peer: every row's texts into a QStandardItemModel.
void fillPeer(QStandardItemModel& peer, const std::vector<nubexa::TransferRow>& rows) {
    peer.clear();
    peer.setColumnCount(8);
    for (const auto& row : rows) {
        const auto texts = nubexa::showTransfer(row, nubexa::Direction::kUpload);
        const auto& shown = texts.columns;
        QList<QStandardItem*> items;
        for (const auto* text : {&shown.localInfo, &shown.remoteInfo, &shown.size})
            items << new QStandardItem(QString::fromStdString(*text));
        items << new QStandardItem(QString::number(shown.progress));
        for (const auto* text : {&shown.speed, &shown.id, &shown.status, &shown.state})
            items << new QStandardItem(QString::fromStdString(*text));
        peer.appendRow(items);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    nubexa::bench::BenchWorld world("transfers");
    if (!world.started())
        return 1;
    nubexa::app::ClientEnvironment environment = world.environment();
    // The tasks only wait: the measure is of the pages, not of transfers.
    environment.transfers.startAtOnce = false;
    auto client = nubexa::bench::BenchWorld::signedInClient(environment);
    if (!client)
        return 1;
    const std::string uid = client->session().account().uid;
    queueTasks(nubexa::SessionCore::gate(client->session()), uid, environment.homeFolder);
    auto* disk = qobject_cast<nubexa::pages::CXPageMyDisk*>(client->mainFrame()->pages());
    nubexa::pages::TransferPage& page = disk->transfers();
    QTableView* list = page.list();

    // 1. Refill: every fill changes the set of tasks (uploads, then downloads, and back).
    disk->switchPage(nubexa::pages::kPageUploading);
    double refillMs = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        disk->switchPage(round % 2 == 0 ? nubexa::pages::kPageDownloading
                                        : nubexa::pages::kPageUploading);
        waitForFill(page);
        list->viewport()->repaint();
        refillMs += elapsedMs(start);
    }
    refillMs /= kRounds;
    if (page.model().rowCount() != kTasks) {
        std::fprintf(stderr, "%d rows\n", page.model().rowCount());
        return 1;
    }

    // 2. A tick of the main window's timer on the uploading page.
    disk->switchPage(nubexa::pages::kPageUploading);
    waitForFill(page);
    double tickMs = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        client->session().monitorTick();
        client->queueWatch().tick();
        QCoreApplication::processEvents();  // the monitor's refresh, brought over
        waitForFill(page);
        list->viewport()->repaint();
        tickMs += elapsedMs(start);
    }
    tickMs /= kRounds;

    // A transfer's progress step, pushed as the engine pushes it: the relay hands it on at most
    // once per interval, so each round waits out the interval before it starts the clock.
    std::int64_t moving = 0;
    for (const auto& row : page.model().rows())
        if (row.task.status == "1" && moving == 0)
            moving = row.id;
    if (moving == 0) {
        std::fprintf(stderr, "no running row\n");
        return 1;
    }
    double movingMs = 0;
    for (int round = 0; round < kRounds; ++round) {
        QTest::qWait(static_cast<int>(nubexa::pages::TransferRowsRelay::kProgressInterval.count()));
        const std::int64_t done = 1000 * (round + 1);
        const auto start = Clock::now();
        page.relay().rowProgressed({moving, nubexa::Direction::kUpload, done, 1000000, 100, 0});
        const auto shown = [&] {
            for (const auto& row : page.model().rows())
                if (row.id == moving)
                    return row.done == done;
            return true;
        };
        while (!shown())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        list->viewport()->repaint();
        movingMs += elapsedMs(start);
    }
    movingMs /= kRounds;

    // The peer, on the same view and rows.
    QStandardItemModel peer;
    list->setModel(&peer);
    double peerMs = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        fillPeer(peer,
                 client->session().transferRows(round % 2 == 0 ? nubexa::Direction::kUpload
                                                               : nubexa::Direction::kDownload));
        list->viewport()->repaint();
        peerMs += elapsedMs(start);
    }
    peerMs /= kRounds;
    list->setModel(&page.model());

    client.reset();
    std::printf(
        "BENCH transfer_page rows=%d refill_ms=%.2f tick_ms=%.2f pushed_step_ms=%.2f "
        "peer_refill_ms=%.2f refill_ratio=%.2f tick_ratio=%.2f pushed_step_ratio=%.2f\n",
        kTasks, refillMs, tickMs, movingMs, peerMs, refillMs / peerMs, tickMs / peerMs,
        movingMs / peerMs);
    return 0;
}
