// The disk page's thumbnail view: the list's rows as pictures, sharing its model and selection,
// so that every command, menu and key works the same in both.
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <set>

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
            [this] { requestThumbnails(); });

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
        connect(m_thumbnails, &ThumbnailSource::thumbnailReady, m_model,
                &DiskListModel::thumbnailArrived);
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

void CXPageMyDisk::requestThumbnails() {
    if (!m_thumbnails || !m_thumbnailView)
        return;
    std::set<std::string> inSight;
    const QRect sight = m_thumbList->viewport()->rect();
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const DiskRow* listed = m_model->rowAt(row);
        if (listed->kind == RowKind::kFile &&
            m_thumbList->visualRect(m_model->index(row, DiskListModel::kName)).intersects(sight))
            inSight.insert(listed->id);
    }
    std::vector<DiskFileEntry> shown;
    std::vector<DiskFileEntry> rest;
    for (const DiskFileEntry& file : listedEntries(shownTables().disk_files))
        (inSight.count(file.id) > 0 ? shown : rest).push_back(file);
    m_thumbnails->request(shown, true);
    m_thumbnails->request(rest, false);
}

}  // namespace nubexa::pages
