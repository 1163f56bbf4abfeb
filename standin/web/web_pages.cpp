// The site's own pages: home with sign-in, registration, password reset, help and the account
// pages the client links to (membership, direct-link service, more space).
#include "standin/store/extras_store.h"
#include "standin/web/html_page.h"
#include "standin/store/listing_store.h"
#include "standin/store/session_store.h"
#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

std::string field(const char* label, const char* name, const char* type,
                  const std::string& value = {}) {
    return std::string("<label>") + label + "</label><input type=\"" + type + "\" name=\"" + name +
           "\" value=\"" + htmlEscape(value) + "\">";
}

std::string message(const std::string& text, bool error) {
    return text.empty() ? std::string()
                        : "<p class=\"" + std::string(error ? "error" : "ok") + "\">" +
                              htmlEscape(text) + "</p>";
}

std::string signInForm(const std::string& next, const std::string& error) {
    return message(error, true) + "<form method=\"post\" action=\"/home\">" +
           field("用户名", "name", "text") + field("密码", "password", "password") +
           "<input type=\"hidden\" name=\"next\" value=\"" + htmlEscape(next) +
           "\"><button type=\"submit\">登录</button></form>"
           "<p><a href=\"/register.aspx\">注册新账号</a> · <a "
           "href=\"/reset.aspx\">忘记密码</a></p>";
}

std::string accountSummary(const ServiceContext& service, const Account& account) {
    SqlTx tx(service.database);
    const std::int64_t used = AccountStore(tx).usedSize(account.id);
    std::string html = "<table><tr><th>用户名</th><td>" + htmlEscape(account.name) +
                       "</td></tr><tr><th>昵称</th><td>" + htmlEscape(account.nickname) +
                       "</td></tr><tr><th>VIP会员</th><td>" + (account.vip ? "已开通" : "未开通") +
                       "</td></tr><tr><th>直链服务</th><td>" + (account.wip ? "已开通" : "未开通") +
                       "</td></tr><tr><th>积分</th><td>" + std::to_string(account.integral) +
                       "</td></tr><tr><th>空间</th><td>" + sizeForPeople(used) + " / " +
                       sizeForPeople(account.diskSize) + "</td></tr><tr><th>单文件上限</th><td>" +
                       sizeForPeople(account.uploadLimit) + "</td></tr></table>";
    html += "<h3>我的网盘</h3><ul>";
    const Listing root = ListingStore(tx, account.id).folder(0);
    for (const auto& folder : root.folders)
        html += "<li>📁 " + htmlEscape(folder.row.name) + (folder.row.pwd.empty() ? "" : " [密]") +
                "</li>";
    for (const auto& file : root.files)
        html += "<li>" + htmlEscape(file.row.fullName()) + " (" + sizeForPeople(file.row.size) +
                ")</li>";
    html +=
        "</ul><p><a href=\"/account/recommend.aspx\">会员服务</a> · "
        "<a href=\"/account/wip.aspx\">直链服务</a> · "
        "<a href=\"/account/upspace.aspx\">扩容</a></p>";
    return html;
}

void home(const ServiceContext& service, const httplib::Request& request,
          httplib::Response& response) {
    const auto who = browserAccount(service, request);
    if (who) {
        sendPage(response, 200, renderPage("我的账号", accountSummary(service, *who), who));
        return;
    }
    sendPage(response, 200,
             renderPage("登录", signInForm(formValue(request, "next"), {}), std::nullopt));
}

void homeSignIn(const ServiceContext& service, const httplib::Request& request,
                httplib::Response& response) {
    const std::string next = safeLocalPath(formValue(request, "next"));
    const auto account =
        signIn(service.database, formValue(request, "name"), formValue(request, "password"));
    if (!account) {
        sendPage(response, 200,
                 renderPage("登录", signInForm(next, "用户名或密码错误"), std::nullopt));
        return;
    }
    SqlTx tx(service.database);
    const std::string cookie = SessionStore(tx).openBrowserSession(account->id);
    tx.commit();
    setBrowserCookie(response, cookie);
    redirect(response, next);
}

void logout(const ServiceContext& service, const httplib::Request& request,
            httplib::Response& response) {
    {
        SqlTx tx(service.database);
        SessionStore(tx).closeBrowserSession(browserCookie(request));
        tx.commit();
    }
    setBrowserCookie(response, "");
    redirect(response, "/home");
}

std::string registerForm(const httplib::Request& request, const std::string& error) {
    return message(error, true) + "<form method=\"post\" action=\"/register.aspx\">" +
           field("用户名（2到32个字符）", "name", "text", formValue(request, "name")) +
           field("昵称", "nickname", "text", formValue(request, "nickname")) +
           field("邮箱（找回密码用）", "email", "email", formValue(request, "email")) +
           field("密码（至少6位）", "password", "password") +
           field("确认密码", "password2", "password") +
           "<button type=\"submit\">注册</button></form>";
}

void registerPage(const ServiceContext&, const httplib::Request& request,
                  httplib::Response& response) {
    sendPage(response, 200, renderPage("注册新账号", registerForm(request, {}), std::nullopt));
}

