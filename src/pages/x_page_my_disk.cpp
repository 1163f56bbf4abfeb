#include "pages/x_page_my_disk.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QResizeEvent>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <string_view>

#include "app/colour_scheme.h"
#include "app/image_button.h"
#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "pages/disk_command.h"
#include "pages/disk_commands.h"
#include "pages/disk_list_model.h"
#include "pages/location_line.h"
#include "pages/page_list.h"
#include "pages/page_rects.h"
#include "pages/thumbnail_source.h"
#include "pages/transfer_page.h"
#include "picture_catalog.h"

namespace nubexa::pages {

namespace rects = page_rects;

namespace {

// The pages' names, as the navigation buttons' pictures show them, for the buttons' texts.
constexpr const char* kPageNames[kPageCount] = {
    QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "我的网盘"),
    QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "我的外链"),
    QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "我的直链"),
    QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "回收站"),
    QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "最近上传"),
    QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "正在上传"),
    QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "正在下载"),
};

constexpr bool namesMatchPictures() {
    for (int i = 0; i < kPageCount; ++i) {
        if (std::string_view(kPageNames[i]) != pictures::kNavButtons[i].label)
            return false;
    }
    return true;
}
static_assert(namesMatchPictures(), "a page's name differs from its navigation picture's");

// What the location line shows on pages 2 to 7 (page 1 shows the folder's path).
const char* const kPageLocations[kPageCount] = {
    "",
    QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "当前位置：我的外链"),
    QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "当前位置：我的直链"),
    QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "当前位置：回收站"),
    QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "当前位置：最近上传"),
    QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "当前位置：正在上传"),
    QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "当前位置：正在下载"),
};

ListingKind listingOf(int page) {
    switch (page) {
        case kPageShared:
            return ListingKind::kShared;
        case kPageLinks:
            return ListingKind::kLinks;
        case kPageRecycle:
            return ListingKind::kRecycle;
        case kPageLatest:
            return ListingKind::kNewUploads;
        default:
            return ListingKind::kFolder;
    }
}

std::string orDefault(const std::string& value, const char* fallback) {
    return value.empty() ? std::string(fallback) : value;
}

app::ImageButton* smallButton(app::PictureCache& pictures, const QString& name,
                              const pictures::Picture& normal, const pictures::Picture& hover,
                              QWidget* parent) {
    using Face = app::ImageButton::Face;
    auto* button = new app::ImageButton(pictures, name, parent);
    button->setFaces(Face::whole(normal), Face::whole(hover), Face::whole(hover));
    button->setToolTip(name);
    button->setHandCursor();
    return button;
}

}  // namespace

void CXPageMyDisk::installInto(app::CMainWnd& client) {
    QObject::connect(
        &client, &app::CMainWnd::mainWindowBuilt, &client, [&client](app::MainFrame* frame) {
            const PageContext context{client.session(), client.notifier(), client.picker(),
                                      client.browser(), client.pictures(), client.requests()};
            auto* page = new CXPageMyDisk(context, *frame);
            frame->setPageArea(page, page);
        });
}

CXPageMyDisk::CXPageMyDisk(const PageContext& context, app::MainFrame& frame)
    : QWidget(nullptr),
      m_context(context),
      m_frame(frame),
      m_commands(new DiskCommands(m_context, *this)) {
    setAccessibleName(tr("我的网盘页面"));
    setAcceptDrops(true);
    resize(frame.pageArea()->size());
    buildControls();
    buildList();
    // The sign-in has listed the top folder already.
    Target start;
    start.location = m_location;
    start.currentDir = orDefault(m_context.session.account().current_dir_id, "0");
    applyPage(start);
    showRows();
}

CXPageMyDisk::~CXPageMyDisk() = default;

