#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "sync/sync_types.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace nubexa {
class Notifier;
class Picker;
struct FolderTree;
}  // namespace nubexa

namespace nubexa::pages {

// What the add dialog collected.
struct SyncPairFields {
    std::string localFolder;
    std::string diskFolder;  // a disk path: "/备份/照片"
    SyncMode mode = SyncMode::kBackup;
};

// The message to show for fields that cannot be sent (a Messages text), or none.
std::optional<const char*> checkSyncPairFields(const SyncPairFields& fields);

// Asks for a new pair: the local folder (typed or chosen with the system's chooser), the disk
// folder (typed, made when missing, or chosen in the tree of the disk's folders, which the owner
// reads when first asked for) and the mode. accepted() carries the checked fields.
class SyncPairAddDialog : public QDialog {
    Q_OBJECT
public:
    SyncPairAddDialog(Picker& picker, Notifier& notifier, QWidget* parent = nullptr);

    SyncPairFields fields() const;
    QLineEdit* localEdit() const { return m_local; }
    QPushButton* browseButton() const { return m_browse; }
    QLineEdit* diskEdit() const { return m_disk; }
    QPushButton* pickDiskButton() const { return m_pickDisk; }
    QTreeWidget* diskTree() const { return m_diskTree; }
    // The disk's folders, as read for diskFoldersWanted; empty when they could not be read.
    void showDiskFolders(const ServiceResult<FolderTree>& read);
    QComboBox* modeBox() const { return m_mode; }
    QPushButton* okButton() const { return m_ok; }

signals:
    void pairChosen(const nubexa::pages::SyncPairFields& fields);
    // Once, when the tree of the disk's folders is first opened.
    void diskFoldersWanted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chooseLocal();
    void toggleDiskTree();
    void chooseDisk(QTreeWidgetItem* node);
    void fitHeight();
    void tryAccept();

    Picker& m_picker;
    Notifier& m_notifier;
    QLineEdit* m_local;
    QPushButton* m_browse;
    QLineEdit* m_disk;
    QPushButton* m_pickDisk;
    QTreeWidget* m_diskTree;
    bool m_diskFoldersAsked = false;
    QComboBox* m_mode;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

}  // namespace nubexa::pages
