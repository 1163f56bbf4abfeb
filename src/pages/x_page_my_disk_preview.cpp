// The preview windows of CXPageMyDisk.
#include <QItemSelectionModel>
#include <QTableView>

#include "app/request_runner.h"
#include "pages/disk_list_model.h"
#include "pages/preview_window.h"
#include "pages/x_page_my_disk.h"

namespace nubexa::pages {

void CXPageMyDisk::openPreview(const DiskSelection& file) {
    if (PreviewWindow* open = preview(file.id)) {
        open->raise();
        open->activateWindow();
        return;
    }
    PreviewRequest request;
    request.file = file;
    request.canShare = m_page == kPageMyDisk;
    // Protected pictures other than this one ask for their password: they are not walked to.
    const DiskTables& tables = shownTables();
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const DiskRow* shown = m_model->rowAt(row);
        if (!shown || shown->kind != RowKind::kFile)
            continue;
        DiskSelection item = shown->id == file.id ? file : selectionFor(*shown, tables);
        if (item.found && item.ispwd != "1" &&
            previewKindOf(QString::fromStdString(item.ext)) == PreviewKind::kPicture)
            request.pictures.push_back(std::move(item));
    }
    auto* window = new PreviewWindow(
        m_context.session, m_context.pictures, std::move(request),
        [this](const DiskSelection& item, int command) { runCommandOn(item, command); }, this);
    m_previews.insert(QString::fromStdString(file.id), window);
    window->show();
}

PreviewWindow* CXPageMyDisk::preview(const std::string& fileId) const {
    return m_previews.value(QString::fromStdString(fileId));
}

void CXPageMyDisk::runCommandOn(const DiskSelection& item, int id) {
    if (busy())
        return;
    int found = -1;
    for (int row = 0; row < m_model->rowCount() && found < 0; ++row)
        if (const DiskRow* shown = m_model->rowAt(row); shown && shown->id == item.id)
            found = row;
    if (found >= 0) {
        selectRow(found);
    } else {
        // Another folder is shown now: the command acts on the item alone.
        m_list->selectionModel()->clearSelection();
    }
    // A protected item unlocked for its preview stays unlocked for the command.
    m_selection = item;
    runCommand(id);
}

}  // namespace nubexa::pages
