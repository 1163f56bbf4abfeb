// Sharing operations: link shares with password and points, e-mail shares (VIP), direct links
// with a custom name and a domain white list (WIP).
#include "standin/store/account_store.h"
#include "standin/store/folder_store.h"
#include "standin/store/share_store.h"
#include "standin/util/text_util.h"
#include "standin/web/api_router.h"

namespace nubexa::standin {

namespace {

constexpr const char* kVipOnly = "E-mail 私密分享服务为VIP尊享服务权限，请升级至VIP服务";
constexpr const char* kWipOnly = "网盘直链服务未开通，请先开通服务";

const char* elementOf(ItemKind kind) {
    return kindName(kind);
}

std::string shareUrl(const ApiCall& call, const ShareRow& share) {
    return call.service.publicBase + "/s/" + share.key;
}

std::string linkUrl(const ApiCall& call, const LinkRow& link) {
    const std::string tail =
        link.linkName.empty() ? link.linkKey + "/" + std::to_string(link.fileId) : link.linkName;
    return call.service.publicBase + "/d/" + tail;
}

// The share notice a recipient reads: who shares what, where, and the extraction code.
std::optional<std::string> shareNotice(ApiCall& call, ItemKind kind, std::int64_t id) {
    FolderStore folders(call.tx(), call.accountId);
    std::string what;
    if (kind == ItemKind::Folder) {
        const auto row = folders.folder(id);
        if (!row || row->binEntry != 0)
            return std::nullopt;
        what = "文件夹：" + row->name;
    } else {
        const auto row = folders.file(id);
        if (!row || !row->ready || row->binEntry != 0)
            return std::nullopt;
        what = "文件：" + row->fullName() + "（" + sizeForPeople(row->size) + "）";
    }
    const auto account = AccountStore(call.tx()).byId(call.accountId);
    const auto share = ShareStore(call.tx(), call.accountId).shareOf(kind, id);
    std::string notice = "您的好友 " + (account ? account->nickname : std::string()) +
                         " 通过Nubexa网盘给您分享了" + what + "\n提取地址：" +
                         (share ? shareUrl(call, *share) : std::string("分享后生成")) +
                         "\n提取码：" + (share && !share->pwd.empty() ? share->pwd : "无");
    return notice;
}

XmlAnswer shareItems(ApiCall& call, ItemKind kind, const char* idsKey) {
    const auto ids = parseIdList(call.query.decoded(idsKey));
    if (!ids)
        return XmlAnswer::refusal("参数无效");
    return XmlAnswer::from(ShareStore(call.tx(), call.accountId)
                               .share(kind, *ids, call.query.decoded("downpwd"),
                                      call.query.decoded("downValue"),
                                      call.query.decoded("description")));
}

XmlAnswer cancelShares(ApiCall& call, ItemKind kind, const char* idsKey) {
    const auto ids = parseIdList(call.query.decoded(idsKey));
    if (!ids)
        return XmlAnswer::refusal("参数无效");
    return XmlAnswer::from(ShareStore(call.tx(), call.accountId).cancelShare(kind, *ids));
}

XmlAnswer shareLink(ApiCall& call, ItemKind kind, const char* idKey) {
    const auto id = parseCount(call.query.decoded(idKey));
    const auto share = id ? ShareStore(call.tx(), call.accountId).shareOf(kind, *id) : std::nullopt;
    if (!share)
        return XmlAnswer::refusal("该项目没有分享");
    return XmlAnswer::success().add(
        XmlNode(elementOf(kind)).attr("id", *id).attr("url", shareUrl(call, *share)));
}

XmlAnswer emailShareInfo(ApiCall& call, ItemKind kind, const char* idKey) {
    const auto id = parseCount(call.query.decoded(idKey));
    const auto notice = id ? shareNotice(call, kind, *id) : std::nullopt;
    if (!notice)
        return XmlAnswer::refusal(kind == ItemKind::Folder ? "文件夹不存在" : "文件不存在");
    return XmlAnswer::success().add(XmlNode(elementOf(kind)).attr("id", *id).attr("info", *notice));
}

XmlAnswer fileEmailShare(ApiCall& call) {
    const auto account = AccountStore(call.tx()).byId(call.accountId);
    if (!account || !account->vip)
        return XmlAnswer::refusal(kVipOnly);
    const auto id = parseCount(call.query.decoded("fid"));
    if (!id)
        return XmlAnswer::refusal("参数无效");
    std::vector<std::string> recipients;
    if (auto recorded =
            ShareStore(call.tx(), call.accountId)
                .recordEmailShare(ItemKind::File, *id, call.query.decoded("to"), recipients);
        !recorded)
        return XmlAnswer::refusal(recorded.message);
    const std::int64_t mailId = call.tx().lastInsertId();
    std::string mail = "From: " + account->name + "@nubexa.invalid\r\nTo: ";
    for (std::size_t i = 0; i < recipients.size(); ++i)
        mail += (i > 0 ? ", " : "") + recipients[i];
    mail += "\r\nSubject: Nubexa网盘分享\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n" +
            shareNotice(call, ItemKind::File, *id).value_or("") + "\r\n";
    // The stand-in sends no mail; each message lands in the outbox folder for inspection.
    call.afterCommit.emplace_back([&service = call.service, mailId, mail] {
        const std::string path = service.content.outboxFolder() + std::to_string(nowSeconds()) +
                                 "-" + std::to_string(mailId) + ".eml";
        if (auto written = service.content.writeWhole(path, mail); !written)
            service.log.line("outbox: " + written.message);
    });
    return XmlAnswer::success();
}

XmlAnswer fileOutLinkSetting(ApiCall& call) {
    const auto account = AccountStore(call.tx()).byId(call.accountId);
    if (!account || !account->wip)
        return XmlAnswer::refusal(kWipOnly);
    const auto id = parseCount(call.query.decoded("fid"));
    if (!id)
        return XmlAnswer::refusal("参数无效");
    return XmlAnswer::from(
        ShareStore(call.tx(), call.accountId)
            .setLink(*id, call.query.decoded("link_name"), call.query.decoded("domain")));
}

XmlAnswer cancelFileOutLink(ApiCall& call) {
    const auto ids = parseIdList(call.query.decoded("fids"));
    if (!ids)
        return XmlAnswer::refusal("参数无效");
    return XmlAnswer::from(ShareStore(call.tx(), call.accountId).cancelLinks(*ids));
}

XmlAnswer fileOutLink(ApiCall& call, bool withSettings) {
    const auto id = parseCount(call.query.decoded("fid"));
    const auto link = id ? ShareStore(call.tx(), call.accountId).linkOf(*id) : std::nullopt;
    if (!link)
        return XmlAnswer::refusal("该文件没有启用直链");
    XmlNode file("file");
    file.attr("id", link->fileId).attr("url", linkUrl(call, *link));
    if (withSettings)
        file.attr("linkname", link->linkName)
            .attr("linkkey", link->linkKey)
            .attr("domain", link->domains);
    return XmlAnswer::success().add(std::move(file));
}

}  // namespace

void addSharingOperations(ApiRouter& router) {
    addFolderAndFileOperation(router, "FolderShare", "FileShare",
                              {"downpwd", "downValue", "description"}, shareItems, "dirids",
                              "fids");
    addFolderAndFileOperation(router, "FolderShareCancle", "FileShareCancle", {}, cancelShares,
                              "dirids", "fids");
    addFolderAndFileOperation(router, "GetFolderShareLink", "GetFileShareLink", {}, shareLink,
                              "dirid", "fid");
    addFolderAndFileOperation(router, "GetFolderEmailShareInfo", "GetFileEmailShareInfo", {},
                              emailShareInfo, "dirid", "fid");
    router.add(
        {"/fileservice.asmx/FileEmailShare", {"fid", "to"}, Signing::Values, fileEmailShare});
    router.add({"/fileservice.asmx/FileOutLinkSetting",
                {"fid", "link_name", "domain"},
                Signing::Values,
                fileOutLinkSetting});
    router.add(
        {"/fileservice.asmx/CancleFileOutLink", {"fids"}, Signing::Values, cancelFileOutLink});
    router.add({"/fileservice.asmx/GetFileOutLink", {"fid"}, Signing::Values, [](ApiCall& call) {
                    return fileOutLink(call, false);
                }});
    router.add(
        {"/fileservice.asmx/GetFileOutLinkInfo", {"fid"}, Signing::Values, [](ApiCall& call) {
             return fileOutLink(call, true);
         }});
}

}  // namespace nubexa::standin
