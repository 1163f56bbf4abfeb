#include "client_harness.h"

#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <filesystem>

#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "app/sign_in_window.h"
#include "session/client_session.h"
#include "session/front_end_setup.h"
#include "standin/local_standin.h"
#include "support/prepared_bin_db.h"

namespace nubexa::test {

namespace fs = std::filesystem;

ClientHarness::ClientHarness() {
    quietEngineLog();
    fs::create_directories(homeFolder());
    fs::create_directories(programFolder());
    preparePictures();
    startService();
    m_environment.homeFolder = homeFolder();
    m_environment.programFolder = programFolder();
    m_environment.config.apiHost = "127.0.0.1:" + std::to_string(m_httpPort);
    m_environment.config.webHost = m_environment.config.apiHost;
    m_environment.config.communityHost = "community.invalid";
    m_environment.config.resourceHost = "resource.invalid";
    m_environment.config.webhostHost = "webhost.invalid";
    m_environment.config.aboutHost = "about.invalid";
    m_environment.notifier = &m_notifier;
    m_environment.browser = &m_browser;
    m_environment.desktopNotice = &m_desktopNotices;
    m_environment.useTray = false;
    m_environment.logFile = m_dir.path() + "/client.log";
}

ClientHarness::~ClientHarness() {
    endClient();
    m_aside.reset();
    stopService();
}

void ClientHarness::preparePictures() {
    // The built pictures, shared read-only; the avatar folder is the test's own, because the
    // client downloads into it.
    const fs::path built = NUBEXA_IMAGE_DIR;
    const fs::path image = fs::path(programFolder()) / "image";
    fs::create_directories(image / "userFile");
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(built, error)) {
        if (entry.path().filename() == "userFile") {
            for (const auto& file : fs::directory_iterator(entry.path(), error))
                fs::copy_file(file.path(), image / "userFile" / file.path().filename(), error);
            continue;
        }
        fs::create_directory_symlink(entry.path(), image / entry.path().filename(), error);
    }
}

void ClientHarness::startService() {
    std::string error;
    m_service = standin::startLocalStandin(
        m_dir.path() + "/service",
        [this](const std::string& line) {
            std::lock_guard lock(m_logMutex);
            m_log.push_back(line);
        },
        error, m_httpPort, m_ftpPort);
    QVERIFY2(m_service, error.c_str());
    m_httpPort = m_service->httpPort();
    m_ftpPort = m_service->ftpPort();
}

void ClientHarness::stopService() {
    if (m_service) {
        m_service->stop();
        m_service.reset();
    }
}

app::CMainWnd& ClientHarness::client() {
    if (!m_client)
        m_client = std::make_unique<app::CMainWnd>(m_environment);
    return *m_client;
}

void ClientHarness::endClient() {
    m_client.reset();
    // Windows closed by the client are deleted by the event loop; let it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool ClientHarness::openSignInWindow() {
    if (client().OpenWindow() == 0)
        return false;
    // Shown at once; filled from the last user once that is read off the GUI thread.
    return QTest::qWaitFor(
        [this] {
            return signInWindow() && signInWindow()->isVisible() && !client().readingLastUser();
        },
        kWaitMs);
}

void ClientHarness::typeSignIn(const QString& account, const QString& password) {
    app::SignInWindow* window = signInWindow();
    QVERIFY(window);
    for (auto [edit, text] :
         {std::pair{window->accountEdit(), account}, std::pair{window->passwordEdit(), password}}) {
        edit->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    window->setFocus();
    QTest::mouseClick(window->childAt(app::sign_in_rects::kSignIn.center()), Qt::LeftButton);
}

bool ClientHarness::signIn(const QString& account, const QString& password) {
    if (!signInWindow() && !openSignInWindow())
        return false;
    typeSignIn(account, password);
    return QTest::qWaitFor([this] { return mainFrame() && mainFrame()->isVisible(); }, kWaitMs);
}

void ClientHarness::rememberSignIn(const std::string& uid, const std::string& password,
                                   bool autoLogin, const std::string& autoResume) {
    PreparedBinDb earlier(databasePath());
    QVERIFY(earlier.recordSignIn(SignInRecord{
        uid, password, "2024-05-01 09:30:00", !password.empty(), autoLogin, autoResume, {}}));
}

ClientSession& ClientHarness::aside() {
    if (!m_aside) {
        SessionConfig config;
        config.databasePath = databasePath();
        config.programFolder = programFolder();
        config.service = m_environment.config;
        m_aside = std::make_unique<ClientSession>(config, m_asideNotifier);
        signInAside();
    }
    return *m_aside;
}

SignInResult ClientHarness::signInAside(const std::string& account, const std::string& password) {
    PasswordSignIn request;
    request.account = account;
    request.password = password;
    request.record = false;
    request.userDetails = false;
    return aside().signIn(request);
}

std::optional<LastUser> ClientHarness::lastUserInBinDb() {
    return aside().lastSignIn().user;
}

std::string ClientHarness::demoUid() {
    return aside().account().uid;
}

std::optional<std::int64_t> ClientHarness::topFolderFileSize(const std::string& fileName) {
    const auto listed = aside().disk().folderEntries(RemoteFolder{}.id);
    if (!listed.ok())
        return std::nullopt;
    for (const DiskFileEntry& file : listed.value.files) {
        if (file.name + file.ext == fileName)
            return std::stoll(file.size);
    }
    return std::nullopt;
}

app::SignInWindow* ClientHarness::signInWindow() {
    return m_client ? m_client->signInWindow() : nullptr;
}

app::MainFrame* ClientHarness::mainFrame() {
    return m_client ? m_client->mainFrame() : nullptr;
}

int ClientHarness::countLogLines(const std::string& text) const {
    return static_cast<int>(logLines(text).size());
}

std::vector<std::string> ClientHarness::logLines(const std::string& text) const {
    std::lock_guard lock(m_logMutex);
    std::vector<std::string> found;
    for (const auto& line : m_log)
        if (line.find(text) != std::string::npos)
            found.push_back(line);
    return found;
}

void ClientHarness::screenshot(QWidget* widget, const QString& name) {
    const QString folder = qEnvironmentVariable("NUBEXA_SCREENSHOT_DIR");
    if (folder.isEmpty() || !widget)
        return;
    QDir().mkpath(folder);
    widget->grab().save(folder + QLatin1Char('/') + name);
}

}  // namespace nubexa::test
