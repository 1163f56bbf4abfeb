#include "pages/disk_rows.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string_view>
#include <utility>

#include "pages/disk_command.h"
#include "picture_catalog.h"
#include "session/transfer_rows.h"

namespace nubexa::pages {

namespace {

bool marked(const std::string& flag) {
    return !flag.empty() && flag != "0";
}

std::string withProtectedMark(std::string name, const std::string& ispwd) {
    if (ispwd == "1")
        name += kProtectedMark;
    return name;
}

std::string extensionWithoutDot(const std::string& ext) {
    return !ext.empty() && ext.front() == '.' ? ext.substr(1) : ext;
}

// The icon of an extension in any case ("PDF" is a pdf), common relatives taking the icon of
// their kind ("jpeg" a jpg, "7z" an archive).
int iconOfExtension(std::string_view extension) {
    std::string lower(extension);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const std::pair<std::string_view, std::string_view> kRelatives[] = {
        {"jpeg", "jpg"}, {"htm", "html"}, {"docx", "doc"}, {"tiff", "tif"}, {"mpeg", "mpg"},
        {"7z", "zip"},   {"gz", "zip"},   {"tgz", "zip"},  {"bz2", "zip"},  {"xz", "zip"},
        {"tar", "zip"},  {"wav", "mp3"},  {"flac", "mp3"}, {"ogg", "mp3"},  {"m4a", "mp3"},
        {"aac", "mp3"},  {"mkv", "mp4"},  {"webm", "mp4"}, {"m4v", "mp4"},  {"svg", "pic"},
        {"webp", "pic"}, {"heic", "pic"}, {"ico", "pic"},
    };
    for (const auto& [relative, kind] : kRelatives) {
        if (lower == relative)
            return pictures::fileIconIndex(kind);
    }
    if (const int icon = pictures::fileIconIndex(lower);
        icon != pictures::kUnknownFileIconIndex || lower == "ai")
        return icon;
    // What the catalog has no picture for: text, binary data, or a page without a kind (rather
    // than the "AI" of an illustration).
    static constexpr std::string_view kText[] = {
        "txt",  "md",  "markdown", "log", "csv", "tsv", "ini", "cfg", "conf", "json",
        "yaml", "yml", "toml",     "rst", "srt", "nfo", "c",   "h",   "cpp",  "hpp",
        "py",   "sh",  "java",     "go",  "rs",  "ts",  "css", "sql", "tex"};
    static constexpr std::string_view kBinary[] = {"bin", "exe", "dll", "so",  "dat", "iso",
                                                   "img", "dmg", "apk", "deb", "rpm", "msi"};
    if (std::find(std::begin(kText), std::end(kText), lower) != std::end(kText))
        return pictures::kTextFileIconIndex;
    if (std::find(std::begin(kBinary), std::end(kBinary), lower) != std::end(kBinary))
        return pictures::kBinaryFileIconIndex;
    return pictures::kOtherFileIconIndex;
}

}  // namespace

int fileIconIndexOfName(const std::string& name) {
    const auto dot = name.rfind('.');
    return iconOfExtension(dot == std::string::npos ? std::string_view()
                                                    : std::string_view(name).substr(dot + 1));
}

std::string sizeText(const std::string& id, const std::string& size) {
    if (id == "-1")
        return {};
    return nubexa::sizeText(size);
}

std::vector<DiskRow> buildDiskRows(const DiskTables& tables, int page, bool atRoot) {
    std::vector<DiskRow> rows;
    // Only the disk page lists a folder: elsewhere "返回" would lead nowhere.
    if (!atRoot && page == kPageMyDisk) {
        DiskRow back;
        back.kind = RowKind::kReturn;
        back.name = kReturnText;
        back.icon = pictures::kReturnIconIndex;
        rows.push_back(std::move(back));
    }
    for (const auto& folder : tables.disk_folders) {
        if (folder.id == kEndMarkId)
            break;
        DiskRow row;
        row.kind = RowKind::kFolder;
        row.name = withProtectedMark(folder.name, folder.ispwd);
        row.icon = pictures::kFolderIconIndex;
        if (marked(folder.isshare) && page < 5)
            row.share = kEnabledMark;
        row.time = folder.time;
        row.id = folder.id;
        rows.push_back(std::move(row));
    }
    for (const auto& file : tables.disk_files) {
        if (file.id == kEndMarkId)
            break;
        DiskRow row;
        row.kind = RowKind::kFile;
        row.name = withProtectedMark(file.name + file.ext, file.ispwd);
        row.icon = iconOfExtension(extensionWithoutDot(file.ext));
        if (marked(file.isshare))
            row.share = kEnabledMark;
        if (marked(file.isoutlink))
            row.link = kEnabledMark;
        row.size = sizeText(file.id, file.size);
        row.time = file.time;
        row.id = file.id;
        row.bytes = file.size;
        rows.push_back(std::move(row));
    }
    return rows;
}

DiskSelection selectionFor(const DiskRow& row, const DiskTables& tables) {
    DiskSelection selection;
    if (row.kind == RowKind::kFile) {
        for (const auto& file : tables.disk_files) {
            if (file.id == kEndMarkId)
                break;
            if (file.id != row.id)
                continue;
            selection = {file.id,      file.name,      file.ext,   file.size,
                         file.isshare, file.isoutlink, file.ispwd, file.pwdtip,
                         file.time,    file.pwd,       false,      true};
            break;
        }
    } else if (row.kind == RowKind::kFolder) {
        for (const auto& folder : tables.disk_folders) {
            if (folder.id == kEndMarkId)
                break;
            if (folder.id != row.id)
                continue;
            selection.id = folder.id;
            selection.name = folder.name;
            selection.ispwd = folder.ispwd;
            selection.pwdtip = folder.pwdtip;
            selection.time = folder.time;
            selection.pwd = folder.pwd;
            selection.isshare = folder.isshare;
            selection.isFolder = true;
            selection.found = true;
            break;
        }
    }
    return selection;
}

std::vector<MenuEntry> menuEntries(int page, const DiskRow& row, const DiskSelection& selection) {
    const auto offOrEmpty = [](const std::string& column) {
        return column.empty() || column == kDisabledMark;
    };
    std::vector<MenuEntry> entries;
    switch (page) {
        case kPageMyDisk:
            entries.push_back(
                {disk_command::kRename, QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "重命名")});
            entries.push_back(
                {disk_command::kMove, QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "移动")});
            // Files of any size are protected as folders are: the listing, not a size of 0,
            // tells the dialogs which one the item is.
            if (selection.ispwd == "1")
                entries.push_back(
                    {disk_command::kDecrypt, QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "解密")});
            else
                entries.push_back(
                    {disk_command::kEncrypt, QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "加密")});
            entries.push_back(
                {disk_command::kDelete, QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "删除")});
            if (offOrEmpty(row.share)) {
                entries.push_back({disk_command::kShare,
                                   QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "启用外链分享")});
            } else {
                entries.push_back(
                    {disk_command::kShareAddress,
                     QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "查看外链分享地址")});
                entries.push_back({disk_command::kCancelShare,
                                   QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "取消文件分享")});
            }
            if (row.kind == RowKind::kFile && offOrEmpty(row.link))
                entries.push_back({disk_command::kEnableLink,
                                   QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "启用文件直链")});
            if (!offOrEmpty(row.link)) {
                entries.push_back({disk_command::kViewLink,
                                   QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "查看文件直链")});
                entries.push_back({disk_command::kCloseLink,
                                   QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "关闭文件直链")});
            }
            entries.push_back(
                {disk_command::kDownload, QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "下载")});
            break;
        case kPageShared:
            if (row.share == kDisabledMark) {
                entries.push_back({disk_command::kShareShared,
                                   QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "启用外链分享")});
            } else {
                entries.push_back({disk_command::kEditShare,
                                   QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "编辑外链分享")});
                entries.push_back({disk_command::kShareAddress,
                                   QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "查看外链分享")});
                entries.push_back({disk_command::kCancelShare,
                                   QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "取消文件分享")});
            }
            break;
        case kPageLinks:
            if (row.link == kDisabledMark) {
                entries.push_back({disk_command::kEnableLink,
                                   QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "启用文件直链")});
            } else {
                entries.push_back({disk_command::kEditLink,
                                   QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "编辑文件直链")});
                entries.push_back({disk_command::kViewLink,
                                   QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "查看文件直链")});
                entries.push_back({disk_command::kCloseLink,
                                   QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "关闭文件直链")});
            }
            break;
        case kPageRecycle:
            entries.push_back({disk_command::kClearBin,
                               QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "清空回收站")});
            entries.push_back(
                {disk_command::kRestore, QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "还原")});
            entries.push_back({disk_command::kDeleteForGood,
                               QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "彻底删除")});
            break;
        case kPageLatest:
            entries.push_back(
                {disk_command::kRename, QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "重命名")});
            entries.push_back(
                {disk_command::kMove, QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "移动")});
            entries.push_back(
                {disk_command::kDelete, QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "删除")});
            break;
        default:
            break;
    }
    return entries;
}

std::string locationInto(const std::string& location, const std::string& name) {
    if (location == "\\")
        return location + name;
    return location + "\\" + name;
}

std::string locationBack(const std::string& location) {
    // Back from a top-level folder the cut leaves nothing: that is the root again.
    const auto last = location.rfind('\\');
    if (last == std::string::npos || last == 0)
        return "\\";
    return location.substr(0, last);
}

}  // namespace nubexa::pages
