#pragma once

#include <QLocale>
#include <string>

#include "store/user_records.h"

class QCoreApplication;

namespace nubexa::app {

// Whether the interface shows English: as chosen, else as the desktop's language says (its
// first interface language, which $LANGUAGE and $LC_ALL set): Chinese for zh*, else English.
bool showsEnglish(UiLanguage choice, const QLocale& desktop);

// Installs the interface's catalog (the embedded nubexa_en.qm for English; Chinese is the
// source language and needs none) and Qt's own texts in the same language. Returns whether the
// interface is English. Call once, before the first window.
bool installInterfaceLanguage(QCoreApplication& application, UiLanguage choice,
                              const QLocale& desktop);

// The folder of the pictures' words in the installed language ("en/"), empty for Chinese.
QString pictureWordsFolder();

}  // namespace nubexa::app
