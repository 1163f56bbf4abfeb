#include "pages/progress_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionProgressBar>

#include "app/colour_scheme.h"
#include "pages/transfer_list_model.h"

namespace nubexa::pages {

namespace {

constexpr int kBarHeight = 8;
constexpr int kBarMargin = 5;

QStyle* styleOf(const QStyleOptionViewItem& option) {
    return option.widget ? option.widget->style() : QApplication::style();
}

}  // namespace

void ProgressDelegate::paintBackground(QPainter* painter, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    styleOf(option)->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);
}

ProgressDelegate::ProgressDelegate(int progressColumn, int sizeColumn, int speedColumn,
                                   QObject* parent)
    : QStyledItemDelegate(parent),
      m_progressColumn(progressColumn),
      m_sizeColumn(sizeColumn),
      m_speedColumn(speedColumn) {}

void ProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    if (index.column() == m_progressColumn) {
        paintProgress(painter, option, index);
    } else if (index.column() == m_speedColumn || index.column() == m_sizeColumn) {
        paintTight(painter, option, index);
    } else {
        QStyledItemDelegate::paint(painter, option, index);
    }
}

void ProgressDelegate::paintProgress(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    paintBackground(painter, option, index);
    QStyleOptionProgressBar bar;
    bar.initFrom(option.widget);
    bar.rect = QRect(option.rect.left() + kBarMargin, option.rect.center().y() - kBarHeight / 2 + 1,
                     option.rect.width() - 2 * kBarMargin, kBarHeight);
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = index.data(TransferListModel::kPercentRole).toInt();
    bar.textVisible = false;
    bar.state = option.state | QStyle::State_Horizontal;
    styleOf(option)->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
}

void ProgressDelegate::paintTight(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    paintBackground(painter, option, index);
    const QString detail = index.data(TransferListModel::kDetailRole).toString();
    const QVariant ownFont = index.data(Qt::FontRole);
    const QFont font = ownFont.isValid() ? ownFont.value<QFont>() : option.font;
    const QColor text = option.palette.color(
        option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text);
    painter->save();
    // Edge to edge, without the usual text margins: the columns are narrow.
    const QRect cell = option.rect.adjusted(1, 1, -1, -1);
    painter->setPen(text);
    painter->setFont(font);
    if (detail.isEmpty() || index.column() != m_speedColumn) {
        painter->drawText(cell, Qt::AlignCenter, index.data().toString());
        painter->restore();
        return;
    }
    const int half = cell.height() / 2;
    painter->drawText(QRect(cell.left(), cell.top(), cell.width(), half),
                      Qt::AlignHCenter | Qt::AlignBottom, index.data().toString());
    QFont small = font;
    if (small.pixelSize() > 0)
        small.setPixelSize(small.pixelSize() - 1);
    else
        small.setPointSizeF(small.pointSizeF() * 0.9);
    painter->setFont(small);
    painter->setPen(app::activeColours().mutedText);
    painter->drawText(QRect(cell.left(), cell.top() + half, cell.width(), cell.height() - half),
                      Qt::AlignHCenter | Qt::AlignTop, detail);
    painter->restore();
}

}  // namespace nubexa::pages
