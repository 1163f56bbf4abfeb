#include "app/ui_language.h"

#include <QCoreApplication>
#include <QTranslator>

#include "app/application_setup.h"

// The catalog is compiled into this static library; naming its resource keeps the linker from
// dropping it.
static void registerCatalog() {
    Q_INIT_RESOURCE(nubexa_i18n);
}

namespace nubexa::app {

bool showsEnglish(UiLanguage choice, const QLocale& desktop) {
    if (choice != UiLanguage::kSystem)
        return choice == UiLanguage::kEnglish;
    const QStringList languages = desktop.uiLanguages();
    const QString first = languages.isEmpty() ? desktop.name() : languages.front();
    return !first.startsWith(QLatin1String("zh"), Qt::CaseInsensitive);
}

namespace {
// Translators are the application's, for the whole process; so is the pictures' language.
QString g_pictureWords;
}  // namespace

QString pictureWordsFolder() {
    return g_pictureWords;
}

bool installInterfaceLanguage(QCoreApplication& application, UiLanguage choice,
                              const QLocale& desktop) {
    g_pictureWords.clear();
    if (!showsEnglish(choice, desktop)) {
        installQtTranslations(application, QLocale(QLocale::Chinese, QLocale::China));
        return false;
    }
    // Qt's own texts are English already. Parented to the application, the catalog lives as long
    // as the texts are needed.
    registerCatalog();
    auto* catalog = new QTranslator(&application);
    if (!catalog->load(QStringLiteral(":/i18n/nubexa_en.qm")) ||
        !QCoreApplication::installTranslator(catalog)) {
        delete catalog;
        return false;
    }
    g_pictureWords = QStringLiteral("en/");
    return true;
}

}  // namespace nubexa::app
