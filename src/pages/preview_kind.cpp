#include "pages/preview_kind.h"

#include <QStringList>

#include "pages/thumbnail_picture.h"

namespace nubexa::pages {

PreviewKind previewKindOf(const QString& extension) {
    QString ext = extension.toLower();
    if (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    if (hasThumbnail(ext))
        return PreviewKind::kPicture;
    static const QStringList kText{
        QStringLiteral("txt"),  QStringLiteral("md"),  QStringLiteral("csv"),
        QStringLiteral("log"),  QStringLiteral("ini"), QStringLiteral("conf"),
        QStringLiteral("json"), QStringLiteral("xml"), QStringLiteral("yaml"),
        QStringLiteral("yml"),  QStringLiteral("c"),   QStringLiteral("h"),
        QStringLiteral("cpp"),  QStringLiteral("py"),  QStringLiteral("sh"),
        QStringLiteral("js"),   QStringLiteral("css"), QStringLiteral("sql")};
    if (kText.contains(ext))
        return PreviewKind::kText;
    static const QStringList kMedia{
        QStringLiteral("mp3"), QStringLiteral("wav"),  QStringLiteral("ogg"),
        QStringLiteral("oga"), QStringLiteral("flac"), QStringLiteral("m4a"),
        QStringLiteral("aac"), QStringLiteral("opus"), QStringLiteral("mp4"),
        QStringLiteral("m4v"), QStringLiteral("mkv"),  QStringLiteral("webm"),
        QStringLiteral("mov"), QStringLiteral("avi"),  QStringLiteral("ogv")};
    if (kMedia.contains(ext))
        return PreviewKind::kMedia;
    return PreviewKind::kOther;
}

}  // namespace nubexa::pages
