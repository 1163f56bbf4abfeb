// How long the GUI thread's event loop goes without turning while the client signs in, lists
// the disk, queues a folder of 200 files and shows the uploading page as they move, with
// another process holding bin.db's write lock for 2 s at a time (as a nubexa-cli command or a
// backup tool may). The peer is the same loop with the client idle: the timer's own jitter.
// Run from the release build folder (it finds the pictures there), on the offscreen platform;
// the stand-in runs in this process. --no-writer runs the same steps without the competing
// writer: what the steps cost the GUI thread by themselves. Last, the thumbnail view of a folder
// of 10,000 pictures, scrolled a page at a time while the thumbnails come.
//
// --silent-secrets: instead, the demo user's password is remembered in a Secret Service
// (gnome-keyring on a private session bus) with automatic sign-in on, and the keyring then stops
// answering. Measured: the start-up until the client has given up on the keyring and the
// sign-in window is usable, and a switch of account from the title bar while uploads run until
// the sign-in window is back and its read has ended. The competing writer runs here too
// (--no-writer: without).
#include <ace/Log_Msg.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QListView>
#include <QProcess>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "app/app_menus.h"
#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "app/sign_in_window.h"
#include "bench_world.h"
#include "keychain/keychain_secret_store.h"
#include "keychain/remembered_passwords.h"
#include "pages/disk_list_model.h"
#include "pages/transfer_list_model.h"
#include "pages/transfer_page.h"
#include "pages/x_page_my_disk.h"
#include "platform/notifier.h"
#include "service/common.h"
#include "service/service_client.h"
#include "store/local_store.h"
#include "store/store_gate.h"
#include "support/secret_service_session.h"

namespace {

using namespace nubexa;
using namespace std::chrono_literals;

constexpr auto kHold = 2s;
constexpr auto kBetweenHolds = 100ms;
constexpr int kFiles = 200;
constexpr int kPictures = 10000;
// How long the keyring is waited for: the program waits 5 s; a shorter wait only ends the run
// sooner, the GUI thread does the same either way.
constexpr int kKeyringLimitMs = 3000;
const std::string kPictureFolder = "一万张图片";

// A small photograph-like JPEG: every file of the picture folder has these bytes.
std::string pictureBytes() {
    QImage image(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7) % 256, (y * 5) % 256, (x * y) % 256));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return bytes.toStdString();
}

// The competing writer: BEGIN IMMEDIATE, 2 s, COMMIT, again, until killed.
int holdWriteLock(const char* databasePath) {
    nubexa::StoreGate gate(databasePath, nubexa::StoreOptions{60000});
    for (;;) {
        gate.run([](nubexa::LocalStore& store) {
            if (!store.exec("BEGIN IMMEDIATE"))
                return;
            std::printf("held\n");
            std::fflush(stdout);
            std::this_thread::sleep_for(kHold);
            store.exec("COMMIT");
        });
        std::this_thread::sleep_for(kBetweenHolds);
    }
}

// The longest gap between two turns of the event loop, seen by a 1 ms timer, in all and in
// each step of the run.
class LoopProbe : public QObject {
public:
    enum Step { kSignIn, kListing, kQueueing, kPage, kThumbnails, kScrolling, kSteps };

    LoopProbe() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 gap = m_since.restart();
            m_maxGapMs = std::max(m_maxGapMs, gap);
            m_stepGapMs[m_step] = std::max(m_stepGapMs[m_step], gap);
            ++m_turns;
        });
    }
    void start() {
        m_maxGapMs = 0;
        m_turns = 0;
        m_since.start();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    void enter(Step step) { m_step = step; }
    qint64 maxGapMs() const { return m_maxGapMs; }
    qint64 stepGapMs(Step step) const { return m_stepGapMs[step]; }
    int turns() const { return m_turns; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_maxGapMs = 0;
    qint64 m_stepGapMs[kSteps] = {};
    Step m_step = kSignIn;
    int m_turns = 0;
};

// Runs the event loop (no sleeps of its own) until `done` or the time limit.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    poll.start();
    if (!done())
        loop.exec();
    return done();
}

void runFor(std::chrono::milliseconds time) {
    waitUntil([] { return false; }, time);
}

bool fail(const char* what) {
    std::fprintf(stderr, "bench_gui_stall: %s\n", what);
    return false;
}

