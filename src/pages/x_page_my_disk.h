#pragma once

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pages/disk_rows.h"
#include "pages/item_dialog.h"
#include "pages/page_context.h"
#include "service/disk_entries.h"
#include "service/listing_request.h"
#include "transfer/transfer_view.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QTableView;
class QTimer;

namespace nubexa::app {
class CMainWnd;
class ImageButton;
class MainFrame;
}  // namespace nubexa::app

namespace nubexa::pages {

class LocationLine;

class DiskCommands;
class DiskListModel;
class PreviewWindow;
class ThumbnailSource;
class TransferPage;

// The disk browser: the navigation column of seven pages, the page's buttons (upload with its
// type, new folder, home, refresh), search, sort, the location line and the list, with the
// context menus and the commands they start.
//
// GUI thread only. Listings and operations run through the client's request runner; while a
// listing is out the page shows that it is loading and ignores new commands, and its answer
// changes the page, the location and the rows together. A listing that fails changes nothing
// but saying why.
class CXPageMyDisk : public QWidget, public TransferView {
    Q_OBJECT
public:
    static inline const std::string kNetworkFailed =
        QT_TRANSLATE_NOOP("Messages", "网络连接失败，请检查网络后重试");
    static constexpr int kLoadingPictureDelayMs = 150;

    CXPageMyDisk(const PageContext& context, app::MainFrame& frame);
    ~CXPageMyDisk() override;

    // Builds the page into the frame's page area, whenever the client builds its main window.
    static void installInto(app::CMainWnd& client);

    // What a user does.
    void switchPage(int page);
    void goHome();
    void refresh();
    void setSortIndex(int index);
    // A click on a list column's header: sorts by it, the other way round when it already does.
    void sortByColumn(int column);
    void search(const QString& text);
    void openRow(int row);  // double-click
    void upload();          // the upload button, by the type selector
    void newFolder();
    // The menu of a row (selecting it first); the command an entry starts (see DiskCommands).
    std::vector<MenuEntry> menuForRow(int row);
    void runCommand(int id);
    // Queues local files and folders as uploads into the folder shown (drops, the button).
    void uploadPaths(const QStringList& paths);
    // The thumbnail view of pages 1 to 5 ("缩略图"), or the list as it always was.
    void setThumbnailView(bool on);

    // For its commands.
    std::vector<DiskSelection> selectedItems() const;
    void setPreparing(int change);
    void showTransferPage(int page);
    void openFolder(const DiskSelection& folder);
    // The preview window of a file (x_page_my_disk_preview.cpp): one a file, raised when it is
    // open already; the pictures of the folder shown are walked in it.
    void openPreview(const DiskSelection& file);
    PreviewWindow* preview(const std::string& fileId) const;
    // A command of the menus (download, share) on `item`, as when its row's menu starts it.
    void runCommandOn(const DiskSelection& item, int id);
    // A protected item's password was right: its commands do not ask again.
    void unlockSelection() { m_selection.ispwd = "0"; }
    // The upload button shows the uploading state until the next page is shown.
    void noteUploadQueued() { m_uploadQueued = true; }

    int page() const { return m_page; }
    std::string locationText() const { return m_location; }
    QString locationLine() const;
    bool busy() const { return m_listing || m_preparing > 0; }
    // The loading picture, shown once the page has been busy for a moment.
    bool loadingShown() const;
    const DiskSelection& selection() const { return m_selection; }
    int pendingCommand() const;
    DiskListModel& model() const { return *m_model; }
    QTableView* list() const { return m_list; }
    QListView* thumbnailList() const { return m_thumbList; }
    QPushButton* viewSwitch() const { return m_viewSwitch; }
    bool thumbnailViewShown() const { return m_thumbnailView; }
    QComboBox* sortSelector() const { return m_sort; }
    QComboBox* uploadType() const { return m_uploadType; }
    QLineEdit* searchBox() const { return m_searchBox; }
    app::ImageButton* navButton(int page) const {
        return m_nav[static_cast<std::size_t>(page - 1)];
    }
    // The item dialog open now, if any.
    ItemDialog* dialog() const;
    // The list of the uploading and downloading pages.
    TransferPage& transfers() const { return *m_transfers; }

    // TransferView (the frame forwards the queue's page switches here).
    void showStatusText(const std::string&) override {}
    void showUploadingPage() override { showTransferPage(kPageUploading); }
    void showDownloadingPage() override { showTransferPage(kPageDownloading); }
    void refreshShownPage() override { refresh(); }

signals:
    // A listing was applied (or failed); for tests and benchmarks.
    void listingDone();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where a listing takes the page when it answers.
    struct Target {
        int page = kPageMyDisk;
        std::string location;
        std::string currentDir;
        ListingKind kind = ListingKind::kFolder;
        std::string keyword;
        std::vector<std::string> trail;  // ids of the folders of `location`, outermost first
    };

    void buildControls();
    void buildList();
    void buildThumbnailView();  // x_page_my_disk_thumbnails.cpp
    // Asks for the thumbnails of the files listed, those in sight first.
    // Every file of the listing, those in sight first; on scrolling, those in sight only (the
    // rest were asked for with the listing).
    void requestThumbnails();
    void requestThumbnailsInSight();
    std::vector<DiskFileEntry> filesInSight() const;
    Target currentTarget() const;
    void load(Target target);
    void applyPage(const Target& target);
    void showRows();
    const DiskTables& shownTables() const;
    // Lights the navigation button of the page shown, and only that one.
    void showNavigation();
    // Places the list area's controls for its size: the list takes what the window grew by.
    void layOutListArea();
    void setListing(bool listing);
    void showBusy();
    void showContextMenu(const QPoint& where);
    void selectRow(int row);

    const PageContext m_context;
    app::MainFrame& m_frame;
    std::array<app::ImageButton*, kPageCount> m_nav{};
    QWidget* m_right = nullptr;
    app::ImageButton* m_upload = nullptr;
    QComboBox* m_uploadType = nullptr;
    QLineEdit* m_searchBox = nullptr;
    QLabel* m_searchBar = nullptr;
    app::ImageButton* m_searchButton = nullptr;
    QLabel* m_locationLabel = nullptr;
    LocationLine* m_locationLine = nullptr;
    QComboBox* m_sort = nullptr;
    QTableView* m_list = nullptr;
    QListView* m_thumbList = nullptr;  // shares the list's model and selection
    QPushButton* m_viewSwitch = nullptr;
    ThumbnailSource* m_thumbnails = nullptr;  // made when the thumbnail view first shows
    bool m_thumbnailView = false;
    QHash<QString, QPointer<PreviewWindow>> m_previews;  // by file id
    QLabel* m_loading = nullptr;
    QTimer* m_loadingDelay = nullptr;
    DiskListModel* m_model = nullptr;
    TransferPage* m_transfers = nullptr;
    DiskCommands* m_commands = nullptr;

    int m_page = kPageMyDisk;
    std::string m_location = "\\";
    std::vector<std::string> m_trail;  // ids of the folders of m_location, when walked here
    DiskSelection m_selection;
    bool m_listing = false;
    int m_preparing = 0;  // folder transfers being prepared off the GUI thread
    bool m_uploadQueued = false;
    QString m_searchedFor;  // the keyword of the results shown; empty for a folder or a page
    // Of the listing shown; taken from the sign-in's listing at first use.
    mutable std::shared_ptr<const DiskTables> m_tables;
};

}  // namespace nubexa::pages
