#pragma once

#include <QLocale>
#include <QString>

#include "store/user_records.h"

class QCoreApplication;

namespace nubexa::app {

// What the program says of itself to the desktop: its name and desktop entry, and its texts
// and Qt's own (file pickers, standard buttons) in the interface's language (`language`, see
// ui_language.h). No display name is set: X11 would append it to every window title, and the
// titles are whole as they stand.
void setUpApplication(QCoreApplication& application, UiLanguage language = UiLanguage::kSystem);

// Installs Qt's own translations (Debian's qt6-translations-l10n) for `locale`; a locale Qt has
// none for gets the Chinese ones, the language of the rest of the program. Returns the name of
// the file loaded ("qtbase_zh_CN"), empty when none could be. Call once.
QString installQtTranslations(QCoreApplication& application, const QLocale& locale,
                              const QString& folder = {});

}  // namespace nubexa::app