// Types the demo account into the sign-in window and signs in; the disk page once the main
// window shows, else null (said).
nubexa::pages::CXPageMyDisk* signInAsDemo(nubexa::app::CMainWnd& client) {
    client.signInWindow()->accountEdit()->setText(QStringLiteral("demo"));
    client.signInWindow()->passwordEdit()->setText(QStringLiteral("demo123"));
    client.SignIn("0");
    if (!waitUntil([&] { return client.mainFrame() && client.mainFrame()->isVisible(); }, 30s)) {
        fail("the main window did not open");
        return nullptr;
    }
    return qobject_cast<nubexa::pages::CXPageMyDisk*>(client.mainFrame()->pages());
}

// The competing writer on `databasePath`, in a process of its own (this program again).
bool startWriter(QProcess& holder, const char* self, const std::string& databasePath) {
    holder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    holder.start(QString::fromLocal8Bit(self),
                 {QStringLiteral("--hold-write-lock"), QString::fromStdString(databasePath)});
    return holder.waitForReadyRead(10000);
}

int stopWriter(QProcess& holder) {
    const int holds = static_cast<int>(holder.readAllStandardOutput().count('\n'));
    holder.kill();
    holder.waitForFinished(5000);
    return holds;
}

// The demo user's password remembered in `secrets`, with automatic sign-in, as the client
// records a sign-in.
bool rememberInKeyring(const app::ClientEnvironment& environment, SecretStore& secrets) {
    ServiceClient service(environment.config, environment.programFolder);
    if (service.signIn("demo", "demo123").value != 1)
        return fail("the demo user could not sign in");
    const std::string uid = service.account().uid;
    StoreGate gate(environment.homeFolder + "bin.db");
    RememberedPasswords passwords(gate, &secrets, environment.config.apiHost);
    PasswordPlace kept = PasswordPlace::kNowhere;
    if (!passwords.recordSignIn(
            SignInRecord{uid, "demo123", Common::localTimeText(), true, true, "0", "demo"}, &kept))
        return fail("the sign-in was not recorded");
    std::string read;
    if (kept != PasswordPlace::kSecretStore ||
        secrets.read(passwords.keyOf(uid), read) != SecretStore::Result::kDone || read != "demo123")
        return fail("the keyring did not keep the password");
    return true;
}

