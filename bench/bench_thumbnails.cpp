// Thumbnails of a folder of 100 pictures of about 2 MB each (JPEG made here) from a session
// signed in at the stand-in on loopback: from asking until every thumbnail is made, cold
// (fetched on the session's three connections, decoded, kept) and warm (from the thumbnail
// cache), against the peer: the same files fetched whole by the session's small-file job alone,
// without decoding.
#include <unistd.h>
#include <QBuffer>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "pages/thumbnail_source.h"
#include "platform/notifier.h"
#include "session/client_session.h"
#include "session/queue_run.h"
#include "session/transfer_requests.h"
#include "standin/local_standin.h"

namespace {

using namespace nubexa;
using Clock = std::chrono::steady_clock;
constexpr int kPictures = 100;

double elapsedMs(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class Quiet : public QueueRunListener {
public:
    void taskEnded(const TaskEnded&) override {}
};

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
    QObject::connect(&source, &pages::ThumbnailSource::thumbnailReady, [&made] { ++made; });
    const auto start = Clock::now();
    source.request(files, true);
    while (made < kPictures && elapsedMs(start) < 300000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return elapsedMs(start);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string work = (std::filesystem::temp_directory_path() /
                              ("bench_thumbnails_" + std::to_string(::getpid())))
                                 .string();
    std::filesystem::create_directories(work + "/program");
    std::string error;
    auto service = standin::startLocalStandin(work + "/data", {}, error);
    if (!service) {
        std::fprintf(stderr, "stand-in: %s\n", error.c_str());
        return 1;
    }
    SessionConfig config;
    config.databasePath = work + "/bin.db";
    config.programFolder = work + "/program/";
    config.service.apiHost = "127.0.0.1:" + std::to_string(service->httpPort());
    config.thumbnailFolder = work + "/thumbnails";
    RecordingNotifier notifier;
    int status = 1;
    {
        ClientSession session(config, notifier);
        PasswordSignIn signIn;
        signIn.account = "demo";
        signIn.password = "demo123";
        const auto folder = session.signIn(signIn).ok() && session.lockQueue()
                                ? session.disk().makeFolder("0", "thumbnails")
                                : decltype(session.disk().makeFolder("0", "")){};
        if (!folder.ok()) {
            std::fprintf(stderr, "sign-in or folder failed\n");
            return 1;
        }
        // The pictures, uploaded through the queue.
        QImage base(1600, 1200, QImage::Format_RGB32);
        auto* random = QRandomGenerator::global();
        for (int y = 0; y < base.height(); ++y)
            for (int x = 0; x < base.width(); ++x)
                base.setPixel(x, y, random->generate());
        NoTransferView view;
        const TransferStart start{work + "/program/", false, false, std::nullopt};
        startTransfers(session, start, view);
        double pictureBytes = 0;
        for (int i = 0; i < kPictures; ++i) {
            const std::string path = work + "/picture-" + std::to_string(i) + ".jpg";
            const QByteArray bytes = makePicture(base, i);
            pictureBytes += bytes.size();
            std::ofstream(path, std::ios::binary).write(bytes.constData(), bytes.size());
            QueueRequests(session).fileUpload(path, RemoteFolder{folder.value.id, "\\thumbnails"});
        }
        QueueRunOptions options;
        options.start = {work + "/program/", true, false, std::nullopt};
        Quiet quiet;
        QueueRun(session, options, view).run(quiet);
        startTransfers(session, start, view);
        const auto listed = session.disk().folderEntries(folder.value.id);
        if (!listed.ok() || listed.value.files.size() != kPictures) {
            std::fprintf(stderr, "the pictures did not all arrive\n");
            return 1;
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
        std::printf(
            "BENCH thumbnails pictures=%d mb_each=%.2f cold_ms=%.0f warm_ms=%.0f "
            "fetch_only_ms=%.0f cold_vs_fetch=%.2f made=%d/%d\n",
            kPictures, pictureBytes / kPictures / (1 << 20), coldMs, warmMs, fetchMs,
            coldMs / fetchMs, cold, warm);
        status = cold == kPictures && warm == kPictures && fetched ? 0 : 1;
    }
    service->stop();
    std::error_code ignored;
    std::filesystem::remove_all(work, ignored);
    return status;
}
