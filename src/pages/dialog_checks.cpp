#include "pages/dialog_checks.h"

#include <algorithm>

namespace nubexa::pages {

Refusal checkPrompt(const std::string& entered, const std::string& itemPassword) {
    if (entered != itemPassword)
        return kWrongPassword;
    return std::nullopt;
}

Refusal checkNewFolder(const std::string& name) {
    if (name.empty())
        return QT_TRANSLATE_NOOP("Messages", "请输入文件夹名称");
    return std::nullopt;
}

Refusal checkMoveTarget(const std::string& chosenId) {
    if (chosenId == kEndMarkId || chosenId.empty())
        return QT_TRANSLATE_NOOP("Messages", "请选择要移动到的文件夹");
    return std::nullopt;
}

Refusal checkEncrypt(const std::string& password, const std::string& repeated) {
    if (password.empty())
        return QT_TRANSLATE_NOOP("Messages", "请输入密码");
    if (password != repeated)
        return QT_TRANSLATE_NOOP("Messages", "两次输入密码不一致");
    return std::nullopt;
}

Refusal checkDecrypt(const std::string& password) {
    if (password.empty())
        return QT_TRANSLATE_NOOP("Messages", "请输入密码");
    return std::nullopt;
}

Refusal checkEmailShare(const std::string& vip, const std::string& addresses) {
    if (vip == "0")
        return kVipOnly;
    if (addresses.empty())
        return QT_TRANSLATE_NOOP("Messages", "请输入要分享的邮件");
    return std::nullopt;
}

Refusal checkDirectLink(const std::string& wip, const std::string& customPart, bool whitelist,
                        const std::string& domains) {
    if (wip == "0")
        return kDirectLinkClosed;
    if (customPart.empty())
        return QT_TRANSLATE_NOOP("Messages", "请输入自定义地址");
    if (whitelist && domains.empty())
        return QT_TRANSLATE_NOOP("Messages", "请输入白名单域名");
    return std::nullopt;
}

ShareOutcome shareOutcome(const std::string& result) {
    if (result == "1")
        return {true, QT_TRANSLATE_NOOP("Messages", "分享成功")};
    if (result == "0" || result.empty())
        return {false, QT_TRANSLATE_NOOP("Messages", "分享失败")};
    return {false, result};
}

std::vector<int> moveTreeParents(const FolderTree& tree, const std::string& movedFolderId) {
    const std::size_t count = std::min({tree.ids.size(), tree.parentids.size(), tree.names.size()});
    std::vector<int> parents(count, -1);
    for (std::size_t i = 0; i < count; ++i) {
        if (std::to_string(tree.ids[i]) == movedFolderId) {
            parents[i] = kLeftOut;
            continue;
        }
        for (std::size_t j = i; j-- > 0;) {
            if (tree.ids[j] == tree.parentids[i]) {
                parents[i] = parents[j] == kLeftOut ? kLeftOut : static_cast<int>(j);
                break;
            }
        }
    }
    return parents;
}

}  // namespace nubexa::pages

namespace nubexa::pages {

std::string sharePasswordOf(const std::string& notice) {
    // untranslated: the words of the service's notice, read, never shown
    static const std::string kLabel = "提取码：";
    const auto at = notice.rfind(kLabel);
    if (at == std::string::npos)
        return {};
    std::string code = notice.substr(at + kLabel.size());
    code = code.substr(0, code.find('\n'));
    return code == "无" ? std::string() : code;  // untranslated: the service's word
}

}  // namespace nubexa::pages
