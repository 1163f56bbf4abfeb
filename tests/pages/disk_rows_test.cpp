// The rules of the disk list without a window: row texts and icons, menus, locations, the move
// tree and the dialogs' checks.
#include <QTest>

#include "pages/dialog_checks.h"
#include "pages/disk_rows.h"
#include "picture_catalog.h"
#include "support/qt_test_main.h"

using namespace nubexa;
using namespace nubexa::pages;

namespace {

DiskFileEntry file(const std::string& id, const std::string& name, const std::string& ext,
                   const std::string& size) {
    DiskFileEntry entry;
    entry.id = id;
    entry.name = name;
    entry.ext = ext;
    entry.size = size;
    entry.ispwd = "0";
    return entry;
}

FolderItemLc folder(const std::string& id, const std::string& name) {
    FolderItemLc entry;
    entry.id = id;
    entry.name = name;
    entry.ispwd = "0";
    return entry;
}

std::vector<int> idsOf(const std::vector<MenuEntry>& entries) {
    std::vector<int> ids;
    for (const auto& entry : entries)
        ids.push_back(entry.id);
    return ids;
}

}  // namespace

class DiskRowsTest : public QObject {
    Q_OBJECT
private slots:
    void sizesIconsAndMarks();
    void rowsEndAtTheEndMarkAndReturnOnlyBelowTheRoot();
    void menusFollowTheRow();
    void locationsGoInAndBack();
    void moveTreeHangsFoldersAndHidesTheMovedOne();
    void checksRefuseBeforeAnythingIsSent();
};

void DiskRowsTest::sizesIconsAndMarks() {
    QCOMPARE(sizeText("1", "1023"), std::string("1023 B"));
    QCOMPARE(sizeText("1", "1536"), std::string("1.50 KB"));
    QCOMPARE(sizeText("1", "5242880"), std::string("5.00 MB"));
    QCOMPARE(sizeText("1", "3221225472"), std::string("3.00 GB"));  // beyond 32 bits
    QCOMPARE(sizeText("-1", "1536"), std::string());

    DiskTables tables;
    tables.disk_files[0] = file("7", "report", ".PDF", "1536");
    tables.disk_files[1] = file("8", "report", ".pdf", "10");
    tables.disk_files[2] = file("9", "noext", "", "0");
    tables.disk_files[2].isshare = "1";
    tables.disk_files[2].isoutlink = "1";
    tables.disk_files[2].ispwd = "1";
    tables.disk_folders[0] = folder("3", "secret");
    tables.disk_folders[0].ispwd = "1";
    tables.disk_folders[0].isshare = "1";
    const auto rows = buildDiskRows(tables, kPageMyDisk, true);
    QCOMPARE(rows.size(), std::size_t(4));
    QCOMPARE(rows[0].name, std::string("secret[密]"));
    QCOMPARE(rows[0].icon, 0);
    QCOMPARE(rows[0].share, std::string("启用"));
    QVERIFY(rows[0].size.empty());
    QCOMPARE(rows[1].icon, 21);  // "PDF" is a pdf
    QCOMPARE(fileIconIndexOfName("photo.JPEG"), fileIconIndexOfName("x.jpg"));
    QCOMPARE(fileIconIndexOfName("backup.tar.gz"), fileIconIndexOfName("x.zip"));
    QCOMPARE(rows[1].size, std::string("1.50 KB"));
    QCOMPARE(rows[2].icon, 21);
    // A transfer of a file shows the icon its listed name would get.
    QCOMPARE(fileIconIndexOfName("report.pdf"), rows[2].icon);
    QCOMPARE(fileIconIndexOfName("archive.v2.rar"), fileIconIndexOfName("x.rar"));
    // Common kinds the catalog has no picture for get their own, not the "AI" one.
    QCOMPARE(fileIconIndexOfName("noext"), pictures::kOtherFileIconIndex);
    QCOMPARE(fileIconIndexOfName("notes.MD"), pictures::kTextFileIconIndex);
    QCOMPARE(fileIconIndexOfName("readme.txt"), pictures::kTextFileIconIndex);
    QCOMPARE(fileIconIndexOfName("disk.bin"), pictures::kBinaryFileIconIndex);
    QCOMPARE(fileIconIndexOfName("drawing.ai"), pictures::kUnknownFileIconIndex);
    QCOMPARE(rows[3].name, std::string("noext[密]"));
    QCOMPARE(rows[3].share, std::string("启用"));
    QCOMPARE(rows[3].link, std::string("启用"));
    QCOMPARE(rows[3].size, std::string("0 B"));
    // From the recycle bin on, a folder's share is not shown.
    QVERIFY(buildDiskRows(tables, kPageLatest, true)[0].share.empty());
}

void DiskRowsTest::rowsEndAtTheEndMarkAndReturnOnlyBelowTheRoot() {
    DiskTables tables;
    tables.disk_folders[0] = folder("3", "a");
    tables.disk_folders[2] = folder("4", "behind the mark");
    QCOMPARE(buildDiskRows(tables, kPageMyDisk, true).size(), std::size_t(1));
    const auto below = buildDiskRows(tables, kPageMyDisk, false);
    QCOMPARE(below.size(), std::size_t(2));
    QCOMPARE(below[0].kind, RowKind::kReturn);
    QCOMPARE(below[0].name, std::string("返回"));
    QCOMPARE(below[0].icon, 39);
    // The other pages list no folder: no way back to offer.
    QCOMPARE(buildDiskRows(tables, kPageRecycle, false).size(), std::size_t(1));

    // A row whose item has gone leaves the selection at its reset values.
    DiskRow gone;
    gone.kind = RowKind::kFile;
    gone.id = "99";
    const DiskSelection none = selectionFor(gone, tables);
    QVERIFY(!none.found);
    QCOMPARE(none.id, std::string("-1"));
    QCOMPARE(none.ispwd, std::string("0"));
}

