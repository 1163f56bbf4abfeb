#include "pages/preview_text.h"

#include <uchardet.h>

#include <QStringDecoder>
#include <memory>
#include <optional>
#include <type_traits>

namespace nubexa::pages {

namespace {

// The text when `bytes` are valid in the encoding `decoder` was made for.
std::optional<QString> decodeClean(QStringDecoder decoder, const QByteArray& bytes) {
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// A stateful decoder keeps a character cut at the end for more input instead of marking it,
// which is right for a cut file only.
QStringConverter::Flags flagsFor(bool cut) {
    return cut ? QStringConverter::Flag::Default : QStringConverter::Flag::Stateless;
}

// The charset uchardet guesses from the bytes' statistics; empty when it has no guess, or
// only ASCII (which UTF-8 would have read).
QByteArray guessedCharset(const QByteArray& bytes) {
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, decltype(&uchardet_delete)> detector(
        uchardet_new(), &uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), bytes.constData(),
                                          static_cast<size_t>(bytes.size())) != 0)
        return {};
    uchardet_data_end(detector.get());
    const QByteArray name(uchardet_get_charset(detector.get()));
    return name == "ASCII" ? QByteArray() : name;
}

// The families of encodings whose files GB18030 would read as nonsense and uchardet tells
// apart reliably: the other East Asian ones, Western and Central European.
bool overrulesGb18030(const QByteArray& guess) {
    static const char* const kFamilies[] = {
        "SHIFT_JIS", "EUC-JP",     "ISO-2022-",  "BIG5",        "EUC-TW",       "EUC-KR",
        "UHC",       "ISO-8859-1", "ISO-8859-2", "ISO-8859-15", "WINDOWS-1250", "WINDOWS-1252"};
    for (const char* family : kFamilies)
        if (guess == family || (guess.startsWith(family) && QByteArray(family).endsWith('-')))
            return true;
    return false;
}

}  // namespace

PreviewText decodePreviewText(const QByteArray& bytes, bool cut) {
    PreviewText result;
    // The mark says it; whatever follows is shown as that encoding, marks for bad bytes.
    if (const auto marked = QStringConverter::encodingForData(bytes)) {
        result.encoding = QStringConverter::nameForEncoding(*marked);
        QStringDecoder decoder(*marked);  // drops the mark
        result.text = decoder(bytes);
        result.damaged = decoder.hasError();
        return result;
    }
    const auto take = [&](std::optional<QString> text, const QByteArray& encoding) {
        if (!text)
            return false;
        result.text = std::move(*text);
        result.encoding = encoding;
        return true;
    };
    if (take(decodeClean(QStringDecoder(QStringConverter::Utf8, flagsFor(cut)), bytes), "UTF-8"))
        return result;
    // GB18030 reads almost any bytes, so Latin-1, Shift-JIS or Big5 would come out as Chinese
    // nonsense: uchardet's guess goes first when it names one of those families. Its other
    // single-byte guesses (Cyrillic, Greek...) are what it says of short Chinese texts, so
    // there GB18030 goes first. UTF-8 with a fault (a file that ends inside a character) is
    // shown as UTF-8, with marks.
    const QByteArray guess = guessedCharset(bytes);
    const auto decodeAs = [&](const QByteArray& encoding) {
        return !encoding.isEmpty() &&
               take(decodeClean(QStringDecoder(encoding.constData(), flagsFor(cut)), bytes),
                    encoding);
    };
    if (guess != "UTF-8" && (overrulesGb18030(guess) ? decodeAs(guess) || decodeAs("GB18030")
                                                     : decodeAs("GB18030") || decodeAs(guess)))
        return result;
    result.text = QString::fromUtf8(bytes);
    result.encoding = "UTF-8";
    result.damaged = true;
    return result;
}

}  // namespace nubexa::pages
