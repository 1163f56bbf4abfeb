// The item dialogs against the stand-in with its demo data: each refusal of a field is shown
// without a request, each operation changes the service and the list is reloaded, failures
// keep the dialog open.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>
#include <algorithm>

#include "app/contrast.h"
#include "app/main_wnd.h"
#include "page_driver.h"
#include "pages/confirm_dialogs.h"
#include "pages/dialog_checks.h"
#include "pages/disk_list_model.h"
#include "pages/folder_dialogs.h"
#include "pages/link_dialogs.h"
#include "pages/password_dialogs.h"
#include "pages/share_dialogs.h"
#include "platform/notifier.h"
#include "support/qt_test_main.h"

using namespace nubexa;
using namespace nubexa::pages;
using nubexa::test::ClientHarness;
using nubexa::test::PageDriver;

namespace {

using Messages = std::vector<std::string>;
const std::string kWelcome = "欢迎使用Nubexa.txt";

void type(ItemDialog* dialog, const QString& field, const QString& text) {
    auto* edit = dialog->findChild<QLineEdit*>(field);
    QVERIFY2(edit, qPrintable(field));
    edit->setText(text);
}

// OK with fields the dialog refuses: the message, no request, the dialog stays.
void refused(PageDriver& driver, ItemDialog* dialog, const std::string& message) {
    QVERIFY(driver.click(dialog, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{message});
    QVERIFY(!dialog->busy());
    QVERIFY(dialog->isVisible());
}

QTreeWidgetItem* nodeNamed(QTreeWidget* tree, const QString& name) {
    const auto found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
}

}  // namespace

class ItemDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void foldersAreMadeRenamedMovedDeletedAndRestored();
    void encryptAndDecrypt();
    void shareByLinkAndEmail();
    void directLinks();
    void servicesTheUserLacksAreRefused();
};