void CXPageMyDisk::buildControls() {
    app::PictureCache& pictures = m_context.pictures;
    for (int i = 0; i < kPageCount; ++i) {
        const auto& face = pictures::kNavButtons[i];
        const QString label = tr(kPageNames[i]);
        auto* button = new app::ImageButton(pictures, label, this);
        using Face = app::ImageButton::Face;
        button->setFaces(Face::whole(face.leave), Face::whole(face.active),
                         Face::whole(face.active), Face::whole(face.active));
        button->setCheckable(true);
        button->setGeometry(rects::navButton(i));
        button->setHandCursor();
        // A click toggles the button by itself; the lit button must name the page shown, also
        // when the click is ignored or its listing gets no answer.
        connect(button, &QAbstractButton::clicked, this, [this, i] {
            switchPage(i + 1);
            showNavigation();
        });
        m_nav[static_cast<std::size_t>(i)] = button;
    }

    m_right = new QWidget(this);
    m_right->setGeometry(m_frame.listArea());

    m_upload = new app::ImageButton(pictures, tr("上传"), m_right);
    m_upload->setGeometry(rects::kUpload);
    m_upload->setHandCursor();
    connect(m_upload, &QAbstractButton::clicked, this, &CXPageMyDisk::upload);
    m_uploadType = new QComboBox(m_right);
    m_uploadType->setAccessibleName(tr("上传类型"));
    m_uploadType->addItems({tr("文件"), tr("文件夹")});
    m_uploadType->setGeometry(rects::kUploadType);

    auto* panel = new QLabel(m_right);
    panel->setGeometry(rects::kMenuPanel);
    app::showPicture(panel, pictures, QString::fromLatin1(pictures::kMenuPanel.path));
    panel->setScaledContents(true);
    struct Small {
        const char* name;
        const pictures::Picture& normal;
        const pictures::Picture& hover;
        void (CXPageMyDisk::*action)();
    };
    const Small smalls[] = {
        {QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "新建文件夹"), pictures::kNewFolder,
         pictures::kNewFolderHover, &CXPageMyDisk::newFolder},
        {QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "首页"), pictures::kHome,
         pictures::kHomeHover, &CXPageMyDisk::goHome},
        {QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "刷新"), pictures::kRefresh,
         pictures::kRefreshHover, &CXPageMyDisk::refresh},
    };
    for (std::size_t i = 0; i < std::size(smalls); ++i) {
        app::ImageButton* button =
            smallButton(pictures, tr(smalls[i].name), smalls[i].normal, smalls[i].hover, m_right);
        button->setGeometry(rects::kMenuPanel.x() + rects::kSmallButtonX[i],
                            rects::kMenuPanel.y() + rects::kSmallButtonY, smalls[i].normal.width,
                            smalls[i].normal.height);
        connect(button, &QAbstractButton::clicked, this, smalls[i].action);
    }

    auto* searchBar = new QLabel(m_right);
    m_searchBar = searchBar;
    searchBar->setGeometry(rects::kSearchBox);
    app::showPicture(searchBar, pictures, QString::fromLatin1(pictures::kSearchBar.path));
    searchBar->setScaledContents(true);
    m_searchBox = new QLineEdit(m_right);
    m_searchBox->setAccessibleName(tr("搜索"));
    m_searchBox->setPlaceholderText(tr("搜索我的网盘文件"));
    m_searchBox->setMaxLength(259);
    m_searchBox->setGeometry(rects::kSearchBox.adjusted(8, 3, -8, -3));
    // On the search bar's picture, which has a twin for each scheme.
    app::setSchemeStyleSheet(m_searchBox, [](const app::SchemeColours& c) {
        return QStringLiteral("border: none; background: transparent; color: %1;")
            .arg(c.text.name());
    });
    connect(m_searchBox, &QLineEdit::returnPressed, this, [this] { search(m_searchBox->text()); });
    auto* searchButton = new app::ImageButton(pictures, tr("搜索按钮"), m_right);
    m_searchButton = searchButton;
    searchButton->setPicture(pictures::kSearchButton);
    searchButton->setGeometry(rects::kSearchButton);
    searchButton->setHandCursor();
    connect(searchButton, &QAbstractButton::clicked, this, [this] { search(m_searchBox->text()); });

    m_locationLabel = new QLabel(tr("当前位置：我的网盘"), m_right);
    m_locationLabel->setAccessibleName(tr("位置标签"));
    m_locationLabel->setGeometry(rects::kLocationLabel);
    m_locationLine = new LocationLine(m_right);
    m_locationLine->setGeometry(rects::kLocationLine);
    connect(m_locationLine, &LocationLine::partClicked, this, [this](int depth) {
        if (busy() || depth < 0 || depth > static_cast<int>(m_trail.size()))
            return;
        Target target = currentTarget();
        target.kind = ListingKind::kFolder;
        target.location = LocationLine::pathAt(m_location, depth);
        target.trail.resize(static_cast<std::size_t>(depth));
        target.currentDir = depth == 0 ? "0" : target.trail.back();
        load(std::move(target));
    });

    m_sort = new QComboBox(m_right);
    m_sort->setAccessibleName(tr("排序"));
    for (const auto& entry : kSortEntries)
        m_sort->addItem(tr(entry.text));
    m_sort->setGeometry(rects::kSort);
    m_sort->raise();
    connect(m_sort, &QComboBox::activated, this, &CXPageMyDisk::setSortIndex);
}

