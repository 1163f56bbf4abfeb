#pragma once

#include <QStyledItemDelegate>

namespace nubexa::pages {

// Paints a transfer list's "进度" cells as progress bars, its "速度" cells with the time left (or
// why the task waits) in a small line under the speed, and its narrow "大小" cells without
// margins: one painter for every row, no widget per row, so that thousands of rows scroll and
// refresh at once.
class ProgressDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ProgressDelegate(int progressColumn, int sizeColumn, int speedColumn,
                     QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    // The cell's background and selection, without its text.
    void paintBackground(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const;
    void paintProgress(QPainter* painter, const QStyleOptionViewItem& option,
                       const QModelIndex& index) const;
    void paintTight(QPainter* painter, const QStyleOptionViewItem& option,
                    const QModelIndex& index) const;

    int m_progressColumn;
    int m_sizeColumn;
    int m_speedColumn;
};

}  // namespace nubexa::pages
