#include "pages/transfer_menu.h"

namespace nubexa::pages {

std::vector<MenuEntry> transferMenu(const TransferRow& row, Direction page) {
    std::vector<MenuEntry> entries;
    if (row.task.status == "1")
        entries.push_back({kCommandPause, "暂停"});
    if (row.task.status == "2")
        entries.push_back({kCommandResume, "续传"});
    entries.push_back({kCommandDelete, "删除"});
    if (page == Direction::kDownload)
        entries.push_back({kCommandOpenFolder, "打开所在文件夹"});
    return entries;
}

}  // namespace nubexa::pages
