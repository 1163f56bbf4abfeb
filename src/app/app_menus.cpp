#include "app/app_menus.h"

#include <QCoreApplication>

#include "app/colour_scheme.h"

namespace nubexa::app {

namespace {

struct ItemText {
    MenuItem id;
    const char* text;
};

constexpr ItemText kItems[] = {
    {kVisitWebSite, QT_TRANSLATE_NOOP("nubexa::app::AppMenu", "访问WEB站点")},
    {kShowWindow, QT_TRANSLATE_NOOP("nubexa::app::AppMenu", "显示主窗体")},
    {kSettings, QT_TRANSLATE_NOOP("nubexa::app::AppMenu", "设置")},
    {kSyncFolders, QT_TRANSLATE_NOOP("nubexa::app::AppMenu", "同步文件夹")},
    {kSwitchAccount, QT_TRANSLATE_NOOP("nubexa::app::AppMenu", "切换账户")},
    {kAbout, QT_TRANSLATE_NOOP("nubexa::app::AppMenu", "关于")},
    {kHelp, QT_TRANSLATE_NOOP("nubexa::app::AppMenu", "帮助")},
    {kQuit, QT_TRANSLATE_NOOP("nubexa::app::AppMenu", "退出")},
};

QString menuSheet(const SchemeColours& c) {
    return QStringLiteral(
               "QMenu { background: %1; border: 1px solid %2; border-radius: 6px; padding: 4px; }"
               "QMenu::item { padding: 6px 22px; color: %3; border-radius: 4px; }"
               "QMenu::item:selected { background: %4; color: %5; }")
        .arg(c.base.name(), c.border.name(), c.text.name(), c.menuHover.name(), c.link.name());
}

}  // namespace

QMenu* buildAppMenu(MenuKind kind, bool signedIn, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setAccessibleName(kind == MenuKind::kTray
                                ? QCoreApplication::translate("nubexa::app::AppMenu", "托盘菜单")
                                : QCoreApplication::translate("nubexa::app::AppMenu", "主菜单"));
    setSchemeStyleSheet(menu, menuSheet);
    for (const ItemText& item : kItems) {
        if (item.id == kShowWindow && kind != MenuKind::kTray)
            continue;
        if ((item.id == kSettings || item.id == kSyncFolders || item.id == kSwitchAccount) &&
            !signedIn)
            continue;
        QAction* action =
            menu->addAction(QCoreApplication::translate("nubexa::app::AppMenu", item.text));
        action->setData(static_cast<int>(item.id));
    }
    return menu;
}

QList<int> menuItems(const QMenu& menu) {
    QList<int> ids;
    for (const QAction* action : menu.actions())
        ids.append(action->data().toInt());
    return ids;
}

}  // namespace nubexa::app