int runSilentSecrets(const char* self, bool withWriter) {
    using test::SecretServiceSession;
    if (!SecretServiceSession::toolsPresent()) {
        std::printf("BENCH gui_stall_secrets skipped=no-dbus-daemon-or-gnome-keyring-daemon\n");
        return 0;
    }
    SecretServiceSession session;
    if (!session.start()) {
        fail("the private Secret Service did not start");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", session.address());
    KeychainSecretStore secrets("nubexa", kKeyringLimitMs);
    bench::BenchWorld world("gui-stall-secrets");
    if (!world.started())
        return 1;
    app::ClientEnvironment environment = world.environment();
    environment.transfers.ftp.trace = nullptr;
    environment.secrets = &secrets;
    auto* notifier = static_cast<RecordingNotifier*>(environment.notifier);
    const std::string folder = world.work() + "/upload 200";
    std::filesystem::create_directories(folder);
    for (int i = 0; i < kFiles; ++i)
        std::ofstream(folder + "/file " + std::to_string(i) + ".txt") << std::string(2048, 'x');
    if (!rememberInKeyring(environment, secrets))
        return 1;
    session.freeze();

    LoopProbe probe;
    probe.start();
    runFor(1000ms);
    const qint64 peerGapMs = probe.maxGapMs();

    QProcess holder;
    if (withWriter && !startWriter(holder, self, environment.homeFolder + "bin.db")) {
        fail("the competing writer did not start");
        return 1;
    }

    std::unique_ptr<app::CMainWnd> client;
    qint64 openMs = 0, startupGapMs = 0, startupReadMs = 0, switchGapMs = 0, switchReadMs = 0;
    std::size_t toldStartup = 0, toldSwitch = 0;
    int uploadRows = 0;
    const bool ran = [&] {
        // Start-up, as main() does: the window opens before the event loop runs; from there
        // until the keyring is given up and the window has settled.
        QElapsedTimer clock;
        clock.start();
        client = std::make_unique<app::CMainWnd>(environment);
        pages::CXPageMyDisk::installInto(*client);
        client->OpenWindow();
        openMs = clock.elapsed();
        probe.start();
        if (!client->readingLastUser())
            return fail("the last user was not being read");
        if (!waitUntil([&] { return !client->readingLastUser(); }, 30s))
            return fail("the last user's read did not end");
        startupReadMs = clock.elapsed();
        runFor(500ms);
        startupGapMs = probe.maxGapMs();
        toldStartup = notifier->texts().size();
        if (!client->signInWindow() || !client->signInWindow()->isVisible() ||
            client->signingIn() || client->mainFrame())
            return fail("the sign-in window is not waiting for the password");

        // Signed in by hand (the keyring's write waits too, off the GUI thread), uploads queued.
        auto* disk = signInAsDemo(*client);
        if (!disk)
            return false;
        if (!waitUntil([&] { return !disk->busy(); }, 30s))
            return fail("the listing did not come");
        disk->uploadPaths({QString::fromStdString(folder)});
        if (!waitUntil([&] { return !disk->busy(); }, 60s))
            return fail("the folder was not queued");
        disk->switchPage(pages::kPageUploading);
        auto& page = disk->transfers();
        if (!waitUntil([&] { return page.model().rowCount() > 0; }, 30s))
            return fail("the uploading page stayed empty");
        uploadRows = page.model().rowCount();

        // The title bar's "switch account", from the event loop as a click would come.
        const std::size_t toldBefore = notifier->texts().size();
        probe.start();
        clock.restart();
        bool switched = false;
        QTimer::singleShot(0, client.get(), [&] {
            client->menuChosen(app::kSwitchAccount, false);
            switched = true;
        });
        if (!waitUntil([&] { return switched && !client->readingLastUser(); }, 30s))
            return fail("the last user's read after the switch did not end");
        switchReadMs = clock.elapsed();
        runFor(500ms);
        switchGapMs = probe.maxGapMs();
        toldSwitch = notifier->texts().size() - toldBefore;
        if (!client->signInWindow() || !client->signInWindow()->isVisible() || client->mainFrame())
            return fail("the sign-in window did not come back");
        return true;
    }();
    probe.stop();
    const int holds = withWriter ? stopWriter(holder) : 0;
    // Its pending calls answer, and the client's threads end.
    session.thaw();
    client.reset();
    if (!ran)
        return 1;
    std::printf(
        "BENCH gui_stall_secrets startup_gap_ms=%lld switch_gap_ms=%lld peer_max_gap_ms=%lld "
        "keyring_limit_ms=%d open_window_ms=%lld startup_read_ms=%lld switch_read_ms=%lld "
        "startup_messages=%zu switch_messages=%zu upload_rows_at_switch=%d writer=%d "
        "lock_holds=%d\n",
        static_cast<long long>(startupGapMs), static_cast<long long>(switchGapMs),
        static_cast<long long>(peerGapMs), kKeyringLimitMs, static_cast<long long>(openMs),
        static_cast<long long>(startupReadMs), static_cast<long long>(switchReadMs), toldStartup,
        toldSwitch, uploadRows, withWriter ? 1 : 0, holds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--hold-write-lock") == 0)
        return holdWriteLock(argv[2]);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    bool withWriter = true;
    bool silentSecrets = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-writer") == 0) {
            withWriter = false;
        } else if (std::strcmp(argv[i], "--silent-secrets") == 0) {
            silentSecrets = true;
        } else {
            std::fprintf(stderr, "usage: bench_gui_stall [--no-writer] [--silent-secrets]\n");
            return 2;
        }
    }
    QApplication application(argc, argv);
    ACE_Log_Msg::instance()->priority_mask(0, ACE_Log_Msg::PROCESS);
    if (silentSecrets)
        return runSilentSecrets(argv[0], withWriter);
    nubexa::bench::BenchWorld world("gui-stall");
    if (!world.started())
        return 1;
    nubexa::app::ClientEnvironment environment = world.environment();
    environment.transfers.ftp.trace = nullptr;
    const std::string folder = world.work() + "/upload 200";
    std::filesystem::create_directories(folder);
    for (int i = 0; i < kFiles; ++i)
        std::ofstream(folder + "/file " + std::to_string(i) + ".txt") << std::string(2048, 'x');

    LoopProbe probe;
    // The peer: the loop with nothing else to do.
    probe.start();
    runFor(1000ms);
    const qint64 peerGapMs = probe.maxGapMs();

    auto client = std::make_unique<nubexa::app::CMainWnd>(environment);
    nubexa::pages::CXPageMyDisk::installInto(*client);
    // As main() does: the first window opens before the event loop runs.
    client->OpenWindow();

    QProcess holder;
    if (withWriter && !startWriter(holder, argv[0], environment.homeFolder + "bin.db")) {
        fail("the competing writer did not start");
        return 1;
    }

    if (!world.seedFolder(kPictureFolder, kPictures, pictureBytes()))
        return 1;
    int thumbnailBatches = 0;
    probe.start();
    QElapsedTimer total;
    total.start();
    const bool ran = [&] {
        auto* disk = signInAsDemo(*client);
        if (!disk)
            return false;
        probe.enter(LoopProbe::kListing);
        disk->refresh();
        if (!waitUntil([&] { return !disk->busy(); }, 30s))
            return fail("the listing did not come");
        probe.enter(LoopProbe::kQueueing);
        disk->uploadPaths({QString::fromStdString(folder)});
        if (!waitUntil([&] { return !disk->busy(); }, 60s))
            return fail("the folder was not queued");
        probe.enter(LoopProbe::kPage);
        disk->switchPage(nubexa::pages::kPageUploading);
        auto& page = disk->transfers();
        if (!waitUntil([&] { return page.model().rowCount() > 0; }, 30s))
            return fail("the uploading page stayed empty");
        // The page as the transfers move, through the monitor's ticks.
        runFor(8000ms);

        probe.enter(LoopProbe::kThumbnails);
        disk->switchPage(nubexa::pages::kPageMyDisk);
        if (!waitUntil([&] { return !disk->busy(); }, 30s))
            return fail("the disk page did not list");
        disk->setThumbnailView(true);
        const auto& rows = disk->model().rows();
        const auto folderRow = std::find_if(
            rows.begin(), rows.end(), [](const auto& row) { return row.name == kPictureFolder; });
        if (folderRow == rows.end())
            return fail("the picture folder is not listed");
        disk->openRow(static_cast<int>(folderRow - rows.begin()));
        if (!waitUntil([&] { return !disk->busy() && disk->model().rowCount() > kPictures; }, 60s))
            return fail("the picture folder did not open");
        QObject::connect(&disk->model(), &QAbstractItemModel::dataChanged,
                         [&](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                             if (roles.contains(Qt::DecorationRole))
                                 ++thumbnailBatches;
                         });
        probe.enter(LoopProbe::kScrolling);
        // A page down every 50 ms, back to the top at the end.
        QScrollBar* bar = disk->thumbnailList()->verticalScrollBar();
        QTimer scroller;
        QObject::connect(&scroller, &QTimer::timeout, [bar] {
            bar->setValue(bar->value() >= bar->maximum() ? 0 : bar->value() + bar->pageStep());
        });
        scroller.start(50);
        runFor(10000ms);
        return true;
    }();
    probe.stop();
    const qint64 elapsedMs = total.elapsed();
    const int holds = withWriter ? stopWriter(holder) : 0;
    client.reset();
    if (!ran)
        return 1;
    std::printf(
        "BENCH gui_stall max_gap_ms=%lld peer_max_gap_ms=%lld ratio=%.1f sign_in_gap_ms=%lld "
        "listing_gap_ms=%lld queueing_gap_ms=%lld page_gap_ms=%lld thumbnail_view_gap_ms=%lld "
        "scrolling_gap_ms=%lld "
        "thumbnail_batches=%d run_ms=%lld loop_turns=%d lock_holds=%d files=%d pictures=%d\n",
        static_cast<long long>(probe.maxGapMs()), static_cast<long long>(peerGapMs),
        static_cast<double>(probe.maxGapMs()) / static_cast<double>(std::max<qint64>(peerGapMs, 1)),
        static_cast<long long>(probe.stepGapMs(LoopProbe::kSignIn)),
        static_cast<long long>(probe.stepGapMs(LoopProbe::kListing)),
        static_cast<long long>(probe.stepGapMs(LoopProbe::kQueueing)),
        static_cast<long long>(probe.stepGapMs(LoopProbe::kPage)),
        static_cast<long long>(probe.stepGapMs(LoopProbe::kThumbnails)),
        static_cast<long long>(probe.stepGapMs(LoopProbe::kScrolling)), thumbnailBatches,
        static_cast<long long>(elapsedMs), probe.turns(), holds, kFiles, kPictures);
    return 0;
}
