// The disk page against the stand-in with its demo data: navigation, protected folders, pages,
// sort and search, drops and downloads, and a service that stops answering.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleOptionComboBox>
#include <QTableView>
#include <QTest>
#include <algorithm>

#include "app/image_button.h"
#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "page_driver.h"
#include "pages/confirm_dialogs.h"
#include "pages/disk_list_model.h"
#include "pages/folder_dialogs.h"
#include "pages/location_line.h"
#include "pages/password_dialogs.h"
#include "pages/transfer_page.h"
#include "session/client_session.h"
#include "support/qt_test_main.h"

using namespace nubexa;
using namespace nubexa::pages;
using nubexa::test::ClientHarness;
using nubexa::test::PageDriver;

namespace {

const std::string kSecret = "私密资料[密]";

std::string currentDir(PageDriver& driver) {
    return driver.harness().client().session().account().current_dir_id;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

class DiskPageTest : public QObject {
    Q_OBJECT
private slots:
    void navigatesFoldersPagesAndHome();
    void protectedFolderAsksForItsPassword();
    void sortAndSearch();
    void dropsQueueUploadsAndSeveralRowsDownload();
    void aSilentServiceKeepsTheRows();
    void theListTakesTheRoomOfAGrownWindowWhichKeepsItsSize();
    void theThumbnailViewShowsPicturesAndSharesTheListsSelection();
};

void DiskPageTest::navigatesFoldersPagesAndHome() {
    PageDriver driver;
    QVERIFY(driver.ready());
    CXPageMyDisk& page = driver.page();
    QCOMPARE(driver.names(),
             (std::vector<std::string>{"projects", "文档", "照片", kSecret, "欢迎使用Nubexa.txt"}));
    QCOMPARE(page.locationLine(), QStringLiteral("\\"));
    // Every time is shown whole in its column, and in its tooltip.
    const QFontMetrics metrics(page.list()->font());
    for (int row = 0; row < page.model().rowCount(); ++row) {
        const QModelIndex time = page.model().index(row, DiskListModel::kTime);
        const QString shown = time.data().toString();
        QVERIFY(shown.size() >= 16);
        QVERIFY2(
            metrics.horizontalAdvance(shown) + 12 <= page.list()->columnWidth(DiskListModel::kTime),
            qPrintable(shown));
        QCOMPARE(time.data(Qt::ToolTipRole).toString(), shown);
    }
    // So is the widest size text below a gigabyte.
    const QString widestSize = QStringLiteral("1023.99 MB");
    QVERIFY2(metrics.horizontalAdvance(widestSize) + 12 <=
                 page.list()->columnWidth(DiskListModel::kSize),
             qPrintable(QString::number(metrics.horizontalAdvance(widestSize))));
    ClientHarness::screenshot(static_cast<QWidget*>(driver.harness().mainFrame()),
                              QStringLiteral("disk-page.png"));

    page.openRow(driver.rowOf("照片"));
    QVERIFY(page.busy());
    QVERIFY(!page.loadingShown());  // not for a listing that answers at once
    // Ignored while the listing is out: the lit button stays with the page shown.
    QTest::mouseClick(page.navButton(kPageRecycle), Qt::LeftButton);
    QVERIFY(!page.navButton(kPageRecycle)->isChecked());
    QVERIFY(page.navButton(kPageMyDisk)->isChecked());
    QVERIFY(driver.settle());
    QVERIFY(!page.loadingShown());
    QCOMPARE(page.page(), int(kPageMyDisk));
    QCOMPARE(driver.names(), (std::vector<std::string>{"返回", "旅行", "海边.png"}));
    QCOMPARE(page.model().rows()[2].link, std::string("启用"));
    QCOMPARE(page.model().rows()[2].icon, 24);
    const std::string photos = currentDir(driver);
    page.openRow(driver.rowOf("旅行"));
    QVERIFY(driver.settle());
    QCOMPARE(page.locationLine(), QStringLiteral("\\照片\\旅行"));
    QTest::keyClick(page.list(), Qt::Key_Backspace);
    QVERIFY(driver.settle());
    QCOMPARE(page.locationLine(), QStringLiteral("\\照片"));
    QCOMPARE(currentDir(driver), photos);

    // Each part of the path leads to its folder.
    page.openRow(driver.rowOf("旅行"));
    QVERIFY(driver.settle());
    auto* line = page.findChild<LocationLine*>();
    QVERIFY(line && line->textFormat() == Qt::RichText);
    emit line->linkActivated(QStringLiteral("1"));
    QVERIFY(driver.settle());
    QCOMPARE(page.locationLine(), QStringLiteral("\\照片"));
    QCOMPARE(currentDir(driver), photos);
    emit line->linkActivated(QStringLiteral("0"));
    QVERIFY(driver.settle());
    QCOMPARE(page.locationLine(), QStringLiteral("\\"));
    QCOMPARE(currentDir(driver), std::string("0"));
    QVERIFY(driver.rowOf("文档") >= 0);
    page.openRow(driver.rowOf("照片"));
    QVERIFY(driver.settle());

    // Other pages keep the folder for the way back, show their own location and no back row:
    // their lists are not in a folder.
    QTest::mouseClick(page.navButton(kPageLinks), Qt::LeftButton);
    QVERIFY(driver.settle());
    QCOMPARE(currentDir(driver), photos);
    QCOMPARE(page.locationLine(), QStringLiteral("当前位置：我的直链"));
    QCOMPARE(driver.names(), (std::vector<std::string>{"海边.png"}));
    QVERIFY(page.navButton(kPageLinks)->isChecked());
    QVERIFY(!page.navButton(kPageMyDisk)->isChecked());
    page.switchPage(kPageMyDisk);
    QVERIFY(driver.settle());
    QCOMPARE(currentDir(driver), std::string("0"));
    QCOMPARE(page.locationLine(), QStringLiteral("\\"));

    page.openRow(driver.rowOf("文档"));
    QVERIFY(driver.settle());
    page.goHome();
    QVERIFY(driver.settle());
    QCOMPARE(driver.rowOf("返回"), -1);
    QCOMPARE(page.locationLine(), QStringLiteral("\\"));

    // F2 renames the row under the cursor, Delete asks before deleting it.
    page.list()->setFocus();
    page.list()->setCurrentIndex(page.model().index(driver.rowOf("欢迎使用Nubexa.txt"), 0));
    QTest::keyClick(page.list(), Qt::Key_F2);
    QVERIFY(qobject_cast<RenameDialog*>(page.dialog()));
    page.dialog()->reject();
    QVERIFY(driver.settle());
    page.list()->setCurrentIndex(page.model().index(driver.rowOf("欢迎使用Nubexa.txt"), 0));
    QTest::keyClick(page.list(), Qt::Key_Delete);
    QVERIFY(qobject_cast<ConfirmDialog*>(page.dialog()));
    page.dialog()->reject();
    QVERIFY(driver.settle());
    QVERIFY(driver.rowOf("欢迎使用Nubexa.txt") >= 0);
}

void DiskPageTest::protectedFolderAsksForItsPassword() {
    PageDriver driver;
    QVERIFY(driver.ready());
    CXPageMyDisk& page = driver.page();
    page.openRow(driver.rowOf(kSecret));
    auto* prompt = driver.dialog<PasswordPromptDialog>();
    QVERIFY(prompt);
    QCOMPARE(page.pendingCommand(), -100);
    prompt->passwordEdit()->setText(QStringLiteral("123"));
    QVERIFY(driver.click(prompt, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), std::vector<std::string>{"密码错误"});
    QVERIFY(prompt->isVisible());
    prompt->passwordEdit()->setText(QStringLiteral("1234"));
    QVERIFY(driver.click(prompt, QStringLiteral("ok")));
    QVERIFY(driver.settle());
    QCOMPARE(page.locationLine(), QStringLiteral("\\私密资料"));
    QCOMPARE(driver.names(), (std::vector<std::string>{"返回", "账号备忘.txt"}));

    // A command on a protected row asks first, then runs.
    page.goHome();
    QVERIFY(driver.settle());
    QVERIFY(driver.command(kSecret, 201));
    QVERIFY(driver.dialog<PasswordPromptDialog>());
    QCOMPARE(page.pendingCommand(), 201);
}

void DiskPageTest::sortAndSearch() {
    PageDriver driver;
    QVERIFY(driver.ready());
    CXPageMyDisk& page = driver.page();
    ClientSession& session = driver.harness().client().session();
    for (int index = 0; index < 10; ++index) {
        page.setSortIndex(index);
        QVERIFY(driver.settle());
        QCOMPARE(session.account().sort_order, std::string(kSortEntries[index].key));
        QCOMPARE(session.account().sort_desc, std::string(kSortEntries[index].desc));
    }
    page.openRow(driver.rowOf("文档"));
    QVERIFY(driver.settle());
    page.setSortIndex(5);  // size, descending
    QVERIFY(driver.settle());
    const auto descending = driver.names();
    page.setSortIndex(4);
    QVERIFY(driver.settle());
    auto ascending = driver.names();
    QCOMPARE(descending.front(), std::string("返回"));
    std::reverse(ascending.begin() + 1, ascending.end());
    QCOMPARE(ascending, descending);
    QCOMPARE(descending[1], std::string("季度报告.pdf"));
    // The size column's header sorts by size, the other way round at each click.
    QHeaderView* header = page.list()->horizontalHeader();
    const QPoint onSize(header->sectionViewportPosition(DiskListModel::kSize) + 5, 5);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onSize);
    QVERIFY(driver.settle());
    QCOMPARE(session.account().sort_desc, std::string("1"));
    QCOMPARE(driver.names(), descending);
    QCOMPARE(page.sortSelector()->currentIndex(), 5);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onSize);
    QVERIFY(driver.settle());
    QCOMPARE(session.account().sort_order, std::string("size"));
    QCOMPARE(session.account().sort_desc, std::string("0"));

