// The context menus of the disk list and the commands their entries start.
#include <QComboBox>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QTableView>

#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "pages/confirm_dialogs.h"
#include "pages/dialog_checks.h"
#include "pages/disk_list_model.h"
#include "pages/folder_dialogs.h"
#include "pages/link_dialogs.h"
#include "pages/page_list.h"
#include "pages/password_dialogs.h"
#include "pages/share_dialogs.h"
#include "pages/x_page_my_disk.h"
#include "platform/picker.h"
#include "transfer/transfer_queue.h"

namespace nubexa::pages {

namespace {

// The command that opens a protected folder through the password prompt.
constexpr int kOpenFolderCommand = -100;

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

void CXPageMyDisk::selectRow(int row) {
    const DiskRow* shown = m_model->rowAt(row);
    m_selection =
        shown ? selectionFor(*shown, *m_client.service().tablesSnapshot()) : DiskSelection{};
    if (!m_list->selectionModel()->isRowSelected(row, {})) {
        m_list->selectionModel()->select(
            m_model->index(row, 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    m_list->selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                              QItemSelectionModel::NoUpdate);
}

std::vector<MenuEntry> CXPageMyDisk::menuForRow(int row) {
    const DiskRow* shown = m_model->rowAt(row);
    // The back row stands for no item: a menu there would act on nothing.
    if (busy() || !shown || shown->kind == RowKind::kReturn || m_page >= kPageUploading)
        return {};
    selectRow(row);
    return menuEntries(m_page, *shown, m_selection);
}

void CXPageMyDisk::showContextMenu(const QPoint& where) {
    popUpRowMenu(
        m_list, where, [this](int row) { return menuForRow(row); },
        [this](int id) { runCommand(id); });
}

std::vector<DiskSelection> CXPageMyDisk::selectedItems() const {
    std::vector<DiskSelection> items;
    const auto tables = m_client.service().tablesSnapshot();
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows()) {
        const DiskRow* shown = m_model->rowAt(index.row());
        if (!shown || shown->kind == RowKind::kReturn)
            continue;
        DiskSelection item = selectionFor(*shown, *tables);
        if (item.found)
            items.push_back(std::move(item));
    }
    if (items.empty() && m_selection.found)
        items.push_back(m_selection);
    return items;
}

DialogContext CXPageMyDisk::dialogContext() const {
    return {m_client.service(), m_client.notifier(), m_client.requests(), m_client.pictures(),
            m_client.service().config().directLinkPrefix};
}

void CXPageMyDisk::showDialog(ItemDialog* dialog, bool reloadOnClose) {
    m_dialog = dialog;
    if (reloadOnClose)
        connect(dialog, &QDialog::finished, this, [this] { refresh(); });
    dialog->open();
}

void CXPageMyDisk::promptPassword(int pendingCommand) {
    m_pendingCommand = pendingCommand;
    auto* prompt = new PasswordPromptDialog(dialogContext(), m_selection, this);
    connect(prompt, &PasswordPromptDialog::unlocked, this, [this] {
        // Right once: the command does not ask again until the selection is refilled.
        m_selection.ispwd = "0";
        if (m_pendingCommand == kOpenFolderCommand)
            openFolder(m_selection);
        else
            runCommand(m_pendingCommand);
    });
    showDialog(prompt, false);
}

void CXPageMyDisk::runCommand(int id) {
    if (busy())
        return;
    if (m_page == kPageMyDisk && m_selection.ispwd == "1" && id != 225 && id != 226) {
        promptPassword(id);
        return;
    }
    const DialogContext context = dialogContext();
    const AccountInfo account = m_client.service().account();
    switch (id) {
        case 201:
            showDialog(new RenameDialog(context, m_selection, this));
            break;
        case 202:
            showDialog(new MoveDialog(context, m_selection, this));
            break;
        case 203:
        case 210:  // the shared page's own "启用外链分享" shares as the disk page does
            showDialog(new ShareDialog(context, m_selection, false, this));
            break;
        case 204: {
            auto* edit = new ShareEditDialog(context, m_selection, this);
            connect(edit, &ShareEditDialog::nextRequested, this, [this] {
                showDialog(new ShareDialog(dialogContext(), m_selection, true, this));
            });
            showDialog(edit, false);
            break;
        }
        case 205:
            showDialog(new ShareAddressDialog(context, m_selection, this));
            break;
        case 206:
        case 207:
            if (account.wip == "0") {
                m_client.notifier().showMessage(ItemDialog::kCaption, kDirectLinkClosed);
                break;
            }
            showDialog(new DirectLinkDialog(context, m_selection, id == 207, this));
            break;
        case 208:
            showDialog(new ViewLinkDialog(context, m_selection, this));
            break;
        case 209:
            download();
            break;
        case 216: {
            auto* confirm =
                new ConfirmDialog(context, ConfirmDialog::Kind::kClearBin, {m_selection}, this);
            connect(confirm, &ConfirmDialog::clearConfirmed, this, &CXPageMyDisk::clearBin);
            showDialog(confirm, false);
            break;
        }
        case 217:
            restore();
            break;
        case 218:
            showDialog(new ConfirmDialog(context, ConfirmDialog::Kind::kDeleteForGood,
                                         {m_selection}, this));
            break;
        case 224:
            showDialog(
                new ConfirmDialog(context, ConfirmDialog::Kind::kDelete, selectedItems(), this));
            break;
        case 225:
        case 226:
            showDialog(new EncryptDialog(
                context, m_selection,
                id == 225 ? EncryptDialog::Mode::kEncrypt : EncryptDialog::Mode::kDecrypt, this));
            break;
        case 227:
            showDialog(
                new ConfirmDialog(context, ConfirmDialog::Kind::kCloseLink, {m_selection}, this));
            break;
        case 228:
            showDialog(
                new ConfirmDialog(context, ConfirmDialog::Kind::kCancelShare, {m_selection}, this));
            break;
        default:
            break;
    }
}

void CXPageMyDisk::newFolder() {
    if (busy() || m_page != kPageMyDisk)
        return;
    const std::string parent = m_client.service().account().current_dir_id;
    showDialog(new NewFolderDialog(dialogContext(), parent.empty() ? "0" : parent, this));
}

void CXPageMyDisk::clearBin() {
    ServiceClient& service = m_client.service();
    const AccountInfo account = service.account();
    setPreparing(+1);
    m_client.requests().run<int>(
        this, [&service, account] { return service.ClearBin(account.uid, account.token); },
        [this](int result) {
            setPreparing(-1);
            m_client.notifier().showMessage(ItemDialog::kCaption,
                                            result == 1 ? "操作成功" : "操作失败");
            refresh();
        });
}

void CXPageMyDisk::restore() {
    ServiceClient& service = m_client.service();
    const AccountInfo account = service.account();
    const DiskSelection item = m_selection;
    setPreparing(+1);
    m_client.requests().run<int>(
        this,
        [&service, account, item] {
            return service.FolderAndFileRestore(account.uid, account.token,
                                                item.isFolder ? item.id : std::string(),
                                                item.isFolder ? std::string() : item.id);
        },
        [this](int result) {
            setPreparing(-1);
            m_client.notifier().showMessage(ItemDialog::kCaption,
                                            result == 1 ? "还原成功" : "还原失败");
            refresh();
        });
}

void CXPageMyDisk::upload() {
    if (busy() || m_page != kPageMyDisk)
        return;
    Picker& picker = m_client.picker();
    const bool folder = m_uploadType->currentIndex() == 1;
    const auto chosen =
        folder ? picker.pickFolder(kPickFolderTitle) : picker.pickFile(kPickFileTitle);
    if (!chosen || chosen->empty())
        return;
    uploadPaths({QString::fromStdString(*chosen)});
}

void CXPageMyDisk::uploadPaths(const QStringList& paths) {
    if (busy() || m_page != kPageMyDisk || paths.isEmpty())
        return;
    RemoteFolder target;
    target.id = m_client.service().account().current_dir_id;
    if (target.id.empty())
        target.id = "0";
    target.locationText = m_location;
    TransferQueue queue(m_client.manager(), m_frame);
    std::vector<std::string> folders;
    bool queued = false;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir())
            folders.push_back(path.toStdString());
        else
            queued = queue.QueueFileUpload(path.toStdString(), target).queued || queued;
    }
    if (queued || !folders.empty()) {
        m_uploadQueued = true;
        showTransferPage(kPageUploading);
    }
    TransferManager& manager = m_client.manager();
    app::MainFrame& frame = m_frame;
    for (const std::string& local : folders) {
        // One FolderAdd per folder: prepared off the GUI thread, queued back on it.
        setPreparing(+1);
        m_client.requests().run<FolderUploadPlan>(
            this,
            [&manager, &frame, local, target] {
                return TransferQueue(manager, frame).prepareFolderUpload(local, target);
            },
            [this](FolderUploadPlan plan) {
                setPreparing(-1);
                TransferQueue(m_client.manager(), m_frame).commitFolderUpload(std::move(plan));
            });
    }
}

void CXPageMyDisk::download() {
    const std::vector<DiskSelection> items = selectedItems();
    if (items.empty())
        return;
    const auto chosen = m_client.picker().pickFolder(kPickTargetTitle);
    if (!chosen || chosen->empty())
        return;
    const std::string localFolder = *chosen;
    RemoteFolder shown;
    shown.id = m_client.service().account().current_dir_id;
    shown.locationText = m_location;
    TransferQueue queue(m_client.manager(), m_frame);
    TransferManager& manager = m_client.manager();
    app::MainFrame& frame = m_frame;
    for (const DiskSelection& selection : items) {
        const DiskItem item = diskItemOf(selection);
        if (!item.isFolder) {
            queue.QueueFileDownload(item, localFolder, shown);
            continue;
        }
        setPreparing(+1);
        m_client.requests().run<FolderDownloadPlan>(
            this,
            [&manager, &frame, item, localFolder] {
                return TransferQueue(manager, frame).prepareFolderDownload(item, localFolder);
            },
            [this](FolderDownloadPlan plan) {
                setPreparing(-1);
                TransferQueue(m_client.manager(), m_frame).commitFolderDownload(plan);
            });
    }
    showTransferPage(kPageDownloading);
}

}  // namespace nubexa::pages
