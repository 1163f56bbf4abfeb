// The disk page's layout as the window grows, and sorting by a list column's header.
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QResizeEvent>
#include <QTableView>

#include <algorithm>

#include "app/image_button.h"
#include "app/main_frame_rects.h"
#include "pages/disk_list_model.h"
#include "pages/disk_rows.h"
#include "pages/location_line.h"
#include "pages/page_rects.h"
#include "pages/transfer_page.h"
#include "pages/x_page_my_disk.h"

#include <algorithm>
#include "session/client_session.h"

namespace nubexa::pages {

namespace rects = page_rects;

void CXPageMyDisk::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The list area is right of the navigation column, wherever the frame has put the page.
    m_right->setGeometry(app::main_frame_rects::listArea(size()));
    layOutListArea();
}

void CXPageMyDisk::layOutListArea() {
    if (!m_list)
        return;
    const QSize growth = rects::growthOf(m_right->size());
    m_searchBar->setGeometry(rects::keptRight(rects::kSearchBox, growth));
    m_searchBox->setGeometry(rects::keptRight(rects::kSearchBox.adjusted(8, 3, -8, -3), growth));
    m_searchButton->setGeometry(rects::keptRight(rects::kSearchButton, growth));
    m_sort->setGeometry(rects::keptRight(rects::kSort, growth));
    // A longer word for "location" (another language) moves the path along instead of being cut.
    const int labelWidth =
        std::max(rects::kLocationLabel.width(), m_locationLabel->sizeHint().width());
    m_locationLabel->setGeometry(rects::kLocationLabel.x(), rects::kLocationLabel.y(), labelWidth,
                                 rects::kLocationLabel.height());
    QRect line = rects::widened(rects::kLocationLine, growth);
    line.setLeft(std::max(line.left(), m_locationLabel->geometry().right() + 1));
    m_locationLine->setGeometry(m_page >= kPageUploading ? rects::kTransferLocationLine : line);
    const QRect list = rects::grown(rects::kList, growth);
    m_list->setGeometry(list);
    m_thumbList->setGeometry(list);
    m_viewSwitch->setGeometry(rects::atLeastWide(rects::keptRight(rects::kViewSwitch, growth),
                                                 m_viewSwitch->sizeHint().width()));
    m_list->setColumnWidth(DiskListModel::kName,
                           DiskListModel::kColumnWidths[DiskListModel::kName] + growth.width());
    m_loading->move(list.center() - m_loading->rect().center());
    m_transfers->layOut(growth);
}

void CXPageMyDisk::sortByColumn(int column) {
    // The service's order key of each column of DiskListModel, in its order.
    static const char* const kKeys[] = {"name", "share", "link", "size", "time"};
    if (busy() || column < 0 || column >= static_cast<int>(std::size(kKeys)))
        return;
    const AccountInfo account = m_context.session.account();
    const std::string key = kKeys[column];
    const std::string desc = account.sort_order == key && account.sort_desc == "0" ? "1" : "0";
    for (int index = 0; index < static_cast<int>(std::size(kSortEntries)); ++index) {
        if (kSortEntries[index].key == key && kSortEntries[index].desc == desc) {
            m_sort->setCurrentIndex(index);
            m_list->horizontalHeader()->setSortIndicator(
                column, desc == "1" ? Qt::DescendingOrder : Qt::AscendingOrder);
            m_list->horizontalHeader()->setSortIndicatorShown(true);
            setSortIndex(index);
            return;
        }
    }
}

}  // namespace nubexa::pages