    const auto before = driver.names();
    page.search(QString());
    QVERIFY(!page.busy());
    QCOMPARE(driver.names(), before);
    page.searchBox()->setText(QStringLiteral("报告"));
    QTest::keyClick(page.searchBox(), Qt::Key_Return);
    QVERIFY(driver.settle());
    QVERIFY(driver.rowOf("季度报告.pdf") >= 0);
    QCOMPARE(driver.rowOf("预算.csv"), -1);
    QCOMPARE(page.locationLine(), QStringLiteral("搜索“报告”的结果"));
    // An empty search goes back to the folder searched from.
    page.searchBox()->clear();
    QTest::keyClick(page.searchBox(), Qt::Key_Return);
    QVERIFY(driver.settle());
    QVERIFY(driver.rowOf("预算.csv") >= 0);
    QCOMPARE(page.locationLine(), QStringLiteral("\\文档"));
}

void DiskPageTest::dropsQueueUploadsAndSeveralRowsDownload() {
    PageDriver driver;
    QVERIFY(driver.ready());
    CXPageMyDisk& page = driver.page();
    const QString local =
        QString::fromStdString(driver.harness().homeFolder()) + QStringLiteral("drop");
    QVERIFY(QDir().mkpath(local + QStringLiteral("/tree/inner")));
    writeFile(local + QStringLiteral("/one.txt"), "one");
    writeFile(local + QStringLiteral("/tree/a.txt"), "a");
    writeFile(local + QStringLiteral("/tree/inner/b.txt"), "bb");

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(local + QStringLiteral("/one.txt")),
                  QUrl::fromLocalFile(local + QStringLiteral("/tree"))});
    // As a desktop drag delivers it: entering names the target, then the drop.
    QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&page, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&page, &drop);
    QCOMPARE(page.page(), int(kPageUploading));
    QCOMPARE(page.locationLine(), QStringLiteral("当前位置：正在上传"));
    // The file and the whole folder arrive at the service, into the folder shown.
    const auto arrived = [&](const std::vector<std::string>& wanted) {
        return QTest::qWaitFor(
            [&] {
                page.refresh();
                if (!driver.settle())
                    return false;
                for (const auto& name : wanted) {
                    if (driver.rowOf(name) < 0)
                        return false;
                }
                return true;
            },
            30000);
    };
    QVERIFY(driver.settle());  // the folder's disk folders are made
    page.switchPage(kPageMyDisk);
    QVERIFY(driver.settle());
    QVERIFY(arrived({"one.txt", "tree"}));
    page.openRow(driver.rowOf("tree"));
    QVERIFY(driver.settle());
    QVERIFY(arrived({"inner", "a.txt"}));
    page.goHome();
    QVERIFY(driver.settle());

    // Two files of one folder, selected together, downloaded with one choice of folder.
    page.switchPage(kPageMyDisk);
    QVERIFY(driver.settle());
    page.openRow(driver.rowOf("文档"));
    QVERIFY(driver.settle());
    const QString target =
        QString::fromStdString(driver.harness().homeFolder()) + QStringLiteral("got");
    QVERIFY(QDir().mkpath(target));
    driver.picker().answer = target.toStdString();
    QTableView* list = page.list();
    list->selectRow(driver.rowOf("预算.csv"));
    list->selectionModel()->select(page.model().index(driver.rowOf("会议纪要.txt"), 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(driver.command("会议纪要.txt", 209));
    QCOMPARE(driver.picker().titles.back(), std::string("请选择存放的路径 "));
    QVERIFY(driver.settle());
    QCOMPARE(page.page(), int(kPageDownloading));
    QCOMPARE(page.locationLine(), QStringLiteral("当前位置：正在下载"));
}

void DiskPageTest::aSilentServiceKeepsTheRows() {
    PageDriver driver;
    QVERIFY(driver.ready());
    CXPageMyDisk& page = driver.page();
    const auto rows = driver.names();
    driver.harness().stopService();
    page.openRow(driver.rowOf("照片"));
    QVERIFY(driver.settle());
    QCOMPARE(driver.takeMessages(), std::vector<std::string>{CXPageMyDisk::kNetworkFailed});
    QCOMPARE(driver.names(), rows);
    QCOMPARE(page.locationLine(), QStringLiteral("\\"));
    QCOMPARE(currentDir(driver), std::string("0"));
    // A page whose listing gets no answer is not shown, and its button is not lit.
    QTest::mouseClick(page.navButton(kPageShared), Qt::LeftButton);
    QVERIFY(driver.settle());
    driver.takeMessages();
    QCOMPARE(page.page(), int(kPageMyDisk));
    QVERIFY(page.navButton(kPageMyDisk)->isChecked());
    QVERIFY(!page.navButton(kPageShared)->isChecked());

    driver.harness().startService();
    page.openRow(driver.rowOf("照片"));
    QVERIFY(driver.settle());
    QCOMPARE(page.locationLine(), QStringLiteral("\\照片"));

    // A folder another client deleted in the meantime: the user hears the service's words and
    // the rows stay, rather than a click that does nothing.
    const int trip = driver.rowOf("旅行");
    QVERIFY(trip >= 0);
    const std::string tripId = page.model().rows()[static_cast<std::size_t>(trip)].id;
    QVERIFY(driver.harness().aside().disk().remove({tripId, true}, "1").accepted());
    const auto inPhotos = driver.names();
    page.openRow(trip);
    QVERIFY(driver.settle());
    QCOMPARE(driver.takeMessages(), std::vector<std::string>{"文件夹不存在"});
    QCOMPARE(driver.names(), inPhotos);
    QCOMPARE(page.locationLine(), QStringLiteral("\\照片"));
}

void DiskPageTest::theListTakesTheRoomOfAGrownWindowWhichKeepsItsSize() {
    PageDriver driver;
    QVERIFY(driver.ready());
    app::MainFrame* frame = driver.harness().mainFrame();
    QCOMPARE(frame->size(), QSize(890, 600));
    QCOMPARE(frame->minimumSize(), QSize(890, 600));
    CXPageMyDisk& page = driver.page();
    // The upload type's longest entry fits its box.
    QComboBox* type = page.uploadType();
    type->setCurrentIndex(1);
    QStyleOptionComboBox box;
    box.initFrom(type);
    box.editable = false;
    const QRect field = type->style()->subControlRect(QStyle::CC_ComboBox, &box,
                                                      QStyle::SC_ComboBoxEditField, type);
    QVERIFY2(type->fontMetrics().horizontalAdvance(type->currentText()) <= field.width(),
             qPrintable(QString::number(field.width())));
    type->setCurrentIndex(0);
    const QRect list = page.list()->geometry();
    const int nameWidth = page.list()->columnWidth(DiskListModel::kName);
    const auto rightGap = [](QWidget* widget) {
        return widget->parentWidget()->width() - widget->geometry().right();
    };
    const int searchGap = rightGap(page.searchBox());
    const int startGap = rightGap(page.transfers().startAllButton());
    auto* status = frame->findChild<QLabel*>(QStringLiteral("status"));
    QVERIFY(status);
    const QRect statusAt = status->geometry();

    frame->resize(1190, 760);
    // The speeds stay in the bottom right corner (they stood in the middle of the list).
    QCOMPARE(status->geometry(), statusAt.translated(300, 160));
    ClientHarness::screenshot(frame, QStringLiteral("main-window-grown.png"));
    QCOMPARE(page.list()->geometry(), list.adjusted(0, 0, 300, 160));
    QCOMPARE(page.list()->columnWidth(DiskListModel::kName), nameWidth + 300);
    QCOMPARE(rightGap(page.searchBox()), searchGap);
    // The navigation column stays as it was: the room goes to the list.
    QCOMPARE(page.list()->mapTo(frame, QPoint(0, 0)).x() - list.x(), 199);
    // The upload button works on the disk page only; elsewhere it is off, not just grey.
    QAbstractButton* upload = nullptr;
    for (auto* button : frame->findChildren<QAbstractButton*>())
        if (button->accessibleName() == QStringLiteral("上传"))
            upload = button;
    QVERIFY(upload && upload->isEnabled());
    page.switchPage(kPageUploading);
    QVERIFY(driver.settle());
    QVERIFY(!upload->isEnabled());
    QCOMPARE(page.transfers().list()->geometry(), list.adjusted(0, 0, 300, 160));
    QCOMPARE(rightGap(page.transfers().startAllButton()), startGap);

    // Kept for the next start.
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const SignInResult next = driver.harness().signInAside();
            return next.windowWidth == 1190 && next.windowHeight == 760;
        }(),
        ClientHarness::kWaitMs);
    QVERIFY(driver.restartClient());
    // As far as the screen it opens on allows.
    const QSize room = driver.harness().mainFrame()->screen()->availableSize();
    QCOMPARE(driver.harness().mainFrame()->size(),
             QSize(1190, 760).boundedTo(room).expandedTo(QSize(890, 600)));
}

