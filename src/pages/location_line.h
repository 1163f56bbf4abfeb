#pragma once

#include <QLabel>
#include <string>
#include <vector>

namespace nubexa::pages {

// The location line of the disk page: a folder's path ("\照片\旅行") whose parts lead to their
// folders ("\" to the top), or a plain text (another page's name, a search). GUI thread only.
class LocationLine : public QLabel {
    Q_OBJECT
public:
    explicit LocationLine(QWidget* parent);

    // `folderIds` are the ids of the path's folders, outermost first; when they do not match
    // the path (a path the page did not walk), the path is shown as text.
    void showPath(const std::string& path, const std::vector<std::string>& folderIds);
    void showText(const QString& text);
    // What the line says, without its links.
    const QString& shownText() const { return m_shown; }

    // The path of the folder `depth` levels below the top of `path` (0: "\").
    static std::string pathAt(const std::string& path, int depth);

signals:
    // A part of the path was clicked: the folder `depth` levels below the top.
    void partClicked(int depth);

private:
    QString m_shown;
};

}  // namespace nubexa::pages