void registerAccount(const ServiceContext& service, const httplib::Request& request,
                     httplib::Response& response) {
    if (formValue(request, "password") != formValue(request, "password2")) {
        sendPage(
            response, 200,
            renderPage("注册新账号", registerForm(request, "两次输入密码不一致"), std::nullopt));
        return;
    }
    NewAccount fields;
    fields.name = formValue(request, "name");
    fields.nickname = formValue(request, "nickname");
    fields.email = formValue(request, "email");
    fields.password = formValue(request, "password");
    SqlTx tx(service.database);
    std::int64_t id = 0;
    const Outcome created = AccountStore(tx).create(fields, id);
    std::string cookie;
    if (created)
        cookie = SessionStore(tx).openBrowserSession(id);
    if (!created || !tx.commit()) {
        sendPage(
            response, 200,
            renderPage("注册新账号",
                       registerForm(request, created ? "注册失败，请稍后再试" : created.message),
                       std::nullopt));
        return;
    }
    setBrowserCookie(response, cookie);
    sendPage(
        response, 200,
        renderPage("注册成功",
                   message("账号 " + fields.name + " 已创建，现在可以在客户端登录了。", false) +
                       "<p><a href=\"/home\">进入我的账号</a></p>",
                   std::nullopt));
}

std::string resetForm(const httplib::Request& request, const std::string& error) {
    return message(error, true) +
           "<p>请输入注册时填写的邮箱。（本地服务不发送邮件，邮箱相符即可直接设置新密码。）</p>"
           "<form method=\"post\" action=\"/reset.aspx\">" +
           field("用户名", "name", "text", formValue(request, "name")) +
           field("邮箱", "email", "email", formValue(request, "email")) +
           field("新密码", "password", "password") + field("确认新密码", "password2", "password") +
           "<button type=\"submit\">重设密码</button></form>";
}

void resetPage(const ServiceContext&, const httplib::Request& request,
               httplib::Response& response) {
    sendPage(response, 200, renderPage("找回密码", resetForm(request, {}), std::nullopt));
}

void resetPassword(const ServiceContext& service, const httplib::Request& request,
                   httplib::Response& response) {
    auto fail = [&](const std::string& error) {
        sendPage(response, 200, renderPage("找回密码", resetForm(request, error), std::nullopt));
    };
    if (formValue(request, "password") != formValue(request, "password2"))
        return fail("两次输入密码不一致");
    SqlTx tx(service.database);
    AccountStore accounts(tx);
    const auto account = accounts.byName(formValue(request, "name"));
    const std::string email = formValue(request, "email");
    if (!account || account->email.empty() || foldCase(account->email) != foldCase(email))
        return fail("用户名与邮箱不匹配");
    const Outcome changed = accounts.setPassword(account->id, formValue(request, "password"));
    if (!changed || !tx.commit())
        return fail(changed ? "设置失败，请稍后再试" : changed.message);
    sendPage(
        response, 200,
        renderPage("找回密码", message("新密码已生效，请用新密码登录。", false), std::nullopt));
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

// An account page: what it shows, the button's text and what the button does.
struct ServicePage {
    const char* title;
    std::string (*describe)(const Account&);
    const char* action;
    void (*apply)(SqlTx&, const Account&, const httplib::Request&);
};

void serviceGet(const ServiceContext& service, const ServicePage& page,
                const httplib::Request& request, httplib::Response& response) {
    const auto who = browserAccount(service, request);
    if (!who) {
        sendPage(response, 200,
                 renderPage(page.title, signInForm(request.path, "请先登录"), std::nullopt));
        return;
    }
    const std::string body =
        page.describe(*who) + "<form method=\"post\">" + page.action + "</form>";
    sendPage(response, 200, renderPage(page.title, body, who));
}

void servicePost(const ServiceContext& service, const ServicePage& page,
                 const httplib::Request& request, httplib::Response& response) {
    const auto who = browserAccount(service, request);
    if (!who) {
        redirect(response, "/home?next=" + request.path);
        return;
    }
    SqlTx tx(service.database);
    page.apply(tx, *who, request);
    tx.commit();
    redirect(response, request.path);
}

const ServicePage kMembership{
    "会员服务",
    [](const Account& a) {
        return std::string(
                   "<p>邀请好友注册，双方各得1G空间。VIP会员可使用邮件私密分享。</"
                   "p><p>当前状态：") +
               (a.vip ? "VIP会员" : "普通用户") + "</p>";
    },
    "<button type=\"submit\">开通VIP（本地服务免费）</button>",
    [](SqlTx& tx, const Account& a, const httplib::Request&) {
        AccountStore(tx).setServices(a.id, true, a.wip);
    }};

const ServicePage kDirectLinks{
    "直链服务",
    [](const Account& a) {
        return std::string("<p>开通后可为文件设置自定义直链地址和防盗链白名单。</p><p>当前状态：") +
               (a.wip ? "已开通" : "未开通") + "</p>";
    },
    "<button type=\"submit\">开通直链服务（本地服务免费）</button>",
    [](SqlTx& tx, const Account& a, const httplib::Request&) {
        AccountStore(tx).setServices(a.id, a.vip, true);
    }};

const ServicePage kMoreSpace{
    "扩容", [](const Account& a) { return "<p>当前空间：" + sizeForPeople(a.diskSize) + "</p>"; },
    "<label><input type=\"radio\" name=\"gb\" value=\"1\" checked> 1 GB</label>"
    "<label><input type=\"radio\" name=\"gb\" value=\"5\"> 5 GB</label>"
    "<button type=\"submit\">扩容（本地服务免费）</button>",
    [](SqlTx& tx, const Account& a, const httplib::Request& request) {
        const std::int64_t gb = formValue(request, "gb") == "5" ? 5 : 1;
        AccountStore(tx).addDiskSize(a.id, gb << 30);
    }};

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
    get("/home", home);
    post("/home", homeSignIn);
    get("/logout.aspx", logout);
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
