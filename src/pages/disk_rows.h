#pragma once

#include <QtGlobal>

#include <string>
#include <vector>

#include "service/disk_entries.h"

namespace nubexa::pages {

// The pages of the disk browser, in the order of the navigation column.
enum Page {
    kPageMyDisk = 1,
    kPageShared = 2,
    kPageLinks = 3,
    kPageRecycle = 4,
    kPageLatest = 5,
    kPageUploading = 6,
    kPageDownloading = 7,
};
inline constexpr int kPageCount = 7;

// The texts the list and the menus compare with.
inline constexpr const char* kReturnText = QT_TRANSLATE_NOOP("nubexa::pages::DiskRows", "返回");
inline constexpr const char* kProtectedMark = QT_TRANSLATE_NOOP("nubexa::pages::DiskRows", "[密]");
inline constexpr const char* kEnabledMark = QT_TRANSLATE_NOOP("nubexa::pages::DiskRows", "启用");
inline constexpr const char* kDisabledMark = QT_TRANSLATE_NOOP("nubexa::pages::DiskRows", "禁用");

enum class RowKind { kReturn, kFolder, kFile };

// One row of the disk list as shown: the texts of its columns, its icon and the item's id.
struct DiskRow {
    RowKind kind = RowKind::kFile;
    std::string name;   // shown name: with the extension for files, "[密]" when protected
    int icon = 0;       // position in the file icon list
    std::string share;  // "外链" column
    std::string link;   // "直链" column
    std::string size;   // "大小" column (empty for folders)
    std::string time;
    std::string id;
    std::string bytes;  // the size as listed, for tooltips
};

// The file icon (position in the file icon list) for a file named `name`, by the part after
// its last dot, as the disk list picks it for a listed file.
int fileIconIndexOfName(const std::string& name);

// "1023 B", "1.50 KB", "3.00 GB"; empty for an entry whose id is "-1".
std::string sizeText(const std::string& id, const std::string& size);

// The rows of pages 1 to 5 from the listing tables: on page 1 a "返回" row when not at the
// root, then the folders, then the files, each table up to its end mark.
std::vector<DiskRow> buildDiskRows(const DiskTables& tables, int page, bool atRoot);

// The item last right-clicked or opened.
struct DiskSelection {
    std::string id = "-1";
    std::string name;
    std::string ext;
    std::string size = "0";
    std::string isshare = "0";
    std::string isoutlink = "0";
    std::string ispwd = "0";
    std::string pwdtip;
    std::string time;
    std::string pwd;
    bool isFolder = false;
    bool found = false;  // false: the row's id was not in the tables (reset values)
};

// The selection for `row`: the file or folder entry with the row's id, or the reset values.
DiskSelection selectionFor(const DiskRow& row, const DiskTables& tables);

struct MenuEntry {
    int id;
    const char* text;  // source text of the catalog's context "nubexa::pages::RowMenu"
};

// The context menu of `page` for a row (pages 1 to 5), in order.
std::vector<MenuEntry> menuEntries(int page, const DiskRow& row, const DiskSelection& selection);

// The sort selector's entries: text, key and whether descending ("1").
struct SortEntry {
    const char* text;
    const char* key;
    const char* desc;
};
inline constexpr SortEntry kSortEntries[] = {
    {QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "按名称升序"), "name", "0"},
    {QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "按名称降序"), "name", "1"},
    {QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "按时间升序"), "time", "0"},
    {QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "按时间降序"), "time", "1"},
    {QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "按大小升序"), "size", "0"},
    {QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "按大小降序"), "size", "1"},
    {QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "按直链升序"), "link", "0"},
    {QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "按直链降序"), "link", "1"},
    {QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "按外链升序"), "share", "0"},
    {QT_TRANSLATE_NOOP("nubexa::pages::CXPageMyDisk", "按外链降序"), "share", "1"},
};

// The location text after opening the folder `name` ("\" is the root) and after going back.
std::string locationInto(const std::string& location, const std::string& name);
std::string locationBack(const std::string& location);

}  // namespace nubexa::pages
