#include "bench_world.h"

#include <unistd.h>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "app/sign_in_window.h"
#include "pages/x_page_my_disk.h"
#include "standin/local_standin.h"

namespace nubexa::bench {

BenchWorld::BenchWorld(const std::string& name)
    : m_work(std::filesystem::temp_directory_path() /
             ("nubexa-bench-" + name + "-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(m_work + "/home");
    std::filesystem::create_directories(m_work + "/program");
    std::error_code error;
    std::filesystem::create_directory_symlink(std::filesystem::absolute("src/app/image"),
                                              m_work + "/program/image", error);
    std::string whyNot;
    m_service = standin::startLocalStandin(m_work + "/service", {}, whyNot);
    m_started = m_service != nullptr;
    if (!m_started)
        std::fprintf(stderr, "stand-in: %s\n", whyNot.c_str());
}

BenchWorld::~BenchWorld() {
    if (m_service)
        m_service->stop();
    std::error_code error;
    std::filesystem::remove_all(m_work, error);
}

app::ClientEnvironment BenchWorld::environment() {
    app::ClientEnvironment environment;
    environment.homeFolder = m_work + "/home/";
    environment.programFolder = m_work + "/program/";
    environment.config.apiHost = "127.0.0.1:" + std::to_string(m_service->httpPort());
    environment.config.webHost = environment.config.apiHost;
    environment.notifier = &m_notifier;
    environment.browser = &m_browser;
    environment.useTray = false;
    return environment;
}

std::unique_ptr<app::CMainWnd> BenchWorld::signedInClient(
    const app::ClientEnvironment& environment) {
    auto client = std::make_unique<app::CMainWnd>(environment);
    pages::CXPageMyDisk::installInto(*client);
    client->OpenWindow();
    client->signInWindow()->accountEdit()->setText(QStringLiteral("demo"));
    client->signInWindow()->passwordEdit()->setText(QStringLiteral("demo123"));
    client->SignIn("0");
    if (!QTest::qWaitFor([&] { return client->mainFrame() && client->mainFrame()->isVisible(); },
                         10000)) {
        std::fprintf(stderr, "main window not shown\n");
        return nullptr;
    }
    return client;
}

}  // namespace nubexa::bench
