#pragma once

#include <QRect>
#include <QSize>

namespace nubexa::app::main_frame_rects {

// Where the main window's parts sit (pixels, relative to the window or, for the user panel,
// to the page area). The parts anchored to an edge are computed from the client size.
inline constexpr QSize kWindow{890, 600};
inline constexpr QRect kLogo{10, 22, 172, 65};
inline constexpr QRect kNoticeStart{20, 578, 200, 18};
inline constexpr int kToolbarTop = 20;
inline constexpr QSize kToolbarButton{76, 76};
inline constexpr int kToolbarX[] = {210, 290, 370, 450, 530, 610};

// The page area: from y 99 to 26 pixels above the bottom, one pixel in from each side.
inline QRect pageArea(QSize client) {
    return QRect(QPoint(1, 99), QPoint(client.width() - 2, client.height() - 27));
}
// The disk page's list area inside the page area: right of the navigation column (690 pixels
// wide at the window's first size); it takes whatever the window grows by.
inline constexpr int kNavigationWidth = 198;
inline QRect listArea(QSize pageArea) {
    return QRect(kNavigationWidth, 0, pageArea.width() - kNavigationWidth, pageArea.height());
}
// The transfer status text, kept to the bottom right corner as the window grows (700, 580 at
// the window's first size).
inline QRect status(QSize client) {
    return QRect(client.width() - 190, client.height() - 20, 200, 18);
}
inline QRect noticeLink(QSize client, int width) {
    return QRect(10, client.height() - 23, width, 18);
}
// The grip that resizes the window, in its bottom right corner.
inline QRect sizeGrip(QSize client) {
    return QRect(client.width() - 14, client.height() - 14, 12, 12);
}
// The title bar's buttons, from the right edge leftwards.
inline QRect closeButton(QSize client) {
    return QRect(client.width() - 52, 0, 47, 22);
}
inline QRect maximiseButton(QSize client) {
    return QRect(closeButton(client).left() - 33, 0, 33, 22);
}
inline QRect minimiseButton(QSize client) {
    return maximiseButton(client).translated(-33, 0);
}
inline QRect menuButton(QSize client) {
    return minimiseButton(client).translated(-33, 0);
}
inline QRect skinButton(QSize client) {
    const QRect menu = menuButton(client);
    return QRect(menu.left() - 5 - 22, 0, 22, 18);
}

// The user panel, relative to the page area.
inline constexpr QRect kAvatar{20, 20, 42, 42};
inline constexpr QRect kNickname{70, 20, 100, 18};
inline constexpr QRect kManage{140, 20, 50, 18};
inline constexpr QRect kMembershipBadge{70, 42, 35, 18};
inline constexpr QRect kDirectLinkBadge{110, 42, 35, 18};
inline constexpr QRect kEnlarge{150, 42, 35, 18};
inline constexpr QRect kCapacityBar{20, 72, 162, 14};
inline constexpr QRect kCapacityText{20, 86, 120, 14};
inline constexpr QRect kSeparator{20, 106, 188, 1};

}  // namespace nubexa::app::main_frame_rects