void ItemDialogsTest::foldersAreMadeRenamedMovedDeletedAndRestored() {
    PageDriver driver;
    QVERIFY(driver.ready());
    CXPageMyDisk& page = driver.page();

    page.newFolder();
    auto* made = driver.dialog<NewFolderDialog>();
    QVERIFY(made);
    QVERIFY(driver.click(made, QStringLiteral("ok")));
    const auto last = driver.harness().notifier().messages().back();
    QCOMPARE(last.caption, NewFolderDialog::kEmptyNameCaption);
    QCOMPARE(driver.takeMessages(), Messages{"请输入文件夹名称"});
    type(made, QStringLiteral("文件夹名称"), QStringLiteral("草稿"));
    QVERIFY(driver.click(made, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{"添加成功"});
    QVERIFY(driver.rowOf("草稿") >= 0);

    QVERIFY(driver.command("草稿", 201));
    auto* rename = driver.dialog<RenameDialog>();
    QCOMPARE(rename->windowTitle(), QStringLiteral("重命名文件夹"));
    type(rename, QStringLiteral("新名称"), QStringLiteral("草稿二"));
    QVERIFY(driver.click(rename, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{"操作成功"});
    QVERIFY(driver.rowOf("草稿二") >= 0);

    QVERIFY(driver.command("草稿二", 202));
    auto* move = driver.dialog<MoveDialog>();
    QVERIFY(move && move->treeLoaded());
    refused(driver, move, "请选择要移动到的文件夹");
    QVERIFY(!nodeNamed(move->tree(), QStringLiteral("草稿二")));  // not into itself
    QTreeWidgetItem* trip = nodeNamed(move->tree(), QStringLiteral("旅行"));
    QVERIFY(trip && trip->parent() && trip->parent()->text(0) == QStringLiteral("照片"));
    move->tree()->itemClicked(nodeNamed(move->tree(), QStringLiteral("文档")), 0);
    QVERIFY(driver.click(move, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{"移动成功"});
    QCOMPARE(driver.rowOf("草稿二"), -1);

    // A move the service never answers is not reported as done, and the user hears that the
    // network failed, not that the move was refused.
    page.openRow(driver.rowOf("文档"));
    QVERIFY(driver.settle());
    // Nor is a folder tree that could not be read shown as a disk without folders (the move
    // above made the kept one stale).
    driver.harness().stopService();
    QVERIFY(driver.command("会议纪要.txt", 202));
    move = driver.dialog<MoveDialog>();
    QTRY_VERIFY_WITH_TIMEOUT(!move->busy(), ClientHarness::kWaitMs);
    QCOMPARE(driver.takeMessages(), Messages{ItemDialog::kNetworkFailed});
    QVERIFY(!nodeNamed(move->tree(), QStringLiteral("照片")));
    driver.harness().startService();
    move->reject();
    QVERIFY(driver.settle());
    QVERIFY(driver.command("会议纪要.txt", 202));
    move = driver.dialog<MoveDialog>();
    move->tree()->itemClicked(nodeNamed(move->tree(), QStringLiteral("照片")), 0);
    driver.harness().stopService();
    QVERIFY(driver.click(move, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages().front(), ItemDialog::kNetworkFailed);
    QVERIFY(move->isVisible());
    driver.harness().startService();
    move->reject();
    QVERIFY(driver.settle());
    driver.takeMessages();

    // Back out to the top level: the tree's root stands for it.
    QVERIFY(driver.command("会议纪要.txt", 202));
    move = driver.dialog<MoveDialog>();
    QVERIFY(move && move->treeLoaded());
    QCOMPARE(move->tree()->topLevelItemCount(), 1);
    QTreeWidgetItem* top = move->tree()->topLevelItem(0);
    QCOMPARE(top->text(0), QStringLiteral("我的网盘"));
    QCOMPARE(nodeNamed(move->tree(), QStringLiteral("文档"))->parent(), top);
    move->tree()->itemClicked(top, 0);
    QVERIFY(driver.click(move, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{"移动成功"});
    QCOMPARE(driver.rowOf("会议纪要.txt"), -1);

    // Two rows deleted with one question.
    page.list()->selectRow(driver.rowOf("草稿二"));
    page.list()->selectionModel()->select(page.model().index(driver.rowOf("预算.csv"), 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(driver.command("预算.csv", 224));
    auto* remove = driver.dialog<ConfirmDialog>();
    QVERIFY(driver.click(remove, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{"删除成功"});
    QCOMPARE(driver.rowOf("草稿二"), -1);
    QCOMPARE(driver.rowOf("预算.csv"), -1);

    page.switchPage(kPageRecycle);
    QVERIFY(driver.settle());
    QVERIFY(driver.command("预算.csv", 217));
    QVERIFY(driver.settle());
    QCOMPARE(driver.takeMessages(), Messages{"还原成功"});
    QCOMPARE(driver.rowOf("预算.csv"), -1);
    QVERIFY(driver.command("草稿二", 218));
    QVERIFY(driver.click(driver.dialog<ConfirmDialog>(), QStringLiteral("ok")));
    QCOMPARE(driver.rowOf("草稿二"), -1);
    QVERIFY(driver.command("旧文件.txt", 216));
    QVERIFY(driver.click(driver.dialog<ConfirmDialog>(), QStringLiteral("ok")));
    QVERIFY(!page.dialog() || !page.dialog()->isVisible());  // closed before the request
    QVERIFY(QTest::qWaitFor([&] { return !driver.takeMessages().empty(); }, 10000));
    QVERIFY(driver.settle());
    QVERIFY(driver.names().empty() || driver.names() == Messages{"返回"});
}

void ItemDialogsTest::encryptAndDecrypt() {
    PageDriver driver;
    QVERIFY(driver.ready());
    QVERIFY(driver.command("文档", 225));
    auto* lock = driver.dialog<EncryptDialog>();
    refused(driver, lock, "请输入密码");
    type(lock, QStringLiteral("密码"), QStringLiteral("abcd"));
    type(lock, QStringLiteral("重复密码"), QStringLiteral("abce"));
    refused(driver, lock, "两次输入密码不一致");
    type(lock, QStringLiteral("重复密码"), QStringLiteral("abcd"));
    // A tip of markup and query syntax comes back whole and is shown as the text it is.
    const QString tip = QStringLiteral("<b>四个字母</b>&tip=1");
    type(lock, QStringLiteral("密码提示"), tip);
    QVERIFY(driver.click(lock, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{"加密成功"});
    QVERIFY(driver.rowOf("文档[密]") >= 0);

    QVERIFY(driver.command("文档[密]", 226));  // no prompt before decrypting
    auto* unlock = driver.dialog<EncryptDialog>();
    QVERIFY(unlock);
    const auto labels = unlock->findChildren<QLabel*>();
    const auto shown = std::find_if(labels.begin(), labels.end(),
                                    [&](const QLabel* label) { return label->text() == tip; });
    QVERIFY(shown != labels.end());
    QCOMPARE((*shown)->textFormat(), Qt::PlainText);
    type(unlock, QStringLiteral("密码"), QStringLiteral("wrong"));
    QVERIFY(driver.click(unlock, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{"解密失败"});
    QVERIFY(unlock->isVisible());
    // No answer is the network's failure, not a wrong password.
    type(unlock, QStringLiteral("密码"), QStringLiteral("abcd"));
    driver.harness().stopService();
    QVERIFY(driver.click(unlock, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{ItemDialog::kNetworkFailed});
    QVERIFY(unlock->isVisible());
    driver.harness().startService();
    QVERIFY(driver.click(unlock, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{"解密成功"});
    QVERIFY(driver.rowOf("文档") >= 0);

    // A file with content is protected and freed as the file it is.
    const std::string lockedWelcome = kWelcome + "[密]";
    QVERIFY(driver.command(kWelcome, 225));
    lock = driver.dialog<EncryptDialog>();
    type(lock, QStringLiteral("密码"), QStringLiteral("k7"));
    type(lock, QStringLiteral("重复密码"), QStringLiteral("k7"));
    QVERIFY(driver.click(lock, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{"加密成功"});
    QVERIFY(driver.command(lockedWelcome, 226));
    unlock = driver.dialog<EncryptDialog>();
    type(unlock, QStringLiteral("密码"), QStringLiteral("k7"));
    QVERIFY(driver.click(unlock, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{"解密成功"});
    QVERIFY(driver.rowOf(kWelcome) >= 0);
}

void ItemDialogsTest::shareByLinkAndEmail() {
    PageDriver driver;
    QVERIFY(driver.ready());
    CXPageMyDisk& page = driver.page();
    QVERIFY(driver.command(kWelcome, 203));
    auto* share = driver.dialog<ShareDialog>();
    QVERIFY(share && share->infoLoaded());
    ClientHarness::screenshot(share, QStringLiteral("share-dialog.png"));
    share->showTab(ShareDialog::Tab::kEmail);
    refused(driver, share, "请输入要分享的邮件");
    share->showTab(ShareDialog::Tab::kLink);
    for (auto* choice : share->findChildren<QRadioButton*>()) {
        if (choice->text().startsWith(QStringLiteral("高级选项")))
            choice->setChecked(true);
    }
    // The dialog says which item it shares.
    const auto labels = share->findChildren<QLabel*>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [](QLabel* label) {
        return label->accessibleName() == QStringLiteral("分享的文件") &&
               label->text().contains(QStringLiteral("欢迎使用"));
    }));
    // The hovered entry of the points list stands out from its background.
    auto* points = share->findChild<QComboBox*>();
    QVERIFY(points);
    points->showPopup();
    QTRY_VERIFY(points->view()->isVisible());
    const QModelIndex hovered = points->view()->model()->index(2, 0);
    points->view()->setCurrentIndex(hovered);
    const QImage entry =
        points->view()->viewport()->grab(points->view()->visualRect(hovered)).toImage();
    QColor darkest(Qt::white);
    QColor lightest(Qt::black);
    for (int y = 0; y < entry.height(); ++y) {
        for (int x = 0; x < entry.width(); ++x) {
            const QColor pixel = entry.pixelColor(x, y);
            if (pixel.lightness() < darkest.lightness())
                darkest = pixel;
            if (pixel.lightness() > lightest.lightness())
                lightest = pixel;
        }
    }
    QVERIFY2(app::contrastRatio(darkest, lightest) >= app::kReadableContrast,
             qPrintable(darkest.name() + lightest.name()));
    points->hidePopup();
    type(share, QStringLiteral("分享密码"), QStringLiteral("k9"));
    QVERIFY(driver.click(share, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{"分享成功"});
    // The share hands over its address and code at once.
    QTRY_VERIFY(driver.dialog<ShareAddressDialog>() &&
                driver.dialog<ShareAddressDialog>()->loaded());
    auto* made = driver.dialog<ShareAddressDialog>();
    ClientHarness::screenshot(made, QStringLiteral("share-address-dialog.png"));
    QVERIFY(made->address().startsWith(QStringLiteral("http://127.0.0.1:")));
    QCOMPARE(made->code(), QStringLiteral("k9"));
    made->accept();
    QVERIFY(driver.settle());
    const int row = driver.rowOf(kWelcome);
    QCOMPARE(page.model().rows()[static_cast<std::size_t>(row)].share, std::string("启用"));

    QVERIFY(driver.command(kWelcome, 205));
    auto* address = driver.dialog<ShareAddressDialog>();
    QVERIFY(address->address().startsWith(QStringLiteral("http://127.0.0.1:")));
    QCOMPARE(address->code(), QStringLiteral("k9"));
    QVERIFY(driver.click(address, QStringLiteral("复制链接")));
    QCOMPARE(QApplication::clipboard()->text(), address->address() + QStringLiteral(" 提取码：k9"));
    QCOMPARE(driver.takeMessages(), Messages{"复制成功"});
    address->accept();
    QVERIFY(driver.settle());
    // With the service down the user hears why, rather than seeing a share without an address.
    driver.harness().stopService();
    QVERIFY(driver.command(kWelcome, 205));
    address = driver.dialog<ShareAddressDialog>();
    QTRY_VERIFY_WITH_TIMEOUT(address->loaded(), ClientHarness::kWaitMs);
    QCOMPARE(driver.takeMessages(), Messages{ItemDialog::kNetworkFailed});
    QVERIFY(address->address().isEmpty());
    driver.harness().startService();
    address->accept();
    QVERIFY(driver.settle());

    // Editing a share goes on to the share dialog with what the share has now.
    page.switchPage(kPageShared);
    QVERIFY(driver.settle());
    QVERIFY(driver.command(kWelcome, 204));
    auto* edit = driver.dialog<ShareEditDialog>();
    QVERIFY(driver.click(edit, QStringLiteral("下一步")));
    auto* again = driver.dialog<ShareDialog>();
    QVERIFY(again && again->infoLoaded());
    QCOMPARE(again->findChild<QLineEdit*>(QStringLiteral("分享密码"))->text(),
             QStringLiteral("k9"));
    again->reject();
    QVERIFY(driver.settle());

    QVERIFY(driver.command(kWelcome, 228));
    QVERIFY(driver.click(driver.dialog<ConfirmDialog>(), QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{"关闭成功"});
    QCOMPARE(driver.rowOf(kWelcome), -1);
}

void ItemDialogsTest::directLinks() {
    PageDriver driver;
    QVERIFY(driver.ready());
    QVERIFY(driver.command(kWelcome, 206));
    auto* link = driver.dialog<DirectLinkDialog>();
    QVERIFY(link && link->settingsLoaded());
    ClientHarness::screenshot(link, QStringLiteral("direct-link-dialog.png"));
    refused(driver, link, "请输入自定义地址");
    type(link, QStringLiteral("自定义地址"), QStringLiteral("welcome"));
    for (auto* choice : link->findChildren<QRadioButton*>()) {
        if (choice->accessibleName() == QStringLiteral("启用白名单"))
            choice->setChecked(true);
    }
    refused(driver, link, "请输入白名单域名");
    type(link, QStringLiteral("白名单域名"), QStringLiteral("example.com"));
    QVERIFY(driver.click(link, QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{"直链启用成功"});

    QVERIFY(driver.command(kWelcome, 208));
    auto* view = driver.dialog<ViewLinkDialog>();
    QVERIFY(view->link().contains(QStringLiteral("welcome")));
    view->accept();
    QVERIFY(driver.settle());
    // With the service down the user hears why there is no address, rather than seeing none.
    driver.harness().stopService();
    QVERIFY(driver.command(kWelcome, 208));
    view = driver.dialog<ViewLinkDialog>();
    QTRY_VERIFY_WITH_TIMEOUT(!view->busy(), ClientHarness::kWaitMs);
    QCOMPARE(driver.takeMessages(), Messages{ItemDialog::kNetworkFailed});
    QVERIFY(view->link().isEmpty());
    driver.harness().startService();
    view->accept();
    QVERIFY(driver.settle());
    driver.page().switchPage(kPageLinks);  // editing lives on the direct-link page
    QVERIFY(driver.settle());
    QVERIFY(driver.command(kWelcome, 207));
    auto* filled = driver.dialog<DirectLinkDialog>();
    QCOMPARE(filled->findChild<QLineEdit*>(QStringLiteral("自定义地址"))->text(),
             QStringLiteral("welcome"));
    QCOMPARE(filled->findChild<QLineEdit*>(QStringLiteral("白名单域名"))->text(),
             QStringLiteral("example.com"));
    filled->reject();
    QVERIFY(driver.settle());
    // Settings that could not be read are not shown as none: confirmed, that would drop the
    // link's name and white list.
    driver.harness().stopService();
    QVERIFY(driver.command(kWelcome, 207));
    auto* unread = driver.dialog<DirectLinkDialog>();
    QTRY_VERIFY_WITH_TIMEOUT(unread->settingsLoaded(), ClientHarness::kWaitMs);
    QCOMPARE(driver.takeMessages(), Messages{ItemDialog::kNetworkFailed});
    QVERIFY(unread->findChild<QLineEdit*>(QStringLiteral("自定义地址"))->text().isEmpty());
    QVERIFY(unread->findChild<QLineEdit*>(QStringLiteral("白名单域名"))->text().isEmpty());
    driver.harness().startService();
    unread->reject();
    QVERIFY(driver.settle());

    QVERIFY(driver.command(kWelcome, 227));
    QVERIFY(driver.click(driver.dialog<ConfirmDialog>(), QStringLiteral("ok")));
    QCOMPARE(driver.takeMessages(), Messages{"关闭成功"});
    QCOMPARE(driver.rowOf(kWelcome), -1);

    // A folder has no direct link to close: confirming does nothing, and the dialog stays.
    app::CMainWnd& client = driver.harness().client();
    DiskSelection folder;
    folder.id = "1";
    folder.name = "文档";
    folder.isFolder = true;
    folder.found = true;
    ConfirmDialog closeFolder(
        DialogContext{
            client.session().disk(), client.notifier(), client.requests(), client.pictures(), {}},
        ConfirmDialog::Kind::kCloseLink, {folder}, nullptr);
    closeFolder.open();
    QVERIFY(driver.click(&closeFolder, QStringLiteral("ok")));
    QVERIFY(closeFolder.isVisible());
    QVERIFY(driver.takeMessages().empty());
}

void ItemDialogsTest::servicesTheUserLacksAreRefused() {
    PageDriver driver(QStringLiteral("guest"), QStringLiteral("guest123"));
    QVERIFY(driver.ready());
    QVERIFY(driver.names().size() > 0);
    driver.page().openRow(driver.rowOf("我的文件"));
    QVERIFY(driver.settle());
    QVERIFY(driver.command("hello.txt", 206));
    QCOMPARE(driver.takeMessages(), Messages{kDirectLinkClosed});
    QVERIFY(!driver.page().dialog());  // no dialog at all

    QVERIFY(driver.command("hello.txt", 203));
    auto* share = driver.dialog<ShareDialog>();
    share->showTab(ShareDialog::Tab::kEmail);
    share->findChild<QTextEdit*>(QStringLiteral("邮箱地址"))->setPlainText(QStringLiteral("a@b.c"));
    refused(driver, share, kVipOnly);
}

NUBEXA_QTEST(ItemDialogsTest)
#include "item_dialogs_test.moc"
