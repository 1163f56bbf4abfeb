#include "pages/page_list.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPalette>
#include <QTableView>

#include "app/colour_scheme.h"

namespace nubexa::pages {

void setUpList(QTableView* list, const QString& accessibleName, int rowHeight,
               const int* columnWidths, int columnCount) {
    list->setAccessibleName(accessibleName);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    // Tab leaves the list for the next control; the arrows move between rows.
    list->setTabKeyNavigation(false);
    list->setShowGrid(false);
    list->setWordWrap(false);
    list->setIconSize(QSize(20, 20));
    list->verticalHeader()->hide();
    list->verticalHeader()->setDefaultSectionSize(rowHeight);
    list->horizontalHeader()->setFixedHeight(24);
    list->horizontalHeader()->setHighlightSections(false);
    // Colours through the palette, not a style sheet: a sheet on the list routes every cell's
    // painting through the sheet's rule matching, which made a repaint of the rows several
    // times slower. Only the header, painted once, keeps a sheet.
    app::followColourScheme(list, [list](const app::SchemeColours& c) {
        QPalette colours = list->palette();
        colours.setColor(QPalette::Base, c.base);
        colours.setColor(QPalette::Text, c.text);
        colours.setColor(QPalette::Highlight, c.selection);
        colours.setColor(QPalette::HighlightedText, c.selectedText);
        colours.setColor(QPalette::WindowText, c.border);  // the frame's line
        list->setPalette(colours);
        list->horizontalHeader()->setStyleSheet(
            QStringLiteral("QHeaderView::section { background: %1; border: none;"
                           " border-bottom: 1px solid %2; padding-left: 6px; color: %3; }")
                .arg(c.header.name(), c.border.name(), c.mutedText.name()));
    });
    list->setFrameShape(QFrame::Box);
    list->setFrameShadow(QFrame::Plain);
    list->setLineWidth(1);
    for (int column = 0; column < columnCount; ++column) {
        list->setColumnWidth(column, columnWidths[column]);
        // A width of 0 is a column for the program, not for the eye.
        list->setColumnHidden(column, columnWidths[column] == 0);
    }
}

bool openRowMenuFromKeyboard(QAbstractItemView* list, const QKeyEvent* key) {
    const bool menuKey = key->key() == Qt::Key_Menu ||
                         (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
    if (!menuKey)
        return false;
    if (const QModelIndex current = list->currentIndex(); current.isValid())
        emit list->customContextMenuRequested(list->visualRect(current).center());
    return true;
}

void popUpRowMenu(QAbstractItemView* list, const QPoint& where,
                  const std::function<std::vector<MenuEntry>(int row)>& entriesFor,
                  const std::function<void(int id)>& run) {
    const QModelIndex index = list->indexAt(where);
    if (!index.isValid())
        return;
    const std::vector<MenuEntry> entries = entriesFor(index.row());
    if (entries.empty())
        return;
    auto* menu = new QMenu(list);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(QCoreApplication::translate("nubexa::pages::RowMenu", "右键菜单"));
    for (const MenuEntry& entry : entries) {
        QAction* action =
            menu->addAction(QCoreApplication::translate("nubexa::pages::RowMenu", entry.text));
        const int id = entry.id;
        QObject::connect(action, &QAction::triggered, menu, [run, id] { run(id); });
    }
    menu->popup(list->viewport()->mapToGlobal(where));
}

}  // namespace nubexa::pages
