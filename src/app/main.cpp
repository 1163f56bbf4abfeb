// nubexa-client: the desktop client. One per bin.db; a second start shows the running one.
#include <QApplication>
#include <QIcon>

#include "app/client_environment.h"
#include "app/main_wnd.h"
#include "app/single_instance.h"
#include "pages/x_page_my_disk.h"
#include "picture_catalog.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("nubexa-client"));
    QApplication::setApplicationDisplayName(QStringLiteral("Nubexa网盘"));
    // The tray keeps the client alive while its windows are hidden; it ends only by leaving.
    QApplication::setQuitOnLastWindowClosed(false);

    auto environment = nubexa::app::ClientEnvironment::fromProcess();
    nubexa::app::SingleInstance instance(QString::fromStdString(environment.homeFolder));
    if (!instance.claim())
        return 0;

    nubexa::app::CMainWnd window(std::move(environment));
    nubexa::pages::CXPageMyDisk::installInto(window);
    QIcon icon;
    for (const auto& size : nubexa::pictures::kAppIcons)
        icon.addFile(window.pictures().imageFolder() + QString::fromLatin1(size.path));
    QApplication::setWindowIcon(icon);
    QObject::connect(&instance, &nubexa::app::SingleInstance::activationRequested, &window,
                     &nubexa::app::CMainWnd::showWindow);
    QObject::connect(&window, &nubexa::app::CMainWnd::finished, &application,
                     [](int code) { QApplication::exit(code); });
    if (window.OpenWindow() == 0)
        return 0;
    return QApplication::exec();
}