void DiskPageTest::theThumbnailViewShowsPicturesAndSharesTheListsSelection() {
    PageDriver driver;
    QVERIFY(driver.ready());
    CXPageMyDisk& page = driver.page();
    page.openRow(driver.rowOf("照片"));
    QVERIFY(driver.settle());
    const int seaside = driver.rowOf("海边.png");
    const QModelIndex name = page.model().index(seaside, DiskListModel::kName);
    const QSize iconSize = name.data(Qt::DecorationRole).value<QIcon>().availableSizes().value(0);

    QTest::mouseClick(page.viewSwitch(), Qt::LeftButton);
    QVERIFY(page.thumbnailViewShown());
    QVERIFY(page.thumbnailList()->isVisible());
    QVERIFY(!page.list()->isVisible());
    QSignalSpy changed(&page.model(), &QAbstractItemModel::dataChanged);
    // The picture arrives in place of the file-type icon: 160 × 100 within 96 × 96.
    QTRY_COMPARE_WITH_TIMEOUT(
        name.data(Qt::DecorationRole).value<QIcon>().availableSizes().value(0), QSize(96, 60),
        20000);
    // Its row alone is changed: the view measures again every row a change names.
    QVERIFY(!changed.isEmpty());
    QCOMPARE(changed.back().at(0).toModelIndex().row(), seaside);
    QCOMPARE(changed.back().at(1).toModelIndex().row(), seaside);
    ClientHarness::screenshot(static_cast<QWidget*>(driver.harness().mainFrame()),
                              QStringLiteral("disk-page-thumbnails.png"));

    // A row picked among the thumbnails is the list's selection too, for every command.
    page.thumbnailList()->setCurrentIndex(name);
    QCOMPARE(page.selectedItems().size(), std::size_t(1));
    QCOMPARE(page.selectedItems().front().name, std::string("海边"));
    QTest::mouseClick(page.viewSwitch(), Qt::LeftButton);
    QVERIFY(!page.thumbnailViewShown());
    QVERIFY(page.list()->isVisible());
    QVERIFY(page.list()->selectionModel()->isRowSelected(seaside, {}));
    QCOMPARE(name.data(Qt::DecorationRole).value<QIcon>().availableSizes().value(0), iconSize);

    // The transfer pages have no thumbnails; back on the disk the view chosen is kept.
    QTest::mouseClick(page.viewSwitch(), Qt::LeftButton);
    page.showTransferPage(kPageDownloading);
    QVERIFY(!page.thumbnailList()->isVisible());
    QVERIFY(!page.viewSwitch()->isVisible());
    page.goHome();
    QVERIFY(driver.settle());
    QVERIFY(page.thumbnailList()->isVisible());
}
NUBEXA_QTEST(DiskPageTest)
#include "disk_page_test.moc"
