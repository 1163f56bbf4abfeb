// The site's own pages: home with sign-in, registration, password reset, help and the account
// pages the client links to (membership, direct-link service, more space).
#include "standin/demo/sample_content.h"
#include "standin/store/extras_store.h"
#include "standin/store/folder_store.h"
#include "standin/store/listing_store.h"
#include "standin/store/session_store.h"
#include "standin/util/crypto_util.h"
#include "standin/util/text_util.h"
#include "standin/web/form_guard.h"
#include "standin/web/html_page.h"

namespace nubexa::standin {

namespace {

// A labelled input; `limit` (characters) also tells the browser, so nothing longer is sent.
std::string field(const std::string& label, const char* name, const char* type,
                  const std::string& value = {}, int limit = 64) {
    return "<label for=\"" + std::string(name) + "\">" + label + "</label><input type=\"" + type +
           "\" id=\"" + name + "\" name=\"" + name + "\" maxlength=\"" + std::to_string(limit) +
           "\" value=\"" + htmlEscape(value) + "\">";
}

std::string message(const std::string& text, bool error) {
    return text.empty() ? std::string()
                        : "<p class=\"" + std::string(error ? "error" : "ok") + "\">" +
                              htmlEscape(text) + "</p>";
}

std::string signInForm(const std::string& next, const std::string& error, const std::string& name,
                       const std::string& token) {
    return message(error, true) + "<form method=\"post\" action=\"/home\">" + token +
           field("用户名", "name", "text", name, 100) + field("密码", "password", "password") +
           "<input type=\"hidden\" name=\"next\" value=\"" + htmlEscape(next) +
           "\"><button type=\"submit\">登录</button></form>"
           "<p><a href=\"/register.aspx\">注册新账号</a> · <a "
           "href=\"/reset.aspx\">忘记密码</a></p>";
}

// The account overview with one folder of the disk; folders open in place, protected ones
// only in the client.
std::string accountSummary(const ServiceContext& service, const Account& account,
                           std::int64_t dir) {
    SqlTx tx(service.database);
    FolderStore folders(tx, account.id);
    const auto shown = dir == 0 ? std::optional<FolderRow>(FolderRow{}) : folders.folder(dir);
    if (!shown || shown->binEntry != 0 || !shown->pwd.empty())
        dir = 0;
    const std::int64_t used = AccountStore(tx).usedSize(account.id);
    std::string html = "<table><tr><th>用户名</th><td>" + htmlEscape(account.name) +
                       "</td></tr><tr><th>昵称</th><td>" + htmlEscape(account.nickname) +
                       "</td></tr><tr><th>VIP会员</th><td>" + (account.vip ? "已开通" : "未开通") +
                       "</td></tr><tr><th>直链服务</th><td>" + (account.wip ? "已开通" : "未开通") +
                       "</td></tr><tr><th>积分</th><td>" + std::to_string(account.integral) +
                       "</td></tr><tr><th>空间</th><td>" + sizeForPeople(used) + " / " +
                       sizeForPeople(account.diskSize) + "</td></tr><tr><th>单文件上限</th><td>" +
                       sizeForPeople(account.uploadLimit) + "</td></tr></table>";
    html += "<h3>我的网盘</h3><p class=\"path\"><a href=\"/home\">全部文件</a>";
    if (dir != 0) {
        const auto names = folders.pathNames(dir);
        for (const auto& name : names)
            html += " / " + htmlEscape(name);
        html += " · <a href=\"/home" +
                (shown->parentId == 0 ? std::string() : "?dir=" + std::to_string(shown->parentId)) +
                "\">返回上一级</a>";
    }
    html += "</p><ul class=\"files\">";
    const Listing listing = ListingStore(tx, account.id).folder(dir);
    for (const auto& folder : listing.folders) {
        html += folder.row.pwd.empty()
                    ? "<li><a href=\"/home?dir=" + std::to_string(folder.row.id) +
                          "\"><span class=\"dir\"></span>" + htmlEscape(folder.row.name) +
                          "</a></li>"
                    : "<li><span class=\"dir\"></span>" + htmlEscape(folder.row.name) + kLockBadge +
                          " <span class=\"note\">（请在客户端中打开）</span></li>";
    }
    for (const auto& file : listing.files)
        html += "<li>" + htmlEscape(file.row.fullName()) + " (" + sizeForPeople(file.row.size) +
                ")</li>";
    if (listing.folders.empty() && listing.files.empty())
        html += "<li class=\"note\">（空文件夹）</li>";
    html +=
        "</ul><p><a href=\"/account/recommend.aspx\">会员服务</a> · "
        "<a href=\"/account/wip.aspx\">直链服务</a> · "
        "<a href=\"/account/upspace.aspx\">扩容</a></p>";
    return html;
}

void showSignIn(const ServiceContext& service, const httplib::Request& request,
                httplib::Response& response, const std::string& next, const std::string& error,
                int status = 200) {
    sendPage(response, status,
             renderPage("登录",
                        signInForm(next, error, formValue(request, "name"),
                                   FormGuard::field(service, request, response)),
                        browserAccount(service, request)));
}

void home(const ServiceContext& service, const httplib::Request& request,
          httplib::Response& response) {
    const auto who = browserAccount(service, request);
    if (who) {
        const auto dir = parseCount(formValue(request, "dir")).value_or(0);
        sendPage(response, 200, renderPage("我的账号", accountSummary(service, *who, dir), who));
        return;
    }
    showSignIn(service, request, response, formValue(request, "next"), {});
}

void homeSignIn(const ServiceContext& service, const httplib::Request& request,
                httplib::Response& response) {
    const std::string next = safeLocalPath(formValue(request, "next"));
    if (!FormGuard::accepts(service, request))
        return showSignIn(service, request, response, next, kFormExpired, 403);
    const auto [account, refusal] = signInFromForm(service, request);
    if (!account)
        return showSignIn(service, request, response, next, refusal);
    SqlTx tx(service.database);
    const std::string cookie = SessionStore(tx).openBrowserSession(account->id);
    tx.commit();
    setBrowserCookie(response, cookie);
    redirect(response, next);
}

// Leaving is a form: a link or a picture on another page must not sign the browser out.
void logoutPage(const ServiceContext& service, const httplib::Request& request,
                httplib::Response& response, const std::string& note = {}, int status = 200) {
    const auto who = browserAccount(service, request);
    if (!who) {
        redirect(response, "/home");
        return;
    }
    sendPage(response, status,
             renderPage("退出登录",
                        message(note, true) + "<form method=\"post\" action=\"/logout.aspx\">" +
                            FormGuard::field(service, request, response) +
                            "<p>要在此浏览器上退出 " + htmlEscape(who->name) +
                            " 吗？</p><button type=\"submit\">退出登录</button></form>",
                        who));
}

void logout(const ServiceContext& service, const httplib::Request& request,
            httplib::Response& response) {
    if (!FormGuard::accepts(service, request))
        return logoutPage(service, request, response, kFormExpired, 403);
    {
        SqlTx tx(service.database);
        SessionStore(tx).closeBrowserSession(browserCookie(request));
        tx.commit();
    }
    setBrowserCookie(response, "");
    redirect(response, "/home");
}

std::string registerForm(const httplib::Request& request, const std::string& error,
                         const std::string& token) {
    return message(error, true) + "<form method=\"post\" action=\"/register.aspx\">" + token +
           field("用户名（2到32个字符）", "name", "text", formValue(request, "name"), 32) +
           field("昵称（最多" + std::to_string(AccountStore::kMaxNickname) + "个字符，可不填）",
                 "nickname", "text", formValue(request, "nickname"), AccountStore::kMaxNickname) +
           field("邮箱（用于找回密码；不填将无法找回密码）", "email", "email",
                 formValue(request, "email"), 100) +
           field("密码（6到64位）", "password", "password") +
           field("确认密码", "password2", "password") +
           "<button type=\"submit\">注册</button></form>";
}

void showRegister(const ServiceContext& service, const httplib::Request& request,
                  httplib::Response& response, const std::string& error, int status = 200) {
    sendPage(response, status,
             renderPage("注册新账号",
                        registerForm(request, error, FormGuard::field(service, request, response)),
                        browserAccount(service, request)));
}

void registerPage(const ServiceContext& service, const httplib::Request& request,
                  httplib::Response& response) {
    const auto who = browserAccount(service, request);
    if (formValue(request, "done") == "1" && who) {
        std::string body =
            message("账号 " + who->name + " 已创建，现在可以在客户端登录了。", false);
        if (who->email.empty())
            body += "<p class=\"error\">您没有填写邮箱：忘记密码时将无法找回。</p>";
        body += "<p><a href=\"/home\">进入我的账号</a></p>";
        sendPage(response, 200, renderPage("注册成功", body, who));
        return;
    }
    showRegister(service, request, response, {});
}

void registerAccount(const ServiceContext& service, const httplib::Request& request,
                     httplib::Response& response) {
    if (!FormGuard::accepts(service, request))
        return showRegister(service, request, response, kFormExpired, 403);
    if (formValue(request, "password") != formValue(request, "password2"))
        return showRegister(service, request, response, "两次输入密码不一致");
    NewAccount fields;
    fields.name = formValue(request, "name");
    fields.nickname = formValue(request, "nickname");
    fields.email = formValue(request, "email");
    fields.password = formValue(request, "password");
    Outcome created;
    std::string cookie;
    {
        SqlTx tx(service.database);
        std::int64_t id = 0;
        created = AccountStore(tx).create(fields, id);
        if (created)
            cookie = SessionStore(tx).openBrowserSession(id);
        if (created && !tx.commit())
            created = Outcome::failure("注册失败，请稍后再试");
    }
    if (!created)
        return showRegister(service, request, response, created.message);
    setBrowserCookie(response, cookie);
    redirect(response, "/register.aspx?done=1");
}

std::string resetRequestForm(const httplib::Request& request, const std::string& error,
                             const std::string& token) {
    return message(error, true) +
           "<p>输入用户名和注册时填写的邮箱，我们会把重设密码的链接发到这个邮箱。</p>"
           "<form method=\"post\" action=\"/reset.aspx\">" +
           token + field("用户名", "name", "text", formValue(request, "name")) +
           field("邮箱", "email", "email", formValue(request, "email")) +
           "<button type=\"submit\">发送重设链接</button></form>";
}

std::string newPasswordForm(const std::string& resetToken, const std::string& error,
                            const std::string& token) {
    return message(error, true) + "<form method=\"post\" action=\"/reset.aspx\">" + token +
           "<input type=\"hidden\" name=\"reset\" value=\"" + htmlEscape(resetToken) + "\">" +
           field("新密码（至少6位）", "password", "password") +
           field("确认新密码", "password2", "password") +
           "<button type=\"submit\">设置新密码</button></form>";
}

constexpr const char* kResetLinkSpent = "重设链接已失效或已使用，请重新申请。";

void resetPage(const ServiceContext& service, const httplib::Request& request,
               httplib::Response& response) {
    const std::string token = FormGuard::field(service, request, response);
    const auto who = browserAccount(service, request);
    std::string body;
    if (formValue(request, "sent") == "1") {
        body = message("重设密码的链接已发出，30分钟内有效，只能使用一次。", false) +
               "<p>本地服务不发送邮件：邮件保存在服务数据文件夹的 outbox 文件夹中。</p>";
    } else if (formValue(request, "done") == "1") {
        body = message("新密码已生效，请用新密码登录。", false) +
               "<p><a href=\"/home\">去登录</a></p>";
    } else if (const std::string reset = formValue(request, "token"); !reset.empty()) {
        SqlTx tx(service.database);
        body = AccountStore(tx).accountOfReset(reset)
                   ? newPasswordForm(reset, {}, token)
                   : message(kResetLinkSpent, true) + resetRequestForm(request, {}, token);
    } else {
        body = resetRequestForm(request, {}, token);
    }
    sendPage(response, 200, renderPage("找回密码", body, who));
}

// The stand-in sends no mail: the message lands in the outbox folder, where a real service
// would hand it to a mail server.
void mailResetLink(const ServiceContext& service, const Account& account,
                   const std::string& resetToken) {
    const std::string link = service.publicBase + "/reset.aspx?token=" + resetToken;
    const std::string mail =
        "From: noreply@nubexa.invalid\r\nTo: " + account.email +
        "\r\nSubject: Nubexa网盘 重设密码\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n" +
        account.nickname +
        "，您好：\r\n\r\n打开下面的链接设置新密码（30分钟内有效，只能使用一次）：\r\n" + link +
        "\r\n\r\n如果不是您本人申请，请忽略这封邮件。\r\n";
    const std::string path = service.content.outboxFolder() + std::to_string(nowSeconds()) +
                             "-reset-" + std::to_string(account.id) + "-" + randomHex(4) + ".eml";
    if (auto written = service.content.writeWhole(path, mail); !written)
        service.log.line("outbox: " + written.message);
}

void requestReset(const ServiceContext& service, const httplib::Request& request,
                  httplib::Response& response) {
    const auto who = browserAccount(service, request);
    auto fail = [&](const std::string& error) {
        sendPage(response, 200,
                 renderPage(
                     "找回密码",
                     resetRequestForm(request, error, FormGuard::field(service, request, response)),
                     who));
    };
    const std::string address = request.remote_addr;
    std::optional<Account> account;
    {
        SqlTx tx(service.database);
        account = AccountStore(tx).byName(formValue(request, "name"));
    }
    // Each request counts, so neither mails to one account nor guesses of addresses can flood.
    const std::string key = account ? "reset#" + std::to_string(account->id) : "reset";
    if (!service.signIns.mayTry(key, address))
        return fail("申请过于频繁，请稍后再试");
    service.signIns.failed(key, address);
    if (!account)
        return fail("没有这个用户名");
    if (account->email.empty())
        return fail("该账号注册时没有填写邮箱，无法通过邮箱找回密码");
    if (foldCase(account->email) != foldCase(formValue(request, "email")))
        return fail("邮箱与该账号注册时填写的不一致");
    std::string resetToken;
    {
        SqlTx tx(service.database);
        resetToken = AccountStore(tx).openPasswordReset(account->id);
        if (!tx.commit())
            return fail("发送失败，请稍后再试");
    }
    mailResetLink(service, *account, resetToken);
    redirect(response, "/reset.aspx?sent=1");
}

void completeReset(const ServiceContext& service, const httplib::Request& request,
                   httplib::Response& response) {
    const std::string resetToken = formValue(request, "reset");
    const auto who = browserAccount(service, request);
    auto fail = [&](const std::string& error) {
        sendPage(response, 200,
                 renderPage("找回密码",
                            newPasswordForm(resetToken, error,
                                            FormGuard::field(service, request, response)),
                            who));
    };
    SqlTx tx(service.database);
    AccountStore accounts(tx);
    const auto accountId = accounts.accountOfReset(resetToken);
    if (!accountId) {
        sendPage(response, 200,
                 renderPage("找回密码",
                            message(kResetLinkSpent, true) +
                                resetRequestForm(request, {},
                                                 FormGuard::field(service, request, response)),
                            who));
        return;
    }
    if (formValue(request, "password") != formValue(request, "password2"))
        return fail("两次输入密码不一致");
    const Outcome changed = accounts.setPassword(*accountId, formValue(request, "password"));
    if (!changed || !tx.commit())
        return fail(changed ? "设置失败，请稍后再试" : changed.message);
    redirect(response, "/reset.aspx?done=1");
}

void resetPassword(const ServiceContext& service, const httplib::Request& request,
                   httplib::Response& response) {
    if (!FormGuard::accepts(service, request)) {
        const std::string reset = formValue(request, "reset");
        sendPage(response, 403,
                 renderPage("找回密码",
                            reset.empty()
                                ? resetRequestForm(request, kFormExpired,
                                                   FormGuard::field(service, request, response))
                                : newPasswordForm(reset, kFormExpired,
                                                  FormGuard::field(service, request, response)),
                            browserAccount(service, request)));
        return;
    }
    if (formValue(request, "reset").empty())
        requestReset(service, request, response);
    else
        completeReset(service, request, response);
}

void help(const ServiceContext& service, const httplib::Request& request,
          httplib::Response& response) {
    const std::string body =
        "<p>Nubexa网盘是一个云端网盘：在客户端登录后即可浏览、管理、分享和传输文件。</p>"
        "<h3>常见问题</h3><ul>"
        "<li>上传支持断点续传：暂停或断网后再开始会从中断处继续。</li>"
        "<li>删除的文件先进入回收站，可以还原；彻底删除后释放空间。</li>"
        "<li>加密的文件夹需要输入密码才能打开。</li>"
        "<li>外链分享可设置提取码和下载积分；邮件分享为VIP服务。</li>"
        "<li>直链服务开通后，可为文件设置自定义直链地址和防盗链白名单。</li>"
        "<li>每天可以签到抽取一次额外容量。</li></ul>";
    sendPage(response, 200, renderPage("帮助中心", body, browserAccount(service, request)));
}

// An account page: what it shows, the form (none when there is nothing left to do), what the
// form does and what the page says once it is done.
struct ServicePage {
    const char* title;
    std::string (*describe)(const ServiceContext&, const Account&);
    std::string (*form)(const Account&);
    Outcome (*apply)(SqlTx&, const Account&, const httplib::Request&);
    const char* done;
};

void serviceGet(const ServiceContext& service, const ServicePage& page,
                const httplib::Request& request, httplib::Response& response,
                const std::string& error = {}, int status = 200) {
    const auto who = browserAccount(service, request);
    if (!who) {
        sendPage(response, 200,
                 renderPage(page.title,
                            signInForm(request.path, "请先登录", {},
                                       FormGuard::field(service, request, response)),
                            std::nullopt));
        return;
    }
    std::string body = message(error, true);
    if (error.empty() && formValue(request, "done") == "1")
        body += message(page.done, false);
    body += page.describe(service, *who);
    if (const std::string form = page.form(*who); !form.empty())
        body += "<form method=\"post\">" + FormGuard::field(service, request, response) + form +
                "</form>";
    sendPage(response, status, renderPage(page.title, body, who));
}

void servicePost(const ServiceContext& service, const ServicePage& page,
                 const httplib::Request& request, httplib::Response& response) {
    const auto who = browserAccount(service, request);
    if (!who) {
        redirect(response, "/home?next=" + request.path);
        return;
    }
    if (!FormGuard::accepts(service, request))
        return serviceGet(service, page, request, response, kFormExpired, 403);
    Outcome applied;
    {
        SqlTx tx(service.database);
        applied = page.apply(tx, *who, request);
        if (applied && !tx.commit())
            applied = Outcome::failure("操作失败，请稍后再试");
    }
    if (!applied)
        return serviceGet(service, page, request, response, applied.message);
    // After a post the browser shows a page of its own, so reloading it posts nothing again.
    redirect(response, request.path + "?done=1");
}

const ServicePage kMembership{
    "会员服务",
    [](const ServiceContext& service, const Account& a) {
        const std::string invite =
            service.publicBase + "/register.aspx?invite=" + percentEncode(a.name);
        return "<p>邀请好友注册，双方各得1G空间。把下面的邀请链接发给好友：</p>"
               "<p class=\"invite\"><input type=\"text\" readonly value=\"" +
               htmlEscape(invite) +
               "\" aria-label=\"邀请链接\"></p>"
               "<p>VIP会员可使用邮件私密分享。当前状态：" +
               std::string(a.vip ? "VIP会员" : "普通用户") + "</p>";
    },
    [](const Account& a) {
        return std::string(a.vip ? "" : "<button type=\"submit\">开通VIP（本地服务免费）</button>");
    },
    [](SqlTx& tx, const Account& a, const httplib::Request&) {
        AccountStore(tx).setServices(a.id, true, a.wip);
        return Outcome::success();
    },
    "VIP会员已开通。"};

const ServicePage kDirectLinks{
    "直链服务",
    [](const ServiceContext&, const Account& a) {
        return std::string("<p>开通后可为文件设置自定义直链地址和防盗链白名单。</p><p>当前状态：") +
               (a.wip ? "已开通" : "未开通") + "</p>";
    },
    [](const Account& a) {
        return std::string(a.wip ? ""
                                 : "<button type=\"submit\">开通直链服务（本地服务免费）</button>");
    },
    [](SqlTx& tx, const Account& a, const httplib::Request&) {
        AccountStore(tx).setServices(a.id, a.vip, true);
        return Outcome::success();
    },
    "直链服务已开通。"};

const ServicePage kMoreSpace{
    "扩容",
    [](const ServiceContext&, const Account& a) {
        return "<p>当前空间：" + sizeForPeople(a.diskSize) + "（本页最多扩容到 " +
               sizeForPeople(AccountStore::kMaxPurchasedDisk) + "）</p>";
    },
    [](const Account& a) {
        return std::string(
            a.diskSize >= AccountStore::kMaxPurchasedDisk
                ? ""
                : "<label><input type=\"radio\" name=\"gb\" value=\"1\" checked> 1 GB</label>"
                  "<label><input type=\"radio\" name=\"gb\" value=\"5\"> 5 GB</label>"
                  "<button type=\"submit\">扩容（本地服务免费）</button>");
    },
    [](SqlTx& tx, const Account& a, const httplib::Request& request) {
        const std::int64_t gb = formValue(request, "gb") == "5" ? 5 : 1;
        return AccountStore(tx).addPurchasedSpace(a.id, gb << 30);
    },
    "扩容成功。"};

}  // namespace

void mountAccountPages(httplib::Server& server, const ServiceContext& service) {
    using Page = void (*)(const ServiceContext&, const httplib::Request&, httplib::Response&);
    auto get = [&](const char* path, Page page) {
        server.Get(path, [&service, page](const httplib::Request& q, httplib::Response& r) {
            page(service, q, r);
        });
    };
    auto post = [&](const char* path, Page page) {
        server.Post(path, [&service, page](const httplib::Request& q, httplib::Response& r) {
            page(service, q, r);
        });
    };
    get("/", [](const ServiceContext&, const httplib::Request&, httplib::Response& r) {
        redirect(r, "/home");
    });
    get("/favicon.ico", [](const ServiceContext&, const httplib::Request&, httplib::Response& r) {
        static const std::string icon = makeProgramIconPng(32);
        r.set_header("Cache-Control", "max-age=86400");
        r.set_content(icon, "image/png");
    });
    get("/home", home);
    post("/home", homeSignIn);
    get("/logout.aspx", [](const ServiceContext& site, const httplib::Request& q,
                           httplib::Response& r) { logoutPage(site, q, r); });
    post("/logout.aspx", logout);
    get("/register.aspx", registerPage);
    post("/register.aspx", registerAccount);
    get("/reset.aspx", resetPage);
    post("/reset.aspx", resetPassword);
    get("/help", [](const ServiceContext&, const httplib::Request&, httplib::Response& r) {
        redirect(r, "/help/");
    });
    get("/help/", help);
    for (const auto& [path, page] : {std::pair{"/account/recommend.aspx", &kMembership},
                                     std::pair{"/account/wip.aspx", &kDirectLinks},
                                     std::pair{"/account/upspace.aspx", &kMoreSpace}}) {
        const ServicePage* shown = page;
        server.Get(path, [&service, shown](const httplib::Request& q, httplib::Response& r) {
            serviceGet(service, *shown, q, r);
        });
        server.Post(path, [&service, shown](const httplib::Request& q, httplib::Response& r) {
            servicePost(service, *shown, q, r);
        });
    }
}

}  // namespace nubexa::standin
