#pragma once

#include <QByteArray>
#include <QString>

namespace nubexa::pages {

// The most of a text file a preview fetches and shows.
inline constexpr qint64 kMostPreviewTextBytes = 256 * 1024;

// A text file's head as a preview shows it.
struct PreviewText {
    QString text;
    QByteArray encoding;   // "UTF-8", "UTF-16LE", "UTF-16BE", "GB18030" or uchardet's name
    bool damaged = false;  // no encoding read the bytes cleanly: shown as UTF-8 with marks
};

// Decodes a text file's bytes: a byte order mark says UTF-8 or UTF-16; else bytes that are
// valid UTF-8 are UTF-8; else uchardet's guess and GB18030 (what Chinese systems write when not
// UTF-8), the guess first when it names an East Asian, Western or Central European encoding;
// else UTF-8 with marks. `cut`: the bytes stop inside the file, so a character split at the
// end is not taken for bad input.
PreviewText decodePreviewText(const QByteArray& bytes, bool cut);

}  // namespace nubexa::pages
