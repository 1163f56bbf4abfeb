#include "pages/preview_text.h"

#include <QStringDecoder>
#include <optional>

namespace nubexa::pages {

namespace {

// The text when `bytes` are valid in `encoding`. A stateful decoder keeps a character cut at
// the end for more input instead of marking it, which is right for a cut file only.
std::optional<QString> decodeClean(const QByteArray& bytes, QStringConverter::Encoding encoding,
                                   bool cut) {
    QStringDecoder decoder(
        encoding, cut ? QStringConverter::Flag::Default : QStringConverter::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> decodeGb18030(const QByteArray& bytes, bool cut) {
    QStringDecoder decoder(
        "GB18030", cut ? QStringConverter::Flag::Default : QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
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
    if (auto text = decodeClean(bytes, QStringConverter::Utf8, cut)) {
        result.text = std::move(*text);
        result.encoding = "UTF-8";
        return result;
    }
    if (auto text = decodeGb18030(bytes, cut)) {
        result.text = std::move(*text);
        result.encoding = "GB18030";
        return result;
    }
    result.text = QString::fromUtf8(bytes);
    result.encoding = "UTF-8";
    result.damaged = true;
    return result;
}

}  // namespace nubexa::pages
