#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <vector>

#include "pages/disk_command.h"
#include "pages/item_dialog.h"
#include "pages/page_context.h"

namespace nubexa::pages {

class CXPageMyDisk;

// What the disk page's commands do: the item dialogs, the password prompt of protected items,
// clearing the bin, restoring, uploads and downloads. The page (the view) says what is
// selected and shown; the work runs off the GUI thread through the context's runner.
// GUI thread only; lives as long as its page.
class DiskCommands : public QObject {
    Q_OBJECT
public:
    DiskCommands(const PageContext& context, CXPageMyDisk& page);

    void runCommand(int id);
    void promptPassword(int pendingCommand);
    // The share dialog, then the address of the share it makes.
    void showShareDialog(bool keepSettings);
    void newFolder();
    void upload();  // the upload button, by the type selector
    void uploadPaths(const QStringList& paths);

    int pendingCommand() const { return m_pendingCommand; }
    ItemDialog* dialog() const { return m_dialog; }

private:
    DialogContext dialogContext() const;
    void showDialog(ItemDialog* dialog, bool reloadOnClose = true);
    void download();
    void clearBin();
    void restore();

    const PageContext m_context;
    CXPageMyDisk& m_page;
    QPointer<ItemDialog> m_dialog;
    int m_pendingCommand = 0;
};

}  // namespace nubexa::pages
