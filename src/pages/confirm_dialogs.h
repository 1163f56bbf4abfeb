#pragma once

#include <vector>

#include "pages/item_dialog.h"

namespace nubexa::pages {

// The yes-or-no dialogs: delete, delete for good, clear the recycle bin, close a direct link,
// cancel a share. Delete takes every selected row at once.
class ConfirmDialog : public ItemDialog {
    Q_OBJECT
public:
    enum class Kind { kDelete, kDeleteForGood, kClearBin, kCloseLink, kCancelShare };
    ConfirmDialog(DialogContext context, Kind kind, std::vector<DiskSelection> items,
                  QWidget* parent);
    Kind kind() const { return m_kind; }

signals:
    // Clear bin only: the user confirmed; the dialog has closed and the page clears the bin.
    void clearConfirmed();

private:
    void confirm();
    void deleteItems(bool forGood);
    // Closing a link or a share: "关闭成功" closes, "关闭失败" stays.
    void closeWith(std::function<ServiceVerdict()> work);
    Kind m_kind;
    std::vector<DiskSelection> m_items;
};

}  // namespace nubexa::pages
