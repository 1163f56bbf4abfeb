#pragma once

#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QSet>
#include <QString>
#include <QStringList>

class QLabel;

namespace nubexa::app {

// Every picture of the client, loaded once from the program's "image/" folder and keyed by
// its path below it ("skin/loginBackImage.png"). A missing or unreadable picture gives a null
// pixmap, so its element stays empty; it is reported once on standard error. On a screen of
// more than 100 % the twin drawn at twice the pixels ("name@2x.png") is taken where there is
// one: the pixmap then has a device pixel ratio of 2 and the same size in points, so callers
// place it as they would the 1x one. In English, a picture with words is taken from "en/"; in
// the dark scheme, the page area's pictures from "dark/" ("dark/en/" in English). GUI thread only.
class PictureCache {
public:
    // `wordsFolder` ("en/"): where the pictures with words have their twins in the interface's
    // language; a picture without words is only in `imageFolder`.
    explicit PictureCache(QString imageFolder, QString wordsFolder = {});

    // The whole picture.
    QPixmap picture(const QString& relativePath);
    // The rectangle `source` (in points) of the picture (a state of a sheet), or the picture
    // when the rectangle reaches outside it.
    QPixmap part(const QString& relativePath, const QRect& source);

    // The program's icon in every size the build drew, with their 2x twins (window, tray).
    QIcon programIcon() const;

    // The file the picture is loaded from in the active scheme and language (for style sheets).
    QString filePath(const QString& relativePath) const;

    // Replaces a picture that changed on disk (a new avatar).
    void forget(const QString& relativePath);

    const QString& imageFolder() const { return m_folder; }

private:
    // Where the twins of the active scheme and language are below the folder, first first.
    QStringList twinFolders() const;

    QString m_folder;  // ends with '/'
    QString m_wordsFolder;
    QHash<QString, QPixmap> m_pictures;
    QSet<QString> m_reported;
};

// Shows the picture in `label`, again after every change of scheme (its dark twin, or back).
void showPicture(QLabel* label, PictureCache& cache, const QString& relativePath);

}  // namespace nubexa::app
