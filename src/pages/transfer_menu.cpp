#include "pages/transfer_menu.h"

namespace nubexa::pages {

std::vector<MenuEntry> transferMenu(const TransferRow& row, Direction page) {
    std::vector<MenuEntry> entries;
    if (row.task.status == "1")
        entries.push_back({kCommandPause, QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "暂停")});
    if (row.task.status == "2")
        entries.push_back({kCommandResume, QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "续传")});
    entries.push_back({kCommandDelete, QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "删除")});
    if (page == Direction::kDownload)
        entries.push_back(
            {kCommandOpenFolder, QT_TRANSLATE_NOOP("nubexa::pages::RowMenu", "打开所在文件夹")});
    return entries;
}

}  // namespace nubexa::pages