void CXPageMyDisk::buildList() {
    m_model = new DiskListModel(m_context.pictures, this);
    m_list = new QTableView(m_right);
    m_list->setModel(m_model);
    m_list->setGeometry(rects::kList);
    setUpList(m_list, tr("文件列表"), 26, DiskListModel::kColumnWidths,
              DiskListModel::kColumnCount);
    m_list->installEventFilter(this);
    connect(m_list, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { openRow(index.row()); });
    connect(m_list, &QTableView::customContextMenuRequested, this, &CXPageMyDisk::showContextMenu);
    m_list->horizontalHeader()->setSectionsClickable(true);
    connect(m_list->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &CXPageMyDisk::sortByColumn);
    buildThumbnailView();
    // The switch sits left of the sort box, above the lists: Tab reads it there.
    QWidget::setTabOrder(m_locationLine, m_viewSwitch);
    QWidget::setTabOrder(m_viewSwitch, m_sort);
    QWidget::setTabOrder(m_sort, m_list);
    m_transfers = new TransferPage(m_context, m_right);

    m_loading = new QLabel(m_right);
    app::showPicture(m_loading, m_context.pictures,
                     QString::fromLatin1(pictures::kPageLoading.path));
    m_loading->setAccessibleName(tr("正在加载"));
    m_loading->setGeometry(rects::kList.center().x() - pictures::kPageLoading.width / 2,
                           rects::kList.center().y() - pictures::kPageLoading.height / 2,
                           pictures::kPageLoading.width, pictures::kPageLoading.height);
    m_loading->hide();
    // A listing that answers at once shows its rows without the picture flashing up first
    // (and without painting the page an extra time); a slower one shows it.
    m_loadingDelay = new QTimer(this);
    m_loadingDelay->setSingleShot(true);
    m_loadingDelay->setInterval(kLoadingPictureDelayMs);
    connect(m_loadingDelay, &QTimer::timeout, this, [this] {
        m_loading->setVisible(busy());
        m_loading->raise();
    });
}

bool CXPageMyDisk::loadingShown() const {
    return m_loading->isVisible();
}

QString CXPageMyDisk::locationLine() const {
    return m_locationLine->shownText();
}

CXPageMyDisk::Target CXPageMyDisk::currentTarget() const {
    Target target;
    target.page = m_page;
    target.location = m_location;
    target.trail = m_trail;
    target.currentDir = orDefault(m_context.session.account().current_dir_id, "0");
    target.kind = listingOf(m_page);
    return target;
}

