#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "pages/disk_rows.h"

namespace nubexa::app {
class PictureCache;
}

namespace nubexa::pages {

class ThumbnailSource;

// The rows of pages 1 to 5 for the list view: name (with its icon), "外链", "直链", "大小",
// "创建时间" and the hidden id column. GUI thread only.
class DiskListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kName, kShare, kLink, kSize, kTime, kId, kColumnCount };
    // The time column holds a whole "2026-11-28 16:45:12" and the size column a whole
    // "1023.99 MB"; the name gives way for them.
    static constexpr int kColumnWidths[kColumnCount] = {324, 45, 45, 86, 150, 0};

    explicit DiskListModel(app::PictureCache& pictures, QObject* parent = nullptr);

    void setRows(std::vector<DiskRow> rows);
    // The thumbnail view: a file's thumbnail, once it is here, in place of its icon (null: icons).
    void setThumbnails(const ThumbnailSource* thumbnails);
    // The thumbnails of the files `fileIds` came: their rows are drawn again, in one change.
    void thumbnailsArrived(const QStringList& fileIds);
    const std::vector<DiskRow>& rows() const { return m_rows; }
    const DiskRow* rowAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    app::PictureCache& m_pictures;
    std::vector<DiskRow> m_rows;
    const ThumbnailSource* m_thumbnails = nullptr;
};

}  // namespace nubexa::pages
