#pragma once

#include <vector>

#include "pages/disk_rows.h"
#include "session/transfer_rows.h"

namespace nubexa::pages {

// The context-menu commands of a transfer row.
enum TransferCommand {
    kCommandPause = 222,
    kCommandResume = 223,
    kCommandDelete = 230,
    kCommandOpenFolder = 231,
};

// The menu of a row: "暂停" for a running task, "续传" for a waiting one, always "删除"; a
// download also offers the folder it is written to.
std::vector<MenuEntry> transferMenu(const TransferRow& row, Direction page);

}  // namespace nubexa::pages
