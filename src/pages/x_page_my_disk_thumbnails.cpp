// The disk page's thumbnail view: the list's rows as pictures, sharing its model and selection,
// so that every command, menu and key works the same in both.
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <unordered_set>

#include "pages/disk_list_model.h"
#include "pages/page_list.h"
#include "pages/page_rects.h"
#include "pages/thumbnail_source.h"
#include "pages/x_page_my_disk.h"
#include "session/client_session.h"

namespace nubexa::pages {

namespace {

constexpr QSize kThumbnailBox{96, 96};
constexpr QSize kThumbnailCell{124, 132};  // the picture and two lines of its name

}  // namespace

void CXPageMyDisk::buildThumbnailView() {
    m_thumbList = new QListView(m_right);
    m_thumbList->setAccessibleName(tr("缩略图列表"));
    m_thumbList->setModel(m_model);
    m_thumbList->setModelColumn(DiskListModel::kName);
    m_thumbList->setSelectionModel(m_list->selectionModel());
    m_thumbList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_thumbList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_thumbList->setViewMode(QListView::IconMode);
    m_thumbList->setMovement(QListView::Static);
    m_thumbList->setResizeMode(QListView::Adjust);
    m_thumbList->setWordWrap(true);
    m_thumbList->setIconSize(kThumbnailBox);
    m_thumbList->setGridSize(kThumbnailCell);
    // Every cell is the grid's: the view need not ask each of thousands of rows for its size
    // when it lays them out or when a thumbnail comes.
    m_thumbList->setUniformItemSizes(true);
    m_thumbList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_thumbList->setGeometry(page_rects::kList);
    m_thumbList->hide();
    m_thumbList->installEventFilter(this);
    connect(m_thumbList, &QListView::doubleClicked, this,
            [this](const QModelIndex& index) { openRow(index.row()); });
    connect(m_thumbList, &QListView::customContextMenuRequested, this, [this](const QPoint& where) {
        popUpRowMenu(
            m_thumbList, where, [this](int row) { return menuForRow(row); },
            [this](int id) { runCommand(id); });
    });
    // Rows scrolled into sight go ahead of those still waiting.
    connect(m_thumbList->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { requestThumbnailsInSight(); });

    m_viewSwitch = new QPushButton(tr("缩略图"), m_right);
    m_viewSwitch->setAccessibleName(tr("切换缩略图与列表"));
    m_viewSwitch->setGeometry(page_rects::kViewSwitch);
    connect(m_viewSwitch, &QPushButton::clicked, this,
            [this] { setThumbnailView(!m_thumbnailView); });
}

void CXPageMyDisk::setThumbnailView(bool on) {
    if (on == m_thumbnailView)
        return;
    m_thumbnailView = on;
    if (on && !m_thumbnails) {
        ThumbnailSource::Settings settings;
        settings.box = kThumbnailBox;
        m_thumbnails = new ThumbnailSource(m_context.session, settings, this);
        connect(m_thumbnails, &ThumbnailSource::thumbnailsReady, m_model,
                &DiskListModel::thumbnailsArrived);
    }
    m_model->setThumbnails(on ? m_thumbnails : nullptr);
    m_viewSwitch->setText(on ? tr("列表") : tr("缩略图"));
    layOutListArea();  // the other word may be longer
    const bool listPage = m_page < kPageUploading;
    m_list->setVisible(listPage && !on);
    m_thumbList->setVisible(listPage && on);
    if (on)
        requestThumbnails();
}

std::vector<DiskFileEntry> CXPageMyDisk::filesInSight() const {
    // The view lays rows out in order, so those in sight are the rows between the first and
    // the last cell found under the viewport: a look at each cell, not at every row of a
    // folder of thousands.
    const QRect sight = m_thumbList->viewport()->rect();
    int first = -1;
    int last = -1;
    for (int y = 0; y < sight.height() + kThumbnailCell.height();
         y += kThumbnailCell.height() / 2) {
        for (int x = 0; x < sight.width(); x += kThumbnailCell.width() / 2) {
            const int row = m_thumbList->indexAt({x, std::min(y, sight.height() - 1)}).row();
            if (row < 0)
                continue;
            first = first < 0 ? row : std::min(first, row);
            last = std::max(last, row);
        }
    }
    std::unordered_set<std::string> ids;
    for (int row = std::max(first, 0); row <= last; ++row) {
        const DiskRow* listed = m_model->rowAt(row);
        if (listed && listed->kind == RowKind::kFile)
            ids.insert(listed->id);
    }
    std::vector<DiskFileEntry> shown;
    for (const DiskFileEntry& file : shownTables().disk_files) {
        if (file.id == kEndMarkId || shown.size() == ids.size())
            break;
        if (ids.count(file.id) > 0)
            shown.push_back(file);
    }
    return shown;
}

void CXPageMyDisk::requestThumbnails() {
    if (!m_thumbnails || !m_thumbnailView)
        return;
    requestThumbnailsInSight();
    m_thumbnails->request(listedEntries(shownTables().disk_files), false);
}

void CXPageMyDisk::requestThumbnailsInSight() {
    if (m_thumbnails && m_thumbnailView)
        m_thumbnails->request(filesInSight(), true);
}

}  // namespace nubexa::pages
