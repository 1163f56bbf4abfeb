// Writes pictures into the image folder and remembers which catalog entries were written, so the
// maker can refuse to finish while one is missing or has the wrong size.
#pragma once

#include <QImage>
#include <QString>

#include <set>
#include <string>

#include "picture_catalog.h"

namespace nubexa::maker {

class PictureWriter {
public:
    PictureWriter(QString outputDir, QString sourceDir);

    // The scale of the pass (drawScale()): 1 writes "name.png", 2 writes "name@2x.png". Sources
    // copied verbatim (SVGs) are written in the first pass only. Starts a new pass: missing()
    // then counts this pass's pictures.
    void beginPass(int scale);
    // A pass in other words (an English twin): writes into `folder` ("en") only the pictures
    // that differ from the ones the first passes wrote, and removes a twin that no longer does.
    void beginWordsPass(int scale, const QString& folder);

    // Saves `image` as the catalog picture; false (with error()) when sizes differ or writing
    // fails.
    bool save(const nubexa::pictures::Picture& picture, const QImage& image);
    // Copies a source file verbatim (an SVG the client may load as it is).
    bool copySource(const nubexa::pictures::Picture& picture, const QString& sourceRelative);
    // Renders an SVG source of this folder at the given size in points, at the pass's scale.
    QImage renderSvg(const QString& sourceRelative, int width, int height);

    // Catalog pictures not written yet.
    std::set<std::string> missing() const;
    QString outputPath(const nubexa::pictures::Picture& picture) const;
    // Where the picture of the first passes is, at this pass's scale.
    QString basePath(const nubexa::pictures::Picture& picture) const;
    const QString& error() const { return m_error; }

private:
    bool writeBytes(const nubexa::pictures::Picture& picture, const QByteArray& bytes);

    QString m_outputDir;
    QString m_sourceDir;
    int m_scale = 1;
    QString m_wordsFolder;  // empty, or "en/"
    std::set<std::string> m_written;
    QString m_error;
};

}  // namespace nubexa::maker
