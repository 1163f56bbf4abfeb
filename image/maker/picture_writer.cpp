#include "picture_writer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>

#include "paint_kit.h"

namespace nubexa::maker {

PictureWriter::PictureWriter(QString outputDir, QString sourceDir)
    : m_outputDir(std::move(outputDir)), m_sourceDir(std::move(sourceDir)) {}

void PictureWriter::beginPass(int scale) {
    m_scale = scale;
    setDrawScale(scale);
    m_written.clear();
    m_wordsFolder.clear();
}

void PictureWriter::beginWordsPass(int scale, const QString& folder) {
    beginPass(scale);
    m_wordsFolder = folder + QLatin1Char('/');
}

QString PictureWriter::outputPath(const nubexa::pictures::Picture& picture) const {
    return QString(basePath(picture)).insert(m_outputDir.size() + 1, m_wordsFolder);
}

QString PictureWriter::basePath(const nubexa::pictures::Picture& picture) const {
    QString path = m_outputDir + QLatin1Char('/') + QString::fromUtf8(picture.path);
    // Qt's own convention, "name@2x.png", so a loader can find the sharper file by name.
    if (m_scale > 1)
        path.insert(path.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(m_scale));
    return path;
}

bool PictureWriter::save(const nubexa::pictures::Picture& picture, const QImage& image) {
    if (image.width() != picture.width * m_scale || image.height() != picture.height * m_scale) {
        m_error = QStringLiteral("%1: drawn %2x%3, the catalog says %4x%5 at scale %6")
                      .arg(QString::fromUtf8(picture.path))
                      .arg(image.width())
                      .arg(image.height())
                      .arg(picture.width)
                      .arg(picture.height)
                      .arg(m_scale);
        return false;
    }
    const bool jpeg = QByteArray(picture.path).endsWith(".jpg");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const bool encoded = jpeg ? image.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPG", 92)
                              : image.save(&buffer, "PNG");
    if (!encoded) {
        m_error = QStringLiteral("%1: cannot encode").arg(QString::fromUtf8(picture.path));
        return false;
    }
    if (!m_wordsFolder.isEmpty()) {
        // Only pictures with words differ; the client falls back to the first ones.
        QFile base(basePath(picture));
        if (base.open(QIODevice::ReadOnly) && base.readAll() == bytes) {
            QFile::remove(outputPath(picture));
            m_written.insert(picture.path);
            return true;
        }
    }
    return writeBytes(picture, bytes);
}

bool PictureWriter::copySource(const nubexa::pictures::Picture& picture,
                               const QString& sourceRelative) {
    if (m_scale > 1 || !m_wordsFolder.isEmpty()) {  // a drawing scales by itself, has no words
        m_written.insert(picture.path);
        return true;
    }
    QFile source(m_sourceDir + QLatin1Char('/') + sourceRelative);
    if (!source.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot read %1").arg(source.fileName());
        return false;
    }
    return writeBytes(picture, source.readAll());
}

QImage PictureWriter::renderSvg(const QString& sourceRelative, int width, int height) {
    QSvgRenderer renderer(m_sourceDir + QLatin1Char('/') + sourceRelative);
    QImage image = canvas(width, height);
    if (!renderer.isValid()) {
        m_error = QStringLiteral("cannot render %1").arg(sourceRelative);
        return {};
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, width, height));
    return image;
}

bool PictureWriter::writeBytes(const nubexa::pictures::Picture& picture, const QByteArray& bytes) {
    const QString path = outputPath(picture);
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Replaced in one step, so a reader never sees half a picture.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        m_error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    m_written.insert(picture.path);
    return true;
}

std::set<std::string> PictureWriter::missing() const {
    std::set<std::string> result;
    for (const auto* picture : nubexa::pictures::all()) {
        if (!m_written.count(picture->path))
            result.insert(picture->path);
    }
    return result;
}

}  // namespace nubexa::maker