void CXPageMyDisk::switchPage(int page) {
    if (busy() || page < 1 || page > kPageCount)
        return;
    Target target = currentTarget();
    target.page = page;
    target.kind = listingOf(page);
    if (page == kPageMyDisk) {
        if (m_page == kPageMyDisk && target.currentDir == "0" && m_searchedFor.isEmpty()) {
            m_locationLine->showPath(m_location, m_trail);
            return;
        }
        target.location = "\\";
        target.currentDir = "0";
        target.trail.clear();
    }
    load(std::move(target));
}

void CXPageMyDisk::goHome() {
    if (busy())
        return;
    Target target;
    target.location = "\\";
    target.currentDir = "0";
    load(std::move(target));
}

void CXPageMyDisk::refresh() {
    if (busy())
        return;
    load(currentTarget());
}

void CXPageMyDisk::setSortIndex(int index) {
    if (busy())
        return;
    if (index >= 0 && index < static_cast<int>(std::size(kSortEntries))) {
        const SortEntry& entry = kSortEntries[index];
        m_context.session.setSortOrder(entry.key, entry.desc);
    }
    load(currentTarget());
}

void CXPageMyDisk::search(const QString& text) {
    const QString keyword = text.left(259);
    if (busy())
        return;
    // An empty search leaves the results for the folder they were searched from.
    if (keyword.isEmpty()) {
        if (!m_searchedFor.isEmpty())
            load(currentTarget());
        return;
    }
    Target target = currentTarget();
    target.kind = ListingKind::kSearch;
    target.keyword = keyword.toStdString();
    load(std::move(target));
}

void CXPageMyDisk::openRow(int row) {
    const DiskRow* shown = m_model->rowAt(row);
    if (busy() || !shown || m_page >= kPageUploading)
        return;
    if (row == 0 && shown->kind == RowKind::kReturn) {
        Target target = currentTarget();
        target.location = locationBack(m_location);
        target.currentDir = orDefault(m_context.session.account().parent_dir_id, "0");
        if (!target.trail.empty())
            target.trail.pop_back();
        load(std::move(target));
        return;
    }
    const bool file = shown->kind == RowKind::kFile;
    // Files open in a preview window; not in the bin, where they are only restored or deleted.
    if (file && m_page == kPageRecycle)
        return;
    m_selection = selectionFor(*shown, shownTables());
    if (!m_selection.found)
        return;
    if (m_selection.ispwd == "1") {
        m_commands->promptPassword(file ? disk_command::kPreview : disk_command::kOpenFolder);
        return;
    }
    if (file)
        openPreview(m_selection);
    else
        openFolder(m_selection);
}

void CXPageMyDisk::openFolder(const DiskSelection& folder) {
    Target target = currentTarget();
    target.location = locationInto(m_location, folder.name);
    target.currentDir = folder.id;
    target.trail.push_back(folder.id);
    load(std::move(target));
}

namespace {

// What the user hears of a listing that failed; empty when there is nothing to say.
std::string listingFailure(const ClientSession::Listing& listing, ClientSession& session) {
    switch (listing.failure) {
        case Failure::kNoAnswer:
            return CXPageMyDisk::kNetworkFailed;
        // A folder another client deleted, say: the service's words, not a click that does
        // nothing.
        case Failure::kRefused:
            return listing.refusal.empty() ? QT_TRANSLATE_NOOP("Messages", "未能读取文件夹")
                                           : listing.refusal;
        case Failure::kMalformed:
            return QT_TRANSLATE_NOOP("Messages", "服务器的回答无法识别，请稍后重试");
        case Failure::kUntrusted:
            return session.certificateProblem();
        case Failure::kNone:
        case Failure::kStopped:
        case Failure::kStale:
            break;
    }
    return {};
}

}  // namespace

