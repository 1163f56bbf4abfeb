#include "pages/disk_commands.h"

#include <QComboBox>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QTableView>

#include "app/main_frame.h"
#include "app/picture_cache.h"
#include "app/request_runner.h"
#include "pages/confirm_dialogs.h"
#include "pages/dialog_checks.h"
#include "pages/disk_list_model.h"
#include "pages/folder_dialogs.h"
#include "pages/link_dialogs.h"
#include "pages/page_list.h"
#include "pages/password_dialogs.h"
#include "pages/share_dialogs.h"
#include "pages/x_page_my_disk.h"
#include "platform/notifier.h"
#include "platform/picker.h"
#include "session/client_session.h"

namespace nubexa::pages {

namespace {

DiskItem diskItemOf(const DiskSelection& selection) {
    DiskItem item;
    item.id = selection.id;
    item.name = selection.name;
    item.ext = selection.ext;
    item.size = selection.size;
    item.isFolder = selection.isFolder;
    return item;
}

}  // namespace

DiskCommands::DiskCommands(const PageContext& context, CXPageMyDisk& page)
    : QObject(&page), m_context(context), m_page(page) {}

DialogContext DiskCommands::dialogContext() const {
    return {m_context.session.disk(), m_context.notifier, m_context.requests, m_context.pictures,
            m_context.session.config().service.directLinkPrefix};
}

void DiskCommands::showDialog(ItemDialog* dialog, bool reloadOnClose) {
    m_dialog = dialog;
    if (reloadOnClose)
        connect(dialog, &QDialog::finished, this, [this] { m_page.refresh(); });
    dialog->open();
}

void DiskCommands::showShareDialog(bool keepSettings) {
    const DiskSelection item = m_page.selection();
    auto* share = new ShareDialog(dialogContext(), item, keepSettings, &m_page);
    // A share is only of use with its address: shown as soon as it is made.
    connect(share, &ShareDialog::sharedByLink, this, [this, item] {
        showDialog(new ShareAddressDialog(dialogContext(), item, &m_page), false);
    });
    showDialog(share);
}

void DiskCommands::promptPassword(int pendingCommand) {
    m_pendingCommand = pendingCommand;
    auto* prompt = new PasswordPromptDialog(dialogContext(), m_page.selection(), &m_page);
    connect(prompt, &PasswordPromptDialog::unlocked, this, [this] {
        // Right once: the command does not ask again until the selection is refilled.
        m_page.unlockSelection();
        if (m_pendingCommand == disk_command::kOpenFolder)
            m_page.openFolder(m_page.selection());
        else if (m_pendingCommand == disk_command::kPreview)
            m_page.openPreview(m_page.selection());
        else
            runCommand(m_pendingCommand);
    });
    showDialog(prompt, false);
}

void DiskCommands::runCommand(int id) {
    if (m_page.busy())
        return;
    if (m_page.page() == kPageMyDisk && m_page.selection().ispwd == "1" &&
        id != disk_command::kEncrypt && id != disk_command::kDecrypt) {
        promptPassword(id);
        return;
    }
    const DialogContext context = dialogContext();
    const AccountInfo account = m_context.session.account();
    switch (id) {
        case disk_command::kRename:
            showDialog(new RenameDialog(context, m_page.selection(), &m_page));
            break;
        case disk_command::kMove:
            showDialog(new MoveDialog(context, m_page.selection(), &m_page));
            break;
        case disk_command::kShare:
        case disk_command::kShareShared:  // the shared page's own "启用外链分享" shares as the disk
                                          // page does
            showShareDialog(false);
            break;
        case disk_command::kEditShare: {
            auto* edit = new ShareEditDialog(context, m_page.selection(), &m_page);
            connect(edit, &ShareEditDialog::nextRequested, this, [this] { showShareDialog(true); });
            showDialog(edit, false);
            break;
        }
        case disk_command::kShareAddress:
            showDialog(new ShareAddressDialog(context, m_page.selection(), &m_page));
            break;
        case disk_command::kEnableLink:
        case disk_command::kEditLink:
            if (account.wip == "0") {
                m_context.notifier.showMessage(ItemDialog::kCaption, kDirectLinkClosed);
                break;
            }
            showDialog(new DirectLinkDialog(context, m_page.selection(),
                                            id == disk_command::kEditLink, &m_page));
            break;
        case disk_command::kViewLink:
            showDialog(new ViewLinkDialog(context, m_page.selection(), &m_page));
            break;
        case disk_command::kDownload:
            download();
            break;
        case disk_command::kClearBin: {
            auto* confirm = new ConfirmDialog(context, ConfirmDialog::Kind::kClearBin,
                                              {m_page.selection()}, &m_page);
            connect(confirm, &ConfirmDialog::clearConfirmed, this, &DiskCommands::clearBin);
            showDialog(confirm, false);
            break;
        }
        case disk_command::kRestore:
            restore();
            break;
        case disk_command::kDeleteForGood:
            showDialog(new ConfirmDialog(context, ConfirmDialog::Kind::kDeleteForGood,
                                         {m_page.selection()}, &m_page));
            break;
        case disk_command::kDelete:
            showDialog(new ConfirmDialog(context, ConfirmDialog::Kind::kDelete,
                                         m_page.selectedItems(), &m_page));
            break;
        case disk_command::kEncrypt:
        case disk_command::kDecrypt:
            showDialog(new EncryptDialog(context, m_page.selection(),
                                         id == disk_command::kEncrypt
                                             ? EncryptDialog::Mode::kEncrypt
                                             : EncryptDialog::Mode::kDecrypt,
                                         &m_page));
            break;
        case disk_command::kCloseLink:
            showDialog(new ConfirmDialog(context, ConfirmDialog::Kind::kCloseLink,
                                         {m_page.selection()}, &m_page));
            break;
        case disk_command::kCancelShare:
            showDialog(new ConfirmDialog(context, ConfirmDialog::Kind::kCancelShare,
                                         {m_page.selection()}, &m_page));
            break;
        default:
            break;
    }
}

void DiskCommands::newFolder() {
    if (m_page.busy() || m_page.page() != kPageMyDisk)
        return;
    const std::string parent = m_context.session.account().current_dir_id;
    showDialog(new NewFolderDialog(dialogContext(), parent.empty() ? "0" : parent, &m_page));
}

void DiskCommands::clearBin() {
    const DiskOperations& disk = m_context.session.disk();
    m_page.setPreparing(+1);
    m_context.requests.run<ServiceVerdict>(
        &m_page, [&disk] { return disk.clearBin(); },
        [this](const ServiceVerdict& why) {
            m_page.setPreparing(-1);
            m_context.notifier.showMessage(
                ItemDialog::kCaption,
                why.failure == Failure::kNone
                    ? QT_TRANSLATE_NOOP("Messages", "操作成功")
                    : ItemDialog::failureText(why, QT_TRANSLATE_NOOP("Messages", "操作失败")));
            m_page.refresh();
        });
}

void DiskCommands::restore() {
    const DiskOperations& disk = m_context.session.disk();
    const DiskSelection item = m_page.selection();
    m_page.setPreparing(+1);
    m_context.requests.run<ServiceVerdict>(
        &m_page,
        [&disk, item] {
            return disk.restore(item.isFolder ? item.id : std::string(),
                                item.isFolder ? std::string() : item.id);
        },
        [this](const ServiceVerdict& why) {
            m_page.setPreparing(-1);
            m_context.notifier.showMessage(
                ItemDialog::kCaption,
                why.failure == Failure::kNone
                    ? QT_TRANSLATE_NOOP("Messages", "还原成功")
                    : ItemDialog::failureText(why, QT_TRANSLATE_NOOP("Messages", "还原失败")));
            m_page.refresh();
        });
}

void DiskCommands::upload() {
    if (m_page.busy() || m_page.page() != kPageMyDisk)
        return;
    Picker& picker = m_context.picker;
    const bool folder = m_page.uploadType()->currentIndex() == 1;
    const auto chosen =
        folder ? picker.pickFolder(kPickFolderTitle) : picker.pickFile(kPickFileTitle);
    if (!chosen || chosen->empty())
        return;
    uploadPaths({QString::fromStdString(*chosen)});
}

void DiskCommands::uploadPaths(const QStringList& paths) {
    if (m_page.busy() || m_page.page() != kPageMyDisk || paths.isEmpty())
        return;
    RemoteFolder target;
    target.id = m_context.session.account().current_dir_id;
    if (target.id.empty())
        target.id = "0";
    target.locationText = m_page.locationText();
    std::vector<std::string> files;
    std::vector<std::string> folders;
    for (const QString& path : paths)
        (QFileInfo(path).isDir() ? folders : files).push_back(path.toStdString());
    if (!folders.empty()) {
        m_page.noteUploadQueued();
        m_page.showTransferPage(kPageUploading);
    }
    // Queued off the GUI thread through the session's queue; the page follows when done.
    ClientSession& session = m_context.session;
    if (!files.empty()) {
        m_page.setPreparing(+1);
        m_context.requests.run<bool>(
            &m_page, [&session, files, target] { return session.queueFileUploads(files, target); },
            [this, shown = !folders.empty()](bool queued) {
                m_page.setPreparing(-1);
                if (queued && !shown) {
                    m_page.noteUploadQueued();
                    m_page.showTransferPage(kPageUploading);
                }
            });
    }
    for (const std::string& local : folders) {
        // One FolderAdd per folder, then its rows in one transaction.
        m_page.setPreparing(+1);
        m_context.requests.run<int>(
            &m_page,
            [&session, local, target] {
                session.queueFolderUpload(local, target);
                return 0;
            },
            [this](int) { m_page.setPreparing(-1); });
    }
}

void DiskCommands::download() {
    const std::vector<DiskSelection> items = m_page.selectedItems();
    if (items.empty())
        return;
    const auto chosen = m_context.picker.pickFolder(kPickTargetTitle);
    if (!chosen || chosen->empty())
        return;
    const std::string localFolder = *chosen;
    RemoteFolder shown;
    shown.id = m_context.session.account().current_dir_id;
    shown.locationText = m_page.locationText();
    std::vector<DiskItem> chosenItems;
    for (const DiskSelection& selection : items)
        chosenItems.push_back(diskItemOf(selection));
    ClientSession& session = m_context.session;
    // Files and folders alike off the GUI thread; a folder's listing first.
    m_page.setPreparing(+1);
    m_context.requests.run<int>(
        &m_page,
        [&session, chosenItems, localFolder, shown] {
            session.queueDownloads(chosenItems, localFolder, shown);
            return 0;
        },
        [this](int) { m_page.setPreparing(-1); });
    m_page.showTransferPage(kPageDownloading);
}

}  // namespace nubexa::pages
