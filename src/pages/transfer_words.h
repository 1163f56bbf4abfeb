#pragma once

#include <QString>
#include <QStringList>

#include <span>
#include <string>

#include "session/transfer_rows.h"

namespace nubexa::pages {

// The transfer pages' words in the interface's language. The core names a row's state and why
// it waits in fixed Chinese words and gives the time left as "剩余 mm:ss"; those are the
// catalog's keys here. Any other text (a failure in the service's words) is shown as it is.
QString transferWords(const std::string& coreText);

// `coreText` in the interface's language when it is one of the `known` fixed words the core
// gives (marked for `context`); any other text as it is.
QString knownWords(const char* context, std::span<const char* const> known,
                   const std::string& coreText);

// A row's possible states ("等待", "上传", "完成", …) in the interface's language: what the
// state column must hold whole.
QStringList transferStateWords();

// The line above the list: how many files are left, how many bytes, at what speed.
QString totalsLine(const TransferTotals& totals, Direction page);

}  // namespace nubexa::pages
