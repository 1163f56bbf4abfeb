// The disk page: filling the list with a full listing (1,024 files and 300 folders), against a
// QStandardItemModel filled with the same texts as the peer; and a folder double-click until
// the new rows are shown, against the bare GetFiles request of the same folder.
#include <QApplication>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <chrono>
#include <cstdio>

#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "bench_world.h"
#include "pages/disk_list_model.h"
#include "pages/x_page_my_disk.h"
#include "service/service_client.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 20;

double elapsedMs(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

nubexa::DiskTables fullListing() {
    nubexa::DiskTables tables;
    for (int i = 0; i < 300; ++i) {
        auto& folder = tables.disk_folders[static_cast<std::size_t>(i)];
        folder.id = std::to_string(10000 + i);
        folder.name = "文件夹 " + std::to_string(i);
        folder.ispwd = i % 7 == 0 ? "1" : "0";
        folder.isshare = i % 5 == 0 ? "1" : "0";
        folder.time = "2026-12-08 11:00:00";
    }
    static const char* const kExts[] = {".pdf", ".PDF", ".txt", ".png", ".zip", ".docx"};
    for (std::size_t i = 0; i < nubexa::kTableSize; ++i) {
        auto& file = tables.disk_files[i];
        file.id = std::to_string(20000 + i);
        file.name = "文件 " + std::to_string(i);
        file.ext = kExts[i % 6];
        file.size = std::to_string(i * 997 * 1024);
        file.isshare = i % 3 == 0 ? "1" : "0";
        file.isoutlink = i % 4 == 0 ? "1" : "0";
        file.ispwd = "0";
        file.time = "2026-12-08 11:00:00";
    }
    return tables;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    nubexa::bench::BenchWorld world("page");
    if (!world.started())
        return 1;
    const std::string work = world.work();
    nubexa::app::PictureCache pictures(QString::fromStdString(work + "/program/image/"));

    // 1. Filling the list: rows built, model reset, the view laid out and painted.
    const nubexa::DiskTables tables = fullListing();
    nubexa::pages::DiskListModel model(pictures);
    QTableView view;
    view.resize(690, 375);
    view.setModel(&model);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        std::fprintf(stderr, "list not exposed\n");
    double fillMs = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        model.setRows(nubexa::pages::buildDiskRows(tables, 1, false));
        view.grab();
        fillMs += elapsedMs(start);
    }
    fillMs /= kRounds;

    QStandardItemModel peer;
    view.setModel(&peer);
    double peerMs = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        peer.clear();
        peer.setColumnCount(6);
        for (const auto& row : nubexa::pages::buildDiskRows(tables, 1, false)) {
            QList<QStandardItem*> items;
            for (const auto* text :
                 {&row.name, &row.share, &row.link, &row.size, &row.time, &row.id})
                items << new QStandardItem(QString::fromStdString(*text));
            peer.appendRow(items);
        }
        view.grab();
        peerMs += elapsedMs(start);
    }
    peerMs /= kRounds;
    view.hide();

    // 2. A folder double-click against the stand-in.
    const nubexa::app::ClientEnvironment environment = world.environment();

    double bareMs = 0;
    {
        nubexa::ServiceClient client(environment.config, environment.programFolder);
        client.Login("demo", "demo123");
        const auto account = client.account();
        client.GetFiles(account.uid, account.token, "0", "name", "0");
        std::string photos;
        for (const auto& folder : nubexa::listedEntries(client.tables().disk_folders)) {
            if (folder.name == "照片")
                photos = folder.id;
        }
        for (int round = 0; round < kRounds; ++round) {
            const auto start = Clock::now();
            client.GetFiles(account.uid, account.token, photos, "name", "0");
            bareMs += elapsedMs(start);
        }
        bareMs /= kRounds;
    }

    auto client = nubexa::bench::BenchWorld::signedInClient(environment);
    if (!client)
        return 1;
    auto* page = qobject_cast<nubexa::pages::CXPageMyDisk*>(client->mainFrame()->pages());
    double openMs = 0;
    for (int round = 0; round < kRounds; ++round) {
        int row = -1;
        const auto& rows = page->model().rows();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].name == "照片")
                row = static_cast<int>(i);
        }
        QSignalSpy done(page, &nubexa::pages::CXPageMyDisk::listingDone);
        const auto start = Clock::now();
        page->openRow(row);
        if (!done.wait(10000)) {
            std::fprintf(stderr, "no listing\n");
            return 1;
        }
        page->list()->viewport()->repaint();
        openMs += elapsedMs(start);
        page->goHome();
        QSignalSpy back(page, &nubexa::pages::CXPageMyDisk::listingDone);
        back.wait(10000);
    }
    openMs /= kRounds;
    client.reset();

    std::printf(
        "BENCH disk_page fill_ms=%.2f fill_peer_ms=%.2f fill_ratio=%.2f open_folder_ms=%.2f "
        "bare_getfiles_ms=%.2f open_ratio=%.2f\n",
        fillMs, peerMs, fillMs / peerMs, openMs, bareMs, openMs / bareMs);
    return 0;
}
