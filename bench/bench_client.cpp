// The desktop client against the stand-in on loopback (offscreen platform): time from start to
// the sign-in window shown, from the sign-in click to the main window shown, then the idle main
// window's resident memory and CPU use over 30 s. The peers in the same run: the bare web
// requests of a sign-in (Login, GetUserInfo, GetFiles) made without any window, and the
// process's memory before any window was built.
#include <sys/resource.h>

#include <QApplication>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "app/sign_in_window.h"
#include "platform/browser.h"
#include "platform/notifier.h"
#include "service/service_client.h"
#include "standin/local_standin.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 5;
constexpr int kIdleSeconds = 30;

double elapsedMs(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const auto processStart = Clock::now();
    QApplication application(argc, argv);
    const std::string work = std::filesystem::temp_directory_path() /
                             ("nubexa-bench-client-" + std::to_string(::getpid()));
    std::filesystem::create_directories(work + "/home");
    std::filesystem::create_directories(work + "/program");
    // The pictures beside the release build's client.
    std::error_code error;
    std::filesystem::create_directory_symlink(std::filesystem::absolute("src/app/image"),
                                              work + "/program/image", error);

    std::string whyNot;
    auto service = nubexa::standin::startLocalStandin(work + "/service", {}, whyNot);
    if (!service) {
        std::fprintf(stderr, "stand-in: %s\n", whyNot.c_str());
        return 1;
    }

    // The process before any window: Qt, the stand-in and its demo data.
    const long baseKb = residentKb();

    nubexa::app::ClientEnvironment environment;
    environment.homeFolder = work + "/home/";
    environment.programFolder = work + "/program/";
    environment.config.apiHost = "127.0.0.1:" + std::to_string(service->httpPort());
    environment.config.webHost = environment.config.apiHost;
    nubexa::RecordingNotifier notifier;
    nubexa::RecordingBrowser browser;
    environment.notifier = &notifier;
    environment.browser = &browser;
    environment.useTray = false;

    // The bare requests of a sign-in, without windows.
    double bareMs = 0;
    for (int round = 0; round < kRounds; ++round) {
        nubexa::ServiceClient client(environment.config, environment.programFolder);
        const auto start = Clock::now();
        client.signIn("demo", "demo123");
        const auto account = client.account();
        client.GetUserInfo(account.uid, account.token);
        client.GetFiles(account.uid, account.token, "0", "name", "0");
        bareMs += elapsedMs(start);
    }
    bareMs /= kRounds;

    double startMs = 0;
    double signInMs = 0;
    auto client = std::make_unique<nubexa::app::CMainWnd>(environment);
    for (int round = 0; round < kRounds; ++round) {
        const auto start = round == 0 ? processStart : Clock::now();
        if (round > 0) {
            client = std::make_unique<nubexa::app::CMainWnd>(environment);
        }
        client->OpenWindow();
        auto* window = client->signInWindow();
        if (!window || !QTest::qWaitForWindowExposed(window, 5000)) {
            std::fprintf(stderr, "sign-in window not shown\n");
            return 1;
        }
        QApplication::processEvents();
        startMs += elapsedMs(start);
        window->accountEdit()->setText(QStringLiteral("demo"));
        window->passwordEdit()->setEchoMode(QLineEdit::Password);
        window->passwordEdit()->setText(QStringLiteral("demo123"));
        const auto click = Clock::now();
        client->SignIn("0");
        if (!QTest::qWaitFor(
                [&] { return client->mainFrame() && client->mainFrame()->isVisible(); }, 10000)) {
            std::fprintf(stderr, "main window not shown\n");
            return 1;
        }
        if (!QTest::qWaitForWindowExposed(client->mainFrame(), 5000))
            std::fprintf(stderr, "main window not exposed\n");
        QApplication::processEvents();
        signInMs += elapsedMs(click);
        if (round + 1 < kRounds)
            client.reset();
    }
    startMs /= kRounds;
    signInMs /= kRounds;

    QTest::qWait(1000);
    const long clientKb = residentKb();
    const double cpuBefore = cpuMs();
    QTest::qWait(kIdleSeconds * 1000);
    const double idleCpuMs = cpuMs() - cpuBefore;
    client.reset();
    service->stop();
    std::filesystem::remove_all(work, error);

    std::printf(
        "BENCH client start_to_signin_window_ms=%.1f signin_click_to_main_ms=%.1f "
        "bare_signin_requests_ms=%.1f signin_ratio=%.2f idle_rss_mb=%.1f "
        "rss_before_windows_mb=%.1f idle_cpu_ms_per_30s=%.1f\n",
        startMs, signInMs, bareMs, bareMs > 0 ? signInMs / bareMs : 0.0, clientKb / 1024.0,
        baseKb / 1024.0, idleCpuMs);
    return 0;
}
