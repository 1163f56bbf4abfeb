#include "app/picture_cache.h"

#include <cstdio>

namespace nubexa::app {

PictureCache::PictureCache(QString imageFolder) : m_folder(std::move(imageFolder)) {
    if (!m_folder.endsWith(QLatin1Char('/')))
        m_folder += QLatin1Char('/');
}

QPixmap PictureCache::picture(const QString& relativePath) {
    const auto found = m_pictures.constFind(relativePath);
    if (found != m_pictures.constEnd())
        return *found;
    // Absolute paths (a downloaded avatar) are taken as they are.
    const QString path =
        relativePath.startsWith(QLatin1Char('/')) ? relativePath : m_folder + relativePath;
    QPixmap pixmap(path);
    if (pixmap.isNull() && !m_reported.contains(relativePath)) {
        m_reported.insert(relativePath);
        std::fprintf(stderr, "nubexa-client: picture missing or unreadable: %s\n",
                     path.toLocal8Bit().constData());
    }
    m_pictures.insert(relativePath, pixmap);
    return pixmap;
}

QPixmap PictureCache::part(const QString& relativePath, const QRect& source) {
    const QPixmap whole = picture(relativePath);
    if (whole.isNull() || !whole.rect().contains(source))
        return whole;
    return whole.copy(source);
}

void PictureCache::forget(const QString& relativePath) {
    m_pictures.remove(relativePath);
    m_reported.remove(relativePath);
}

}  // namespace nubexa::app