void DiskRowsTest::menusFollowTheRow() {
    DiskTables tables;
    tables.disk_folders[0] = folder("3", "plain");
    tables.disk_folders[1] = folder("4", "locked");
    tables.disk_folders[1].ispwd = "1";
    tables.disk_files[0] = file("7", "shared", ".txt", "12");
    tables.disk_files[0].isshare = "1";
    tables.disk_files[1] = file("8", "linked", ".txt", "12");
    tables.disk_files[1].isoutlink = "1";
    tables.disk_files[2] = file("9", "empty", ".txt", "0");
    const auto rows = buildDiskRows(tables, kPageMyDisk, true);
    const auto menu = [&](int page, std::size_t row) {
        return idsOf(menuEntries(page, rows[row], selectionFor(rows[row], tables)));
    };
    QCOMPARE(menu(1, 0), (std::vector<int>{201, 202, 225, 224, 203, 209}));
    QCOMPARE(menu(1, 1), (std::vector<int>{201, 202, 226, 224, 203, 209}));
    // Files of any size are offered protection, not only those listed with 0 bytes.
    QCOMPARE(menu(1, 2), (std::vector<int>{201, 202, 225, 224, 205, 228, 206, 209}));
    QCOMPARE(menu(1, 3), (std::vector<int>{201, 202, 225, 224, 203, 208, 227, 209}));
    QCOMPARE(menu(1, 4), (std::vector<int>{201, 202, 225, 224, 203, 206, 209}));
    QCOMPARE(menu(2, 2), (std::vector<int>{204, 205, 228}));
    QCOMPARE(menu(3, 3), (std::vector<int>{207, 208, 227}));
    QCOMPARE(menu(4, 0), (std::vector<int>{216, 217, 218}));
    QCOMPARE(menu(5, 2), (std::vector<int>{201, 202, 224}));
    QVERIFY(menu(6, 2).empty());
    const auto texts = menuEntries(1, rows[2], selectionFor(rows[2], tables));
    QCOMPARE(QString::fromUtf8(texts[4].text), QStringLiteral("查看外链分享地址"));
}

void DiskRowsTest::locationsGoInAndBack() {
    QCOMPARE(locationInto("\\", "照片"), std::string("\\照片"));
    QCOMPARE(locationInto("\\照片", "旅行"), std::string("\\照片\\旅行"));
    QCOMPARE(locationBack("\\照片\\旅行"), std::string("\\照片"));
    QCOMPARE(locationBack("\\照片"), std::string("\\"));
}

void DiskRowsTest::moveTreeHangsFoldersAndHidesTheMovedOne() {
    FolderTree tree;
    tree.names = {"root", "a", "a1", "b", "a2", "a1x", "orphan"};
    tree.ids = {0, 1, 2, 3, 4, 5, 6};
    tree.parentids = {-1, 0, 1, 0, 1, 2, 42};
    QCOMPARE(moveTreeParents(tree, ""), (std::vector<int>{-1, 0, 1, 0, 1, 2, -1}));
    // Moving "a": neither it nor anything below it is offered as a target.
    QCOMPARE(moveTreeParents(tree, "1"),
             (std::vector<int>{-1, kLeftOut, kLeftOut, 0, kLeftOut, kLeftOut, -1}));
}

void DiskRowsTest::checksRefuseBeforeAnythingIsSent() {
    QCOMPARE(checkEncrypt("secret1", "secret2").value(), std::string("两次输入密码不一致"));
    QCOMPARE(checkEncrypt("", "").value(), std::string("请输入密码"));
    QVERIFY(!checkEncrypt("secret", "secret"));
    QCOMPARE(checkDecrypt("").value(), std::string("请输入密码"));
    QCOMPARE(checkPrompt("123", "1234").value(), std::string("密码错误"));
    QVERIFY(!checkPrompt("1234", "1234"));
    QCOMPARE(checkNewFolder("").value(), std::string("请输入文件夹名称"));
    QCOMPARE(checkMoveTarget("-100").value(), std::string("请选择要移动到的文件夹"));
    QVERIFY(!checkMoveTarget("0"));
    QCOMPARE(checkEmailShare("0", "a@b.c").value(), std::string(kVipOnly));
    QCOMPARE(checkEmailShare("1", "").value(), std::string("请输入要分享的邮件"));
    QCOMPARE(checkDirectLink("0", "x", false, "").value(), std::string(kDirectLinkClosed));
    QCOMPARE(checkDirectLink("1", "", false, "").value(), std::string("请输入自定义地址"));
    QCOMPARE(checkDirectLink("1", "x", true, "").value(), std::string("请输入白名单域名"));
    QVERIFY(!checkDirectLink("1", "x", false, ""));
    QCOMPARE(shareOutcome("1").message, std::string("分享成功"));
    QCOMPARE(shareOutcome("0").message, std::string("分享失败"));
    QCOMPARE(shareOutcome("文件不存在").message, std::string("文件不存在"));
    QCOMPARE(sharePasswordOf("提取地址：http://x/s/1\n提取码：abcd"), std::string("abcd"));
    QCOMPARE(sharePasswordOf("提取码：无"), std::string());
}

NUBEXA_QTEST_GUILESS(DiskRowsTest)
#include "disk_rows_test.moc"
