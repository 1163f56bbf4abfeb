// Sign-in and account operations: Login, GetUserInfo, APILogin, AddDrawDiskSize, Announcement.
#include "standin/store/account_store.h"
#include "standin/store/extras_store.h"
#include "standin/store/session_store.h"
#include "standin/util/text_util.h"
#include "standin/web/api_router.h"
#include "standin/web/signin_gate.h"

namespace nubexa::standin {

namespace {

// The "client" element of Login and APILogin.
XmlNode clientElement(ApiCall& call, const Account& account, const Session& session) {
    AccountStore accounts(call.tx());
    const int draws = ExtrasStore(call.tx()).drawsLeft(account.id);
    XmlNode client("client");
    client.attr("key", session.key)
        .attr("token", session.token)
        .attr("param_token", session.paramToken)
        .attr("uid", account.id)
        .attr("DiskSize", account.diskSize)
        .attr("UsedSize", accounts.usedSize(account.id))
        .attr("avatar", account.avatar)
        .attr("ftp_host", call.service.ftpHost)
        .attr("ftp_username", account.ftpUser)
        .attr("ftp_pwd", account.ftpPassword)
        .attr("ftp_port", std::int64_t{call.service.ftpPort})
        .attr("resource_ftp_host", call.service.ftpHost)
        .attr("resource_ftp_port", std::int64_t{call.service.ftpPort})
        .attr("resource_ftp_username", account.ftpUser)
        .attr("resource_ftp_pwd", account.ftpPassword)
        .attr("draw_count", std::int64_t{draws})
        .attr("max_draw_size", ExtrasStore::kMaxDrawMegabytes);
    return client;
}

XmlAnswer login(ApiCall& call) {
    // Names, addresses and passwords hold no blanks, so a "+" is the character itself, as a
    // client that sends them as typed writes an address like "a+b@example.com".
    SignInAttempt attempt =
        throttledSignIn(call.service, percentDecode(call.query.raw("uid"), false),
                        percentDecode(call.query.raw("pwd"), false), call.peer);
    if (!attempt.account)
        return XmlAnswer::refusal(attempt.refusal);
    const Account& account = *attempt.account;
    call.accountId = account.id;
    const Session session = SessionStore(call.tx()).open(account.id);
    return XmlAnswer::success().add(clientElement(call, account, session));
}

XmlAnswer apiLogin(ApiCall& call) {
    const auto session = SessionStore(call.tx()).completeSid(call.query.decoded("sid"));
    if (!session)
        return XmlAnswer::refusal("等待网页登录");
    const auto account = AccountStore(call.tx()).byId(session->accountId);
    if (!account)
        return XmlAnswer::refusal("账号不存在");
    call.accountId = account->id;
    return XmlAnswer::success().add(clientElement(call, *account, *session));
}

XmlAnswer userInfo(ApiCall& call) {
    const auto account = AccountStore(call.tx()).byId(call.accountId);
    if (!account)
        return XmlAnswer::refusal("账号不存在");
    XmlNode user("user");
    user.add(XmlNode::withText("VIP", account->vip ? "1" : "0"))
        .add(XmlNode::withText("WIP", account->wip ? "1" : "0"))
        .add(XmlNode::withText("Integral", std::to_string(account->integral)))
        .add(XmlNode::withText("Nickname", account->nickname))
        .add(XmlNode::withText("UploadSize", std::to_string(account->uploadLimit)));
    return XmlAnswer::success().add(std::move(user));
}

XmlAnswer addDrawDiskSize(ApiCall& call) {
    const auto bytes = parseCount(call.query.decoded("size"));
    if (!bytes)
        return XmlAnswer::refusal("抽取的容量无效");
    if (auto booked = ExtrasStore(call.tx()).bookDraw(call.accountId, *bytes); !booked)
        return XmlAnswer::refusal(booked.message);
    return XmlAnswer::success();
}

XmlAnswer announcement(ApiCall& call) {
    XmlNode anncs("anncs");
    for (const auto& notice : ExtrasStore(call.tx()).notices())
        anncs.add(XmlNode("item")
                      .attr("title", notice.title)
                      .attr("url", call.service.absolute(notice.url)));
    return XmlAnswer::success().add(std::move(anncs));
}

}  // namespace

void addAccountOperations(ApiRouter& router) {
    router.add({"/OAuthService.asmx/Login", {"uid", "pwd"}, Signing::None, login});
    router.add({"/OAuthService.asmx/APILogin", {"sid"}, Signing::None, apiLogin});
    router.add({"/UserService.asmx/GetUserInfo", {}, Signing::Values, userInfo});
    router.add({"/UserService.asmx/AddDrawDiskSize", {"size"}, Signing::Values, addDrawDiskSize});
    router.add({"/ExtendService.asmx/Announcement", {}, Signing::Values, announcement});
}

}  // namespace nubexa::standin