void CXPageMyDisk::load(Target target) {
    if (target.page >= kPageUploading) {
        showTransferPage(target.page);
        emit listingDone();
        return;
    }
    setListing(true);
    ClientSession& session = m_context.session;
    m_context.requests.run<ClientSession::Listing>(
        this,
        [&session, target] { return session.list(target.kind, target.currentDir, target.keyword); },
        [this, target](ClientSession::Listing result) {
            setListing(false);
            if (const std::string why = listingFailure(result, m_context.session); !why.empty()) {
                m_context.notifier.showMessage(ItemDialog::kCaption, why);
            } else if (result.tables) {
                m_tables = std::move(result.tables);
                applyPage(target);
                showRows();
            }
            emit listingDone();
        });
}

void CXPageMyDisk::applyPage(const Target& target) {
    m_page = target.page;
    m_location = target.location;
    m_trail = target.trail;
    if (target.kind == ListingKind::kFolder || target.page >= kPageUploading) {
        m_context.session.setCurrentFolder(target.currentDir);
    }
    m_searchedFor =
        target.kind == ListingKind::kSearch ? QString::fromStdString(target.keyword) : QString();
    if (!m_searchedFor.isEmpty()) {
        // Results are no folder: the line says what they are.
        m_locationLine->showText(tr("搜索“%1”的结果").arg(m_searchedFor));
    } else if (m_page == kPageMyDisk) {
        m_locationLine->showPath(m_location, m_trail);
    } else {
        m_locationLine->showText(tr(kPageLocations[m_page - 1]));
    }
    // The other pages' location texts name themselves ("当前位置：回收站"); beside a label that
    // still says "当前位置：我的网盘" they would read as two places at once.
    m_locationLabel->setVisible(m_page == kPageMyDisk && m_searchedFor.isEmpty());
    const bool transferPage = m_page >= kPageUploading;
    m_list->setVisible(!transferPage && !m_thumbnailView);
    m_thumbList->setVisible(!transferPage && m_thumbnailView);
    m_viewSwitch->setVisible(!transferPage);
    m_sort->setVisible(!transferPage);
    layOutListArea();
    if (!transferPage)
        m_transfers->hide();
    showNavigation();
    m_upload->setPicture(m_page == kPageMyDisk && !m_uploadQueued ? pictures::kUploadFile
                                                                  : pictures::kUploadFileEnable);
    // It uploads only into the disk page's folder: elsewhere it is out of the focus chain and
    // says so to assistive tools, as its picture says so to the eye.
    m_upload->setEnabled(m_page == kPageMyDisk);
    if (m_page == kPageMyDisk)
        m_uploadQueued = false;
}

const DiskTables& CXPageMyDisk::shownTables() const {
    // Until the page lists for itself it shows what the sign-in listed.
    if (!m_tables)
        m_tables = m_context.session.listedTables();
    return *m_tables;
}

void CXPageMyDisk::showNavigation() {
    for (int page = 1; page <= kPageCount; ++page)
        navButton(page)->setChecked(page == m_page);
}

void CXPageMyDisk::showRows() {
    if (m_page >= kPageUploading)
        return;
    const bool atRoot = orDefault(m_context.session.account().current_dir_id, "0") == "0";
    m_model->setRows(buildDiskRows(shownTables(), m_page, atRoot));
    if (m_thumbnails)
        m_thumbnails->dropWaiting();  // another folder, or the same one listed again
    requestThumbnails();
}

void CXPageMyDisk::showTransferPage(int page) {
    // The transfer pages list the queue, not the service: nothing to wait for.
    Target target = currentTarget();
    target.page = page;
    applyPage(target);
    m_model->setRows({});
    m_transfers->show(page == kPageUploading ? Direction::kUpload : Direction::kDownload);
}

void CXPageMyDisk::setListing(bool listing) {
    m_listing = listing;
    showBusy();
}

void CXPageMyDisk::setPreparing(int change) {
    m_preparing += change;
    showBusy();
}

void CXPageMyDisk::showBusy() {
    if (!busy()) {
        m_loadingDelay->stop();
        m_loading->hide();
    } else if (!m_loading->isVisible() && !m_loadingDelay->isActive()) {
        m_loadingDelay->start();
    }
    m_list->setCursor(busy() ? Qt::BusyCursor : Qt::ArrowCursor);
}

