// The disk page: filling the list with a full listing (1,024 files and 300 folders), against a
// QStandardItemModel filled with the same texts as the peer; a folder double-click until the
// new rows are shown, against GetFiles of the same folder; and a folder of 10,000 files opened
// and shown, against the bare HTTP request of its listing.
#include <curl/curl.h>
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
#include "service/signed_query.h"

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

constexpr int kLargeFolderFiles = 10000;
const std::string kLargeFolder = "一万个文件";

std::size_t discard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

// The listing's bare HTTP exchange with libcurl alone: a new handle each time, as a listing has.
double bareRequestMs(const std::string& url) {
    const auto start = Clock::now();
    CURL* handle = curl_easy_init();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, discard);
    curl_easy_perform(handle);
    curl_easy_cleanup(handle);
    return elapsedMs(start);
}

int rowNamed(const nubexa::pages::CXPageMyDisk& page, const std::string& name) {
    const auto& rows = page.model().rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

// Double-clicks the folder row `row` and measures until its rows are painted; then goes back
// to the top folder. Negative when no listing came.
double openAndReturnMs(nubexa::pages::CXPageMyDisk& page, int row,
                       std::size_t* rowsShown = nullptr) {
    QSignalSpy done(&page, &nubexa::pages::CXPageMyDisk::listingDone);
    const auto start = Clock::now();
    page.openRow(row);
    if (!done.wait(10000)) {
        std::fprintf(stderr, "no listing\n");
        return -1;
    }
    // The paint the new rows asked for, if the wait did not already run it; a forced repaint
    // here would paint the rows a second time.
    QCoreApplication::sendPostedEvents();
    const double ms = elapsedMs(start);
    if (rowsShown != nullptr)
        *rowsShown = page.model().rows().size();
    QSignalSpy back(&page, &nubexa::pages::CXPageMyDisk::listingDone);
    page.goHome();
    back.wait(10000);
    return ms;
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
        client.signIn("demo", "demo123");
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
        const double ms = openAndReturnMs(*page, rowNamed(*page, "照片"));
        if (ms < 0)
            return 1;
        openMs += ms;
    }
    openMs /= kRounds;

    // 3. The folder of 10,000 files, opened from the top folder until its rows are painted.
    if (!world.seedFolder(kLargeFolder, kLargeFolderFiles))
        return 1;
    QSignalSpy refreshed(page, &nubexa::pages::CXPageMyDisk::listingDone);
    page->goHome();
    refreshed.wait(10000);
    double largeMs = 0;
    double largeBareMs = 0;
    std::size_t largeRows = 0;
    constexpr int kLargeRounds = 5;
    for (int round = 0; round < kLargeRounds; ++round) {
        const int row = rowNamed(*page, kLargeFolder);
        const std::string folderId = page->model().rows().at(static_cast<std::size_t>(row)).id;
        const double ms = openAndReturnMs(*page, row, &largeRows);
        if (ms < 0)
            return 1;
        largeMs += ms;
        const auto account = client->session().account();
        largeBareMs += bareRequestMs(nubexa::SignedQuery("/UserService.asmx/GetFiles")
                                         .add("uid", account.uid)
                                         .add("token", account.token)
                                         .add("dir", folderId)
                                         .add("order", "name")
                                         .add("desc", "0")
                                         .signedUrl(environment.config.apiHost));
    }
    largeMs /= kLargeRounds;
    largeBareMs /= kLargeRounds;
    client.reset();

    std::printf(
        "BENCH disk_page fill_ms=%.2f fill_peer_ms=%.2f fill_ratio=%.2f open_folder_ms=%.2f "
        "getfiles_ms=%.2f open_ratio=%.2f open_10000_ms=%.1f bare_10000_ms=%.1f "
        "open_10000_ratio=%.2f rows_10000=%zu\n",
        fillMs, peerMs, fillMs / peerMs, openMs, bareMs, openMs / bareMs, largeMs, largeBareMs,
        largeMs / largeBareMs, largeRows);
    return largeRows == kLargeFolderFiles + 1 ? 0 : 1;  // the files and "返回"
}
