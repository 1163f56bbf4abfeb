#pragma once

#include <QtGlobal>

#include <optional>
#include <string>
#include <vector>

#include "service/disk_entries.h"

namespace nubexa::pages {

// The checks of the item dialogs: each returns the message to show, or nothing when the
// fields may be sent. None of them sends anything.
using Refusal = std::optional<std::string>;

inline constexpr const char* kWrongPassword = QT_TRANSLATE_NOOP("Messages", "密码错误");
inline constexpr const char* kVipOnly =
    QT_TRANSLATE_NOOP("Messages", "E-mail 私密分享服务为VIP尊享服务权限，请升级至VIP服务");
inline constexpr const char* kDirectLinkClosed =
    QT_TRANSLATE_NOOP("Messages", "网盘直链服务未开通，请先开通服务");

Refusal checkPrompt(const std::string& entered, const std::string& itemPassword);
Refusal checkNewFolder(const std::string& name);
Refusal checkMoveTarget(const std::string& chosenId);
Refusal checkEncrypt(const std::string& password, const std::string& repeated);
Refusal checkDecrypt(const std::string& password);
Refusal checkEmailShare(const std::string& vip, const std::string& addresses);
Refusal checkDirectLink(const std::string& wip, const std::string& customPart, bool whitelist,
                        const std::string& domains);

// What a share answer means: "1" closes the dialog with "分享成功", "0" is "分享失败", any
// other text is the service's own refusal and is shown as it is.
struct ShareOutcome {
    bool shared;
    std::string message;
};
ShareOutcome shareOutcome(const std::string& result);

// The move dialog's tree: for each folder of the answer, the folder (position) it hangs under,
// -1 at the top. Folder i goes under the nearest earlier folder whose id is its parent id; one
// without such a folder goes to the top. `movedFolderId` and everything below it are left out
// (-2), so that a folder cannot be moved into itself.
std::vector<int> moveTreeParents(const FolderTree& tree, const std::string& movedFolderId);
inline constexpr int kLeftOut = -2;

}  // namespace nubexa::pages

namespace nubexa::pages {

// The extraction code a share notice names ("提取码：abcd"); empty when it has none ("无").
std::string sharePasswordOf(const std::string& notice);

}  // namespace nubexa::pages
