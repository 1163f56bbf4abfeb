#pragma once

#include <QMenu>

namespace nubexa::app {

// The items of the tray menu and the title-bar menu; the id travels as the action's data.
enum MenuItem {
    kVisitWebSite = 201,
    kSettings = 202,
    kSwitchAccount = 203,
    kAbout = 204,
    kHelp = 205,
    kQuit = 206,
    kShowWindow = 207,
    kSyncFolders = 208,
};

enum class MenuKind { kTray, kTitleBar };

// A new menu in the items' order: the tray's has "显示主窗体", the title bar's does not;
// "设置", "同步文件夹" and "切换账户" only while signed in.
QMenu* buildAppMenu(MenuKind kind, bool signedIn, QWidget* parent = nullptr);

// The item ids of a menu in order; for tests and accessibility checks.
QList<int> menuItems(const QMenu& menu);

}  // namespace nubexa::app
