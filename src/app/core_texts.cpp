#include "app/core_texts.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>
#include <optional>

namespace nubexa::app {

namespace {

constexpr const char* kContext = "Messages";

// The fixed parts of what the transfer queue, the file servers' runs and the sync rounds say.
// Listed here for the catalog; the core builds them itself.
[[maybe_unused]] constexpr const char* kCoreTexts[] = {
    QT_TRANSLATE_NOOP("Messages", "网络异常，上传失败"),
    QT_TRANSLATE_NOOP("Messages", "网络异常，下载失败"),
    QT_TRANSLATE_NOOP("Messages", "网络异常，头像下载失败"),
    QT_TRANSLATE_NOOP("Messages", "下载失败"),
    QT_TRANSLATE_NOOP("Messages", "选择的文件夹已经存在，请修改后再上传"),
    QT_TRANSLATE_NOOP("Messages", "要下载的文件夹已经存在，请改名后再下载！"),
    QT_TRANSLATE_NOOP("Messages", "文件夹创建失败"),
    QT_TRANSLATE_NOOP("Messages", "不能把文件系统的最顶层作为文件夹上传"),
    QT_TRANSLATE_NOOP("Messages", "服务器忙，请稍后再试"),
    QT_TRANSLATE_NOOP("Messages", "登录已失效，请重新登录"),
    QT_TRANSLATE_NOOP("Messages", "请选择要上传的文件"),
    QT_TRANSLATE_NOOP("Messages", "请选择存放的路径 "),
    QT_TRANSLATE_NOOP("Messages", "请选择上传文件夹: "),
    // Why an entry of a folder upload or a sync round is left out.
    QT_TRANSLATE_NOOP("Messages", "链接指向的项目不存在"),
    QT_TRANSLATE_NOOP("Messages", "链接形成循环"),
    QT_TRANSLATE_NOOP("Messages", "指向文件夹的链接，未跟随"),
    QT_TRANSLATE_NOOP("Messages", "不是普通文件（管道、套接字或设备）"),
    QT_TRANSLATE_NOOP("Messages", "无法读取"),
    QT_TRANSLATE_NOOP("Messages", "名称无效"),
    QT_TRANSLATE_NOOP("Messages", "名称不是有效的UTF-8文本"),
    QT_TRANSLATE_NOOP("Messages", "名称太长（网盘最多255字节）"),
    QT_TRANSLATE_NOOP("Messages", "回收站无法写入"),
    QT_TRANSLATE_NOOP("Messages", "回收站中同名文件过多"),
    // Around a count.
    QT_TRANSLATE_NOOP("Messages", "%1 个文件名含有网盘不允许的字符，已替换为全角字符"),
    QT_TRANSLATE_NOOP("Messages", "%1 个名称与同一文件夹中的项目重名，已加上编号"),
    QT_TRANSLATE_NOOP("Messages", "%1 个文件名无法在本地使用，已改为安全的名称"),
    QT_TRANSLATE_NOOP("Messages", "%1 个名称以组合形式（NFC）保存"),
    QT_TRANSLATE_NOOP("Messages", "已跳过 %1 个无法上传的项目"),
    QT_TRANSLATE_NOOP("Messages", "服务器在 %1 字节处结束了文件，列出的大小为 %2 字节"),
    QT_TRANSLATE_NOOP("Messages", "大小未知的文件超过了上限（%1 字节），服务器仍在发送"),
    QT_TRANSLATE_NOOP("Messages", "服务器发送的数据超过其 SIZE 回答（%1 字节）"),
    QT_TRANSLATE_NOOP("Messages", "服务器发送的数据超过列出的大小（%1 字节）"),
    // After a name.
    QT_TRANSLATE_NOOP("Messages", "(%1）单文件大小超过你当前等级限制"),
    QT_TRANSLATE_NOOP("Messages", "(%1）无法读取，没有上传"),
    QT_TRANSLATE_NOOP("Messages", "(%1）文件夹创建失败，其中的文件没有上传"),
    QT_TRANSLATE_NOOP("Messages", "(%1）的名称以组合形式（NFC）保存"),
    QT_TRANSLATE_NOOP("Messages", "(%1）的文件名无法在本地使用，已保存为：%2"),
    QT_TRANSLATE_NOOP("Messages", "(%1）%2"),
    // Before a name.
    QT_TRANSLATE_NOOP("Messages", "本地路径已经存在该文件，不能下载。失败文件名为:%1"),
    QT_TRANSLATE_NOOP("Messages", "本地文件未找到或位置发现变化，上传失败。失败文件名为:%1"),
    QT_TRANSLATE_NOOP("Messages", "文件服务器暂不接受登录：%1"),
    QT_TRANSLATE_NOOP("Messages", "磁盘空间不足：%1"),
    QT_TRANSLATE_NOOP("Messages", "无法写入 bin.db，传输暂停：%1"),
    QT_TRANSLATE_NOOP("Messages", "文件服务器拒绝加密，密码和文件以明文传输：%1"),
    QT_TRANSLATE_NOOP("Messages", "下载位置中有链接或文件挡住了文件夹，不能下载：%1"),
    QT_TRANSLATE_NOOP("Messages", "网盘拒绝了文件名：%1"),
    QT_TRANSLATE_NOOP("Messages", "没有读取本地文件的权限：%1"),
    QT_TRANSLATE_NOOP("Messages", "证书无法验证：%1"),
};

// The catalog's text for `key` with `args` in place, when the catalog has one.
std::optional<QString> lookUp(const QString& key, const QStringList& args = {}) {
    const QByteArray source = key.toUtf8();
    QString text = QCoreApplication::translate(kContext, source.constData());
    if (text == key)
        return std::nullopt;
    // Names may hold "%2": they go in one pass. Counts are digits only.
    if (args.size() == 1)
        return text.arg(args[0]);
    if (args.size() == 2)
        return text.arg(args[0], args[1]);
    for (const QString& arg : args)
        text = text.arg(arg);
    return text;
}

constexpr QChar kNameEnd(0xFF09);  // "）"

// "…：name" or "…:name": the fixed part up to the first colon and what follows it.
std::optional<std::pair<QString, QString>> splitAtColon(const QString& text) {
    const QRegularExpressionMatch colon =
        QRegularExpression(QStringLiteral("[:\\x{FF1A}]")).match(text);
    if (!colon.hasMatch())
        return std::nullopt;
    const qsizetype end = colon.capturedEnd();
    return std::make_pair(text.left(end), text.mid(end));
}

// A name-led text: "(name）" then a fixed text, or a fixed text around a second name, or any
// text the catalog knows as a whole. A name may hold "）" itself: each one is tried.
std::optional<QString> nameLed(const QString& text) {
    if (!text.startsWith(QLatin1Char('(')))
        return std::nullopt;
    const QString lead = QStringLiteral("(%1") + kNameEnd;
    for (qsizetype end = text.indexOf(kNameEnd); end >= 0; end = text.indexOf(kNameEnd, end + 1)) {
        const QString name = text.mid(1, end - 1);
        const QString rest = text.mid(end + 1);
        if (auto found = lookUp(lead + rest, {name}))
            return found;
        if (const auto parts = splitAtColon(rest)) {
            if (auto found =
                    lookUp(lead + parts->first + QStringLiteral("%2"), {name, parts->second}))
                return found;
        }
        if (const auto reason = lookUp(rest))
            return lookUp(lead + QStringLiteral("%2"), {name, *reason});
    }
    return std::nullopt;
}

// Every run of digits as %1, %2, …
std::optional<QString> counted(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("[0-9]+"));
    QString key;
    QStringList numbers;
    qsizetype from = 0;
    for (auto it = digits.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch run = it.next();
        numbers << run.captured();
        key += text.mid(from, run.capturedStart() - from) + QLatin1Char('%') +
               QString::number(numbers.size());
        from = run.capturedEnd();
    }
    if (numbers.isEmpty() || numbers.size() > 9)
        return std::nullopt;
    return lookUp(key + text.mid(from), numbers);
}

}  // namespace

QString coreText(const std::string& text) {
    const QString whole = QString::fromStdString(text);
    if (auto found = lookUp(whole))
        return *found;
    if (auto found = nameLed(whole))
        return *found;
    if (const auto parts = splitAtColon(whole)) {
        if (auto found = lookUp(parts->first + QStringLiteral("%1"), {parts->second}))
            return *found;
    }
    if (auto found = counted(whole))
        return *found;
    return whole;
}

}  // namespace nubexa::app
