#include "app/application_setup.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/ui_language.h"

namespace nubexa::app {

void setUpApplication(QCoreApplication& application, UiLanguage language) {
    QCoreApplication::setApplicationName(QStringLiteral("nubexa-client"));
    QGuiApplication::setDesktopFileName(QStringLiteral("nubexa-client"));
    // The tray keeps the client alive while its windows are hidden; it ends only by leaving.
    QApplication::setQuitOnLastWindowClosed(false);
    installInterfaceLanguage(application, language, QLocale::system());
}

QString installQtTranslations(QCoreApplication& application, const QLocale& locale,
                              const QString& folder) {
    const QString where =
        folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    // "qtbase" holds the pickers' and the buttons' texts; parented to the application, it lives
    // as long as the texts are needed.
    auto* translator = new QTranslator(&application);
    const bool loaded =
        translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), where) ||
        translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                         QStringLiteral("_"), where);
    if (!loaded || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return {};
    }
    return QFileInfo(translator->filePath()).completeBaseName();
}

}  // namespace nubexa::app
