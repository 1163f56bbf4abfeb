// nubexa-client: the desktop client. One per bin.db; a second start shows the running one.
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstring>
#include <future>
#include <memory>

#include "app/application_setup.h"
#include "app/client_environment.h"
#include "app/colour_scheme.h"
#include "app/desktop_colour_scheme.h"
#include "app/main_window_extras.h"
#include "app/main_wnd.h"
#include "app/single_instance.h"
#include "app/ui_language.h"
#include "keychain/keychain_secret_store.h"
#include "pages/sync_folders.h"
#include "pages/x_page_my_disk.h"
#include "platform/log_sink.h"
#include "platform/version.h"
#include "session/system_settings.h"

namespace {

constexpr const char* kUsage =
    "Usage: nubexa-client [--version] [--help] [Qt options such as -platform offscreen]\n"
    "\n"
    "The Nubexa cloud disk desktop client. It keeps bin.db (the transfer queue and the\n"
    "remembered sign-ins) and reads nubexa.ini (the service's hosts) in its data folder:\n"
    "$NUBEXA_HOME when set, else beside the program when it runs from a build or portable\n"
    "folder, else $XDG_DATA_HOME/nubexa (nubexa.ini: $XDG_CONFIG_HOME/nubexa, /etc/nubexa).\n"
    "A second start shows the running client.\n";

// Answered before Qt starts, so that they work without a display.
bool answeredFromCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("nubexa-client %s\n", nubexa::kVersion);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (answeredFromCommandLine(argc, argv))
        return 0;
    QApplication application(argc, argv);
    auto environment = nubexa::app::ClientEnvironment::fromProcess();
    // The language is known before the first window is built; bin.db is read off this thread.
    const auto language = std::async(std::launch::async, nubexa::readStoredUiLanguage,
                                     environment.homeFolder + "bin.db")
                              .get();
    nubexa::app::setUpApplication(application, language);
    // Light or dark as the desktop is, before the first window; the portal's answer and its
    // later changes switch the windows live.
    nubexa::app::DesktopColourScheme desktopScheme(QDBusConnection::sessionBus());
    nubexa::app::applyColourScheme(desktopScheme.scheme());
    QObject::connect(&desktopScheme, &nubexa::app::DesktopColourScheme::changed,
                     &nubexa::app::applyColourScheme);
    desktopScheme.start();

    nubexa::KeychainSecretStore secrets;
    environment.secrets = &secrets;
    // The data folder is there: from here on everything, including what libraries print on
    // standard error (the FTP engine's entries, Qt's warnings), goes to the bounded log, not to
    // the terminal.
    if (auto log = std::make_shared<nubexa::FileLogSink>(environment.logFile); log->isOpen()) {
        log->holdStandardError();
        environment.log = std::move(log);
    }
    nubexa::app::SingleInstance instance(QString::fromStdString(environment.homeFolder));
    const bool claimed = instance.claim();
    if (!instance.problem().isEmpty()) {
        std::fprintf(stderr, "%s\n", instance.problem().toLocal8Bit().constData());
        if (!claimed) {
            QMessageBox::warning(nullptr, QCoreApplication::translate("Messages", "Nubexa网盘"),
                                 instance.problem());
            return 1;
        }
    }
    if (!claimed)
        return 0;

    nubexa::app::CMainWnd window(std::move(environment));
    nubexa::pages::CXPageMyDisk::installInto(window);
    nubexa::app::MainWindowExtras::installInto(window);
    nubexa::pages::SyncFolders::installInto(window);
    QApplication::setWindowIcon(window.pictures().programIcon());
    QObject::connect(&instance, &nubexa::app::SingleInstance::activationRequested, &window,
                     &nubexa::app::CMainWnd::showWindow);
    QObject::connect(&window, &nubexa::app::CMainWnd::finished, &application,
                     [](int code) { QApplication::exit(code); });
    if (window.OpenWindow() == 0)
        return 0;
    return QApplication::exec();
}
