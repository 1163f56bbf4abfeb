// Thumbnails of a folder of 100 pictures of about 2 MB each (JPEG made here) from a session
// signed in at the stand-in through a simulated link (bench/lib/link_relay.py) at each round
// trip of NUBEXA_BENCH_RTTS (default "0 30" ms): from asking until every thumbnail is made, cold
// (fetched on the session's three connections, decoded, kept) and warm (from the thumbnail
// cache), against two peers on the same link: the same files fetched whole by the session's
// small-file job alone, without decoding, and by curl on three connections at once.
#include <unistd.h>
#include <QBuffer>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "pages/thumbnail_source.h"
#include "platform/notifier.h"
#include "relayed_standin.h"
#include "session/client_session.h"

namespace {

using namespace nubexa;
using Clock = std::chrono::steady_clock;
constexpr int kPictures = 100;

double elapsedMs(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class FetchCounter : public RemoteFileListener {
public:
    void remoteFileFetched(const RemoteFileResult& result) override {
        std::lock_guard lock(m_mutex);
        ++m_count;
        m_ok = m_ok && result.outcome == RemoteFileResult::Outcome::kFetched;
        m_done.notify_all();
    }
    bool waitFor(int count) {
        std::unique_lock lock(m_mutex);
        return m_done.wait_for(lock, std::chrono::minutes(5), [&] { return m_count >= count; }) &&
               m_ok;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    int m_count = 0;
    bool m_ok = true;
};

// Noise is what a photograph's fine detail costs a JPEG: about 2 MB at this size and quality.
QByteArray makePicture(const QImage& base, int seed) {
    QImage image = base;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            image.setPixel(x, y, qRgb(seed % 256, (seed * 7) % 256, (x + y) % 256));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

double thumbnailsMs(ClientSession& session, const std::vector<DiskFileEntry>& files, int& made) {
    pages::ThumbnailSource source(session, {});
    made = 0;
    QObject::connect(&source, &pages::ThumbnailSource::thumbnailsReady,
                     [&made](const QStringList& ids) { made += static_cast<int>(ids.size()); });
    const auto start = Clock::now();
    source.request(files, true);
    while (made < kPictures && elapsedMs(start) < 300000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return elapsedMs(start);
}

// The same files fetched by curl on three connections at once, each reused from file to file.
double curlMs(const AccountInfo& account, const std::vector<DiskFileEntry>& files,
              const std::string& folder) {
    std::filesystem::create_directories(folder);
    QStringList arguments{QStringLiteral("-s"),
                          QStringLiteral("--ftp-skip-pasv-ip"),
                          QStringLiteral("-Z"),
                          QStringLiteral("--parallel-max"),
                          QStringLiteral("3"),
                          QStringLiteral("--output-dir"),
                          QString::fromStdString(folder),
                          QStringLiteral("--remote-name-all"),
                          QStringLiteral("--user"),
                          QString::fromStdString(account.ftp_username + ":" + account.ftp_pwd)};
    for (const auto& file : files)
        arguments << QString::fromStdString("ftp://" + account.ftp_host + ":" +
                                            std::to_string(account.ftp_port) + "/" + file.id +
                                            file.ext);
    QProcess curl;
    const auto start = Clock::now();
    curl.start(QStringLiteral("curl"), arguments);
    const bool ended = curl.waitForFinished(300000) && curl.exitCode() == 0;
    const double ms = elapsedMs(start);
    std::filesystem::remove_all(folder);
    return ended ? ms : -1;
}

// The pictures on the local disk; their paths. `bytesEach`: their mean size.
std::vector<std::string> makePictures(const std::string& work, double& bytesEach) {
    QImage base(1600, 1200, QImage::Format_RGB32);
    auto* random = QRandomGenerator::global();
    for (int y = 0; y < base.height(); ++y)
        for (int x = 0; x < base.width(); ++x)
            base.setPixel(x, y, random->generate());
    std::vector<std::string> paths;
    double pictureBytes = 0;
    for (int i = 0; i < kPictures; ++i) {
        paths.push_back(work + "/picture-" + std::to_string(i) + ".jpg");
        const QByteArray bytes = makePicture(base, i);
        pictureBytes += bytes.size();
        std::ofstream(paths.back(), std::ios::binary).write(bytes.constData(), bytes.size());
    }
    bytesEach = pictureBytes / kPictures;
    return paths;
}

// Every round; true when every thumbnail was made and every peer fetched its files.
bool measure(const std::string& work) {
    bench::RelayedStandin standin(work);
    RecordingNotifier notifier;
    NoTransferView view;  // outlives the sessions
    std::string folderId;
    double bytesEach = 0;
    if (standin.started()) {
        const auto link = standin.link(0);
        ClientSession session(standin.config("upload"), notifier);
        if (link->ready() && bench::signInDemo(session, work, view))
            folderId =
                bench::uploadInto(session, work, view, makePictures(work, bytesEach), "thumbnails");
    }
    std::string summary;
    bool ok = !folderId.empty();
    if (!ok)
        std::fprintf(stderr, "sign-in, folder or upload failed\n");
    std::istringstream rtts(
        qEnvironmentVariable("NUBEXA_BENCH_RTTS", QStringLiteral("0 30")).toStdString());
    for (int rtt = 0; ok && rtts >> rtt;) {
        const auto link = standin.link(rtt);
        ClientSession session(standin.config(std::to_string(rtt)), notifier);
        const auto listed = link->ready() && bench::signInDemo(session, work, view)
                                ? session.disk().folderEntries(folderId)
                                : decltype(session.disk().folderEntries(folderId)){};
        if (!listed.ok() || listed.value.files.size() != kPictures) {
            std::fprintf(stderr, "the pictures are not listed at %d ms\n", rtt);
            ok = false;
            break;
        }
        const std::vector<DiskFileEntry>& files = listed.value.files;
        int cold = 0;
        int warm = 0;
        const double coldMs = thumbnailsMs(session, files, cold);
        const double warmMs = thumbnailsMs(session, files, warm);
        FetchCounter counter;
        const auto fetchStart = Clock::now();
        for (const auto& file : files)
            session.fetchRemoteFile({file.id, file.id + file.ext, 20 << 20}, counter);
        const bool fetched = counter.waitFor(kPictures);
        const double fetchMs = elapsedMs(fetchStart);
        session.forgetRemoteFileListener(counter);
        const double peerMs = curlMs(session.account(), files, work + "/curl");
        std::printf(
            "rtt %d ms: cold %.0f ms, warm %.0f ms, fetch only %.0f ms, curl -Z (3) %.0f ms, "
            "made %d/%d\n",
            rtt, coldMs, warmMs, fetchMs, peerMs, cold, warm);
        char line[400];
        std::snprintf(
            line, sizeof line,
            " cold_%dms_ms=%.0f warm_%dms_ms=%.0f fetch_only_%dms_ms=%.0f curl_%dms_ms=%.0f "
            "cold_vs_curl_%dms=%.2f cold_vs_fetch_%dms=%.2f",
            rtt, coldMs, rtt, warmMs, rtt, fetchMs, rtt, peerMs, rtt, coldMs / peerMs, rtt,
            coldMs / fetchMs);
        summary += line;
        ok = cold == kPictures && warm == kPictures && fetched && peerMs > 0;
    }
    std::printf("BENCH thumbnails pictures=%d mb_each=%.2f%s\n", kPictures, bytesEach / (1 << 20),
                summary.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string work = (std::filesystem::temp_directory_path() /
                              ("bench_thumbnails_" + std::to_string(::getpid())))
                                 .string();
    std::filesystem::create_directories(work + "/program");
    const bool ok = measure(work);
    std::error_code ignored;
    std::filesystem::remove_all(work, ignored);
    return ok ? 0 : 1;
}
