#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

namespace nubexa::app {

// What the program says of itself to the desktop: its name and desktop entry, and Qt's own texts
// (file pickers, standard buttons) in the user's language. No display name is set: X11 would
// append it to every window title, and the titles are whole as they stand.
void setUpApplication(QCoreApplication& application);

// Installs Qt's own translations (Debian's qt6-translations-l10n) for `locale`; a locale Qt has
// none for gets the Chinese ones, the language of the rest of the program. Returns the name of
// the file loaded ("qtbase_zh_CN"), empty when none could be. Call once.
QString installQtTranslations(QCoreApplication& application, const QLocale& locale,
                              const QString& folder = {});

}  // namespace nubexa::app
