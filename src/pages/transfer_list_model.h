#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <functional>
#include <optional>
#include <vector>

#include "session/transfer_rows.h"
#include "session/transfer_rows_listener.h"

namespace nubexa::pages {

// The rows of the uploading or downloading page: "本地文件信息", "网盘文件信息", "大小", "进度"
// (drawn by ProgressDelegate), "速度" (with the time left under it), the hidden id and status,
// and "状态". GUI thread only.
class TransferListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kLocal, kRemote, kSize, kProgress, kSpeed, kId, kStatus, kState, kColumnCount };
    static constexpr int kColumnWidths[kColumnCount] = {285, 150, 60, 60, 60, 0, 0, 40};
    enum Role {
        kPercentRole = Qt::UserRole,  // int, 0 to 100
        kDetailRole,                  // the small line under the speed
    };

    // The icon of the file list's image list at an index (the disk page's icons).
    using IconAt = std::function<QIcon(int index)>;
    explicit TransferListModel(IconAt iconAt, QObject* parent = nullptr);

    // The same tasks in the same order change in place (read again: views keep their
    // selection, scroll and open editors); any other change resets the rows. True for a reset.
    bool setRows(std::vector<TransferRow> rows, Direction page);
    // One task in place: its new progress (only while shown as running: a step told after a
    // pause does not make the row move again), or the row as read anew. Only that row changes;
    // false when the task is not shown.
    bool updateTask(const TransferRowProgress& progress);
    bool updateTask(TransferRow row);
    // A task that came onto the page, in the order of the ids (that of queueing).
    void insertTask(TransferRow row);
    bool removeTask(std::int64_t id);
    const std::vector<TransferRow>& rows() const { return m_rows; }
    const TransferRow* rowAt(int row) const;
    // The texts of a row, made when first asked for after a fill. `row` must be valid.
    const ShownTransfer& shown(int row) const;
    Direction direction() const { return m_page; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    int rowOf(std::int64_t id) const;
    void rowChanged(int row);

    IconAt m_iconAt;
    Direction m_page = Direction::kUpload;
    std::vector<TransferRow> m_rows;
    mutable std::vector<std::optional<ShownTransfer>> m_shown;  // by row, made on demand
};

}  // namespace nubexa::pages
