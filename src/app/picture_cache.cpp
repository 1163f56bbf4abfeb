#include "app/picture_cache.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>

#include <cstdio>

#include "app/colour_scheme.h"
#include "picture_catalog.h"

namespace nubexa::app {

namespace {

// The 2x twin on a high-density screen, else the picture itself. SVGs scale by themselves.
QPixmap load(const QString& path) {
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (ratio > 1.0 && dot > 0 && !path.endsWith(QStringLiteral(".svg"))) {
        QPixmap twin(QString(path).insert(dot, QStringLiteral("@2x")));
        if (!twin.isNull()) {
            twin.setDevicePixelRatio(2.0);
            return twin;
        }
    }
    return QPixmap(path);
}

}  // namespace

PictureCache::PictureCache(QString imageFolder, QString wordsFolder)
    : m_folder(std::move(imageFolder)), m_wordsFolder(std::move(wordsFolder)) {
    if (!m_folder.endsWith(QLatin1Char('/')))
        m_folder += QLatin1Char('/');
    if (!m_wordsFolder.isEmpty() && !m_wordsFolder.endsWith(QLatin1Char('/')))
        m_wordsFolder += QLatin1Char('/');
}

QStringList PictureCache::twinFolders() const {
    // The dark twins are the page area's only; the pictures elsewhere keep their words' twins.
    QStringList folders;
    if (activeColourScheme() == ColourScheme::kDark)
        folders << QStringLiteral("dark/") + m_wordsFolder;
    if (!m_wordsFolder.isEmpty())
        folders << m_wordsFolder;
    return folders;
}

QString PictureCache::filePath(const QString& relativePath) const {
    // Absolute paths (a downloaded avatar) are taken as they are.
    if (relativePath.startsWith(QLatin1Char('/')))
        return relativePath;
    for (const QString& twin : twinFolders()) {
        if (QFileInfo::exists(m_folder + twin + relativePath))
            return m_folder + twin + relativePath;
    }
    return m_folder + relativePath;
}

QPixmap PictureCache::picture(const QString& relativePath) {
    const QString key = twinFolders().join(QLatin1Char('|')) + relativePath;
    const auto found = m_pictures.constFind(key);
    if (found != m_pictures.constEnd())
        return *found;
    const QString path = filePath(relativePath);
    QPixmap pixmap = load(path);
    if (pixmap.isNull() && !m_reported.contains(relativePath)) {
        m_reported.insert(relativePath);
        std::fprintf(stderr, "nubexa-client: picture missing or unreadable: %s\n",
                     path.toLocal8Bit().constData());
    }
    m_pictures.insert(key, pixmap);
    return pixmap;
}

QPixmap PictureCache::part(const QString& relativePath, const QRect& source) {
    const QPixmap whole = picture(relativePath);
    const qreal ratio = whole.devicePixelRatio();
    const QRect pixels(source.topLeft() * ratio, source.size() * ratio);
    if (whole.isNull() || !whole.rect().contains(pixels))
        return whole;
    QPixmap cut = whole.copy(pixels);
    cut.setDevicePixelRatio(ratio);
    return cut;
}

QIcon PictureCache::programIcon() const {
    QIcon icon;
    // addFile finds each size's "@2x" twin by itself.
    for (const auto& size : pictures::kAppIcons)
        icon.addFile(m_folder + QString::fromLatin1(size.path));
    return icon;
}

void PictureCache::forget(const QString& relativePath) {
    for (auto found = m_pictures.begin(); found != m_pictures.end();) {
        if (found.key().endsWith(relativePath))
            found = m_pictures.erase(found);
        else
            ++found;
    }
    m_reported.remove(relativePath);
}

void showPicture(QLabel* label, PictureCache& cache, const QString& relativePath) {
    followColourScheme(label, [label, &cache, relativePath](const SchemeColours&) {
        label->setPixmap(cache.picture(relativePath));
    });
}

}  // namespace nubexa::app