void CXPageMyDisk::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Find)) {
        m_searchBox->setFocus();
        m_searchBox->selectAll();
        return;
    }
    if (event->key() == Qt::Key_F5) {
        refresh();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool CXPageMyDisk::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_list || watched == m_thumbList) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (openRowMenuFromKeyboard(static_cast<QAbstractItemView*>(watched), key))
            return true;
        const int row = m_list->currentIndex().row();
        switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                openRow(row);
                return true;
            case Qt::Key_Space:
                // A look at the file; a folder is opened by Enter only.
                if (const DiskRow* shown = m_model->rowAt(row);
                    shown && shown->kind == RowKind::kFile)
                    openRow(row);
                return true;
            case Qt::Key_Backspace:
                if (const DiskRow* first = m_model->rowAt(0);
                    first && first->kind == RowKind::kReturn)
                    openRow(0);
                return true;
            case Qt::Key_Delete:
            case Qt::Key_F2: {
                // The pages whose menus offer 删除 and 重命名; not on the back row.
                const DiskRow* shown = m_model->rowAt(row);
                if (!busy() && shown && shown->kind != RowKind::kReturn &&
                    (m_page == kPageMyDisk || m_page == kPageLatest)) {
                    selectRow(row);
                    runCommand(key->key() == Qt::Key_F2 ? disk_command::kRename
                                                        : disk_command::kDelete);
                }
                return true;
            }
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CXPageMyDisk::dragEnterEvent(QDragEnterEvent* event) {
    if (m_page == kPageMyDisk && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CXPageMyDisk::dropEvent(QDropEvent* event) {
    if (m_page != kPageMyDisk || !event->mimeData()->hasUrls())
        return;
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    uploadPaths(paths);
}

void CXPageMyDisk::selectRow(int row) {
    const DiskRow* shown = m_model->rowAt(row);
    m_selection = shown ? selectionFor(*shown, shownTables()) : DiskSelection{};
    if (!m_list->selectionModel()->isRowSelected(row, {})) {
        m_list->selectionModel()->select(
            m_model->index(row, 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    m_list->selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                              QItemSelectionModel::NoUpdate);
}

std::vector<MenuEntry> CXPageMyDisk::menuForRow(int row) {
    const DiskRow* shown = m_model->rowAt(row);
    // The back row stands for no item: a menu there would act on nothing.
    if (busy() || !shown || shown->kind == RowKind::kReturn || m_page >= kPageUploading)
        return {};
    selectRow(row);
    return menuEntries(m_page, *shown, m_selection);
}

void CXPageMyDisk::showContextMenu(const QPoint& where) {
    popUpRowMenu(
        m_list, where, [this](int row) { return menuForRow(row); },
        [this](int id) { runCommand(id); });
}

std::vector<DiskSelection> CXPageMyDisk::selectedItems() const {
    std::vector<DiskSelection> items;
    const DiskTables& tables = shownTables();
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows()) {
        const DiskRow* shown = m_model->rowAt(index.row());
        if (!shown || shown->kind == RowKind::kReturn)
            continue;
        DiskSelection item = selectionFor(*shown, tables);
        if (item.found)
            items.push_back(std::move(item));
    }
    if (items.empty() && m_selection.found)
        items.push_back(m_selection);
    return items;
}

void CXPageMyDisk::upload() {
    m_commands->upload();
}

void CXPageMyDisk::newFolder() {
    m_commands->newFolder();
}

void CXPageMyDisk::runCommand(int id) {
    m_commands->runCommand(id);
}

void CXPageMyDisk::uploadPaths(const QStringList& paths) {
    m_commands->uploadPaths(paths);
}

int CXPageMyDisk::pendingCommand() const {
    return m_commands->pendingCommand();
}

ItemDialog* CXPageMyDisk::dialog() const {
    return m_commands->dialog();
}

}  // namespace nubexa::pages
