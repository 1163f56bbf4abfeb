#pragma once

#include <QPoint>
#include <QString>
#include <functional>
#include <vector>

#include "pages/disk_rows.h"

class QAbstractItemView;
class QKeyEvent;
class QTableView;

namespace nubexa::pages {

// What the disk list and the transfer list share: their look (rows selected whole, no grid, a
// quiet header, the given widths) and their context menus. GUI thread only.
void setUpList(QTableView* list, const QString& accessibleName, int rowHeight,
               const int* columnWidths, int columnCount);

// The row menu from the keyboard (the menu key or Shift+F10) at the current row, as a right
// click there would open it; true when `key` was one of those.
bool openRowMenuFromKeyboard(QAbstractItemView* list, const QKeyEvent* key);

// The menu of the row under `where` (in the list's viewport): `entriesFor(row)` gives its
// entries, a chosen entry calls `run(id)`. Outside any row, or without entries, no menu.
void popUpRowMenu(QAbstractItemView* list, const QPoint& where,
                  const std::function<std::vector<MenuEntry>(int row)>& entriesFor,
                  const std::function<void(int id)>& run);

}  // namespace nubexa::pages
