#pragma once

#include <QtGlobal>

#include "pages/item_dialog.h"
#include "service/disk_entries.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace nubexa::pages {

// A new folder inside the folder page 1 shows (`parentId`).
class NewFolderDialog : public ItemDialog {
    Q_OBJECT
public:
    static inline const std::string kEmptyNameCaption =
        QT_TRANSLATE_NOOP("Messages", "炫彩界面库-提示框");
    NewFolderDialog(DialogContext context, std::string parentId, QWidget* parent);

private:
    void confirm();
    std::string m_parentId;
    QLineEdit* m_name;
};

// Renames the selected folder or file.
class RenameDialog : public ItemDialog {
    Q_OBJECT
public:
    RenameDialog(DialogContext context, DiskSelection item, QWidget* parent);

private:
    void confirm();
    QLineEdit* m_name;
};

// Moves the selected folder or file into a folder chosen in the tree of every folder.
class MoveDialog : public ItemDialog {
    Q_OBJECT
public:
    MoveDialog(DialogContext context, DiskSelection item, QWidget* parent);
    QTreeWidget* tree() const { return m_tree; }
    const std::string& chosenId() const { return m_chosenId; }
    // Whether the folder tree has arrived.
    bool treeLoaded() const { return m_treeLoaded; }

private:
    void fillTree(const FolderTree& tree);
    void choose(QTreeWidgetItem* node);
    void confirm();
    QLineEdit* m_target;
    QTreeWidget* m_tree;
    std::string m_chosenId = kEndMarkId;
    bool m_treeLoaded = false;
};

}  // namespace nubexa::pages
