#include "pages/transfer_words.h"

#include <QCoreApplication>

#include <iterator>
#include <string_view>

namespace nubexa::pages {

namespace {

constexpr const char* kWordsContext = "nubexa::pages::TransferWords";

// Every fixed word the core puts into a row (state, wait reason, its explanation).
constexpr const char* kCoreWords[] = {
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "等待"),
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "上传"),
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "下载"),
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "暂停"),
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "完成"),
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "未知"),
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "失败"),
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "已暂停"),
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "待续传"),
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "待重试"),
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "排队中"),
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "你暂停了这个任务，点“续传”继续"),
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "上次运行时没有传完，点“续传”继续"),
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords",
                      "多次传输失败，稍后自动重试；点“续传”立即重试"),
    QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "等待空闲的传输位置，会自动开始"),
};

QString translated(const char* source) {
    return QCoreApplication::translate(kWordsContext, source);
}

}  // namespace

QString transferWords(const std::string& coreText) {
    constexpr std::string_view kTimeLeft = "剩余 ";  // untranslated: the core's prefix
    if (coreText.rfind(kTimeLeft, 0) == 0)
        return translated(QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "剩余 %1"))
            .arg(QString::fromStdString(coreText.substr(kTimeLeft.size())));
    return knownWords(kWordsContext, kCoreWords, coreText);
}

QStringList transferStateWords() {
    // The short words are the states; the sentences after them say why a row waits.
    QStringList words;
    for (const char* word : std::span(kCoreWords).first(11))
        words << translated(word);
    return words;
}

QString knownWords(const char* context, std::span<const char* const> known,
                   const std::string& coreText) {
    for (const char* word : known) {
        if (coreText == word)
            return QCoreApplication::translate(context, word);
    }
    return QString::fromStdString(coreText);
}

QString totalsLine(const TransferTotals& totals, Direction page) {
    if (totals.files == 0)
        return page == Direction::kUpload
                   ? translated(
                         QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "没有正在上传的文件"))
                   : translated(
                         QT_TRANSLATE_NOOP("nubexa::pages::TransferWords", "没有正在下载的文件"));
    // "%n" for the number of files: English says "1 file" but "2 files".
    static const char* const kTotals =
        QT_TRANSLATE_N_NOOP("nubexa::pages::TransferWords", "共 %n 个文件，剩余 %1，%2");
    return QCoreApplication::translate(kWordsContext, kTotals, nullptr,
                                       static_cast<int>(totals.files))
        .arg(QString::fromStdString(nubexa::sizeText(std::to_string(totals.bytesLeft))),
             QString::fromStdString(speedText(std::to_string(totals.speedKBps))));
}

}  // namespace nubexa::pages
