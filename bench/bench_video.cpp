// Play while downloading: a 1080p H.264 video of about 8 Mbit/s (made here with ffmpeg) played by
// Qt Multimedia from the session's media stream through a simulated link (bench/lib/
// link_relay.py) at NUBEXA_BENCH_RTT ms (default 30): from play to the first frame, and from a
// seek to the middle to the first frame there, against the same player on the same file on the
// local disk (the floor), with the file server's sign-ins and RETRs the stream cost.
#include <unistd.h>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMediaPlayer>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "platform/notifier.h"
#include "relayed_standin.h"
#include "session/client_session.h"
#include "session/media_stream.h"

namespace {

using namespace nubexa;
using Clock = std::chrono::steady_clock;
constexpr int kSeconds = 20;
constexpr int kWaitMs = 60000;

double elapsedMs(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool makeVideo(const std::string& path) {
    QProcess ffmpeg;
    // Moving noise keeps the encoder at the bit rate asked for, as a camera's picture would.
    ffmpeg.start(QStringLiteral("ffmpeg"), {QStringLiteral("-v"),
                                            QStringLiteral("error"),
                                            QStringLiteral("-y"),
                                            QStringLiteral("-f"),
                                            QStringLiteral("lavfi"),
                                            QStringLiteral("-i"),
                                            QStringLiteral("testsrc2=size=1920x1080:rate=30"),
                                            QStringLiteral("-t"),
                                            QString::number(kSeconds),
                                            QStringLiteral("-vf"),
                                            QStringLiteral("noise=alls=12:allf=t"),
                                            QStringLiteral("-c:v"),
                                            QStringLiteral("libx264"),
                                            QStringLiteral("-preset"),
                                            QStringLiteral("veryfast"),
                                            QStringLiteral("-b:v"),
                                            QStringLiteral("8M"),
                                            QStringLiteral("-maxrate"),
                                            QStringLiteral("8M"),
                                            QStringLiteral("-bufsize"),
                                            QStringLiteral("8M"),
                                            QStringLiteral("-g"),
                                            QStringLiteral("60"),
                                            QStringLiteral("-pix_fmt"),
                                            QStringLiteral("yuv420p"),
                                            QString::fromStdString(path)});
    return ffmpeg.waitForFinished(600000) && ffmpeg.exitCode() == 0;
}

bool waitUntil(const std::function<bool()>& done) {
    const auto start = Clock::now();
    while (!done()) {
        if (elapsedMs(start) > kWaitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

struct Played {
    double firstFrameMs = -1;
    double seekMs = -1;
};

// First frame from play, then the first frame at the middle from the seek there.
Played play(const QUrl& source) {
    QVideoSink sink;  // outlives the player that draws into it
    QMediaPlayer player;
    player.setVideoSink(&sink);
    qint64 lastFrameUs = -1;
    int frames = 0;
    QObject::connect(&sink, &QVideoSink::videoFrameChanged, [&](const QVideoFrame& frame) {
        if (!frame.isValid())
            return;
        ++frames;
        lastFrameUs = frame.startTime();
    });
    Played played;
    const auto start = Clock::now();
    player.setSource(source);
    player.play();
    if (!waitUntil([&] { return frames > 0; }))
        return played;
    played.firstFrameMs = elapsedMs(start);
    if (!waitUntil([&] { return player.isSeekable() && player.duration() > 0; }))
        return played;
    const qint64 middleMs = player.duration() / 2;
    frames = 0;
    const auto seek = Clock::now();
    player.setPosition(middleMs);
    // A seek lands on a key frame (every two seconds here) at or before the middle.
    if (waitUntil([&] { return frames > 0 && lastFrameUs >= (middleMs - 2500) * 1000; }))
        played.seekMs = elapsedMs(seek);
    player.stop();
    return played;
}

bool measure(const std::string& work, int rtt) {
    const std::string video = work + "/video.mp4";
    if (!makeVideo(video)) {
        std::fprintf(stderr, "ffmpeg could not make the video\n");
        return false;
    }
    const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(video));
    bench::RelayedStandin standin(work);
    RecordingNotifier notifier;
    NoTransferView view;  // outlives the sessions
    std::string folderId;
    if (standin.started()) {
        const auto link = standin.link(0);
        ClientSession session(standin.config("upload"), notifier);
        if (link->ready() && bench::signInDemo(session, work, view))
            folderId = bench::uploadInto(session, work, view, {video}, "video");
    }
    if (folderId.empty()) {
        std::fprintf(stderr, "sign-in, folder or upload failed\n");
        return false;
    }
    const auto link = standin.link(rtt);
    ClientSession session(standin.config("play"), notifier);
    const auto listed = link->ready() && bench::signInDemo(session, work, view)
                            ? session.disk().folderEntries(folderId)
                            : decltype(session.disk().folderEntries(folderId)){};
    if (!listed.ok() || listed.value.files.size() != 1) {
        std::fprintf(stderr, "the video is not listed\n");
        return false;
    }
    const DiskFileEntry& file = listed.value.files.front();
    std::string problem;
    const auto stream = session.openMediaStream({file.id + file.ext, bytes, "video/mp4"}, problem);
    if (!stream) {
        std::fprintf(stderr, "no media stream: %s\n", problem.c_str());
        return false;
    }
    const int usersBefore = standin.logged(" USER ");
    const int retrsBefore = standin.logged(" RETR ");
    const Played ours = play(QUrl(QString::fromStdString(stream->url())));
    const int signIns = standin.logged(" USER ") - usersBefore;
    const int retrs = standin.logged(" RETR ") - retrsBefore;
    const Played local = play(QUrl::fromLocalFile(QString::fromStdString(video)));
    std::printf(
        "video %.1f MB, %d s, rtt %d ms: first frame %.0f ms (local file %.0f ms), seek to "
        "the middle %.0f ms (local file %.0f ms); file server sign-ins %d, RETRs %d\n",
        bytes / 1e6, kSeconds, rtt, ours.firstFrameMs, local.firstFrameMs, ours.seekMs,
        local.seekMs, signIns, retrs);
    std::printf(
        "BENCH video mbit_s=%.1f rtt_ms=%d first_frame_ms=%.0f seek_ms=%.0f "
        "local_first_frame_ms=%.0f local_seek_ms=%.0f first_frame_vs_local=%.2f "
        "seek_vs_local=%.2f sign_ins=%d retrs=%d\n",
        bytes * 8 / 1e6 / kSeconds, rtt, ours.firstFrameMs, ours.seekMs, local.firstFrameMs,
        local.seekMs, ours.firstFrameMs / local.firstFrameMs, ours.seekMs / local.seekMs, signIns,
        retrs);
    return ours.firstFrameMs > 0 && ours.seekMs > 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty()) {
        std::printf("BENCH video skipped=no_ffmpeg\n");
        return 0;
    }
    const std::string work =
        (std::filesystem::temp_directory_path() / ("bench_video_" + std::to_string(::getpid())))
            .string();
    std::filesystem::create_directories(work + "/program");
    const int rtt = qEnvironmentVariableIntValue("NUBEXA_BENCH_RTT") > 0
                        ? qEnvironmentVariableIntValue("NUBEXA_BENCH_RTT")
                        : 30;
    const bool ok = measure(work, rtt);
    std::error_code ignored;
    std::filesystem::remove_all(work, ignored);
    return ok ? 0 : 1;
}
