#pragma once

#include <algorithm>

#include <QRect>
#include <QSize>

namespace nubexa::pages::page_rects {

// The navigation column, relative to the page area: page n's button is at row n - 1.
inline QRect navButton(int index) {
    return QRect(20, 117 + 35 * index, 162, 30);
}

// The rest, relative to the list area, as they sit at its first size. When the window grows,
// the controls at the right keep their distance to the right edge and the list takes the room.
inline constexpr QSize kListArea{690, 475};
inline QSize growthOf(QSize listArea) {
    return (listArea - kListArea).expandedTo(QSize(0, 0));
}
inline QRect keptRight(const QRect& where, QSize growth) {
    return where.translated(growth.width(), 0);
}
inline QRect widened(const QRect& where, QSize growth) {
    return where.adjusted(0, 0, growth.width(), 0);
}
inline QRect grown(const QRect& where, QSize growth) {
    return where.adjusted(0, 0, growth.width(), growth.height());
}
// At least `width` wide (a button's words in a longer language), growing to the left.
inline QRect atLeastWide(QRect where, int width) {
    where.setLeft(where.right() + 1 - std::max(where.width(), width));
    return where;
}

inline constexpr QRect kUpload{15, 15, 100, 30};
inline constexpr QRect kUploadType{120, 25, 68, 20};  // holds "文件夹" whole
inline constexpr QRect kMenuPanel{190, 15, 122, 29};
inline constexpr int kSmallButtonX[] = {12, 52, 92};  // on the panel
inline constexpr int kSmallButtonY = 8;
inline constexpr QRect kSearchBox{382, 16, 256, 28};
inline constexpr QRect kSearchButton{640, 15, 40, 30};
inline constexpr QRect kLocationLabel{15, 60, 110, 30};
inline constexpr QRect kLocationLine{125, 60, 480, 30};
inline constexpr QRect kSort{580, 50, 100, 25};
inline constexpr QRect kViewSwitch{516, 50, 60, 25};  // list or thumbnails
inline constexpr QRect kList{0, 85, 690, 375};

// The transfer pages: no sort; the location line keeps to its text and leaves room on its
// right for the page's totals and the buttons that pause or start the whole page.
inline constexpr QRect kTransferLocationLine{125, 60, 170, 30};
inline constexpr QRect kTransferTotals{300, 60, 240, 30};
inline constexpr QRect kPauseAll{548, 60, 64, 24};
inline constexpr QRect kStartAll{618, 60, 64, 24};

}  // namespace nubexa::pages::page_rects
