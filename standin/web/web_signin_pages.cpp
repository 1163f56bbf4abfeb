// The pages that sign a client or a browser in from the web: the stand-in for the QQ and Sina
// sign-in, which ties the client's sid to a local account, and the token forwarding page.
#include "standin/web/html_page.h"
#include "standin/store/session_store.h"

namespace nubexa::standin {

namespace {

std::string providerName(const std::string& type) {
    return type == "sina" ? "新浪微博" : "QQ";
}

std::string confirmForm(const std::string& sid, const std::string& type,
                        const std::optional<Account>& who, const std::string& error) {
    std::string html;
    if (!error.empty())
        html += "<p class=\"error\">" + htmlEscape(error) + "</p>";
    html += "<p>本页代替" + providerName(type) +
            "的授权页面：选择一个Nubexa账号，确认后客户端即可登录。</p>";
    const std::string hidden = "<input type=\"hidden\" name=\"sid\" value=\"" + htmlEscape(sid) +
                               "\"><input type=\"hidden\" name=\"type\" value=\"" +
                               htmlEscape(type) + "\">";
    if (who) {
        html += "<form method=\"post\" action=\"/clientuserlogin.aspx\">" + hidden +
                "<input type=\"hidden\" name=\"confirm\" value=\"1\"><button type=\"submit\">以 " +
                htmlEscape(who->nickname) + "（" + htmlEscape(who->name) +
                "）的身份登录客户端</button></form><p>或使用其他账号：</p>";
    }
    html += "<form method=\"post\" action=\"/clientuserlogin.aspx\">" + hidden +
            "<label>用户名</label><input type=\"text\" name=\"name\"><label>密码</label>"
            "<input type=\"password\" name=\"password\"><button type=\"submit\">授权并登录"
            "</button></form>";
    return html;
}

void showSignIn(const ServiceContext& service, const httplib::Request& request,
                httplib::Response& response) {
    const std::string sid = formValue(request, "sid");
    const std::string type = formValue(request, "type");
    const auto who = browserAccount(service, request);
    if (!SessionStore::isValidSid(sid)) {
        sendPage(response, 400,
                 renderPage("登录", "<p class=\"error\">登录请求无效，请从客户端重新发起登录。</p>",
                            who));
        return;
    }
    sendPage(response, 200,
             renderPage(providerName(type) + "登录", confirmForm(sid, type, who, {}), who));
}

void confirmSignIn(const ServiceContext& service, const httplib::Request& request,
                   httplib::Response& response) {
    const std::string sid = formValue(request, "sid");
    const std::string type = formValue(request, "type") == "sina" ? "sina" : "qq";
    const auto who = browserAccount(service, request);
    const bool confirmed = formValue(request, "confirm") == "1" && who;
    const std::optional<Account> account =
        confirmed
            ? who
            : signIn(service.database, formValue(request, "name"), formValue(request, "password"));
    SqlTx tx(service.database);
    std::string cookie;
    if (account && !confirmed)
        cookie = SessionStore(tx).openBrowserSession(account->id);
    if (!account) {
        sendPage(response, 200,
                 renderPage(providerName(type) + "登录",
                            confirmForm(sid, type, who, "用户名或密码错误"), who));
        return;
    }
    const Outcome tied = SessionStore(tx).confirmSid(sid, type, account->id);
    if (!tied || !tx.commit()) {
        sendPage(response, 400,
                 renderPage("登录",
                            "<p class=\"error\">" +
                                htmlEscape(tied ? "登录失败，请稍后再试" : tied.message) + "</p>",
                            who));
        return;
    }
    if (!cookie.empty())
        setBrowserCookie(response, cookie);
    sendPage(response, 200,
             renderPage("登录成功",
                        "<p class=\"ok\">" + htmlEscape(account->nickname) +
                            "，授权成功。请返回Nubexa客户端，客户端会自动完成登录。</p>",
                        account));
}

// Forwards only to this service or to a page on the host the browser used to reach it.
bool mayForwardTo(const ServiceContext& service, const httplib::Request& request,
                  const std::string& url) {
    if (safeLocalPath(url) == url)
        return true;
    const std::string host = request.get_header_value("Host");
    for (const std::string& allowed :
         {service.publicBase + "/", host.empty() ? std::string() : "http://" + host + "/"}) {
        if (!allowed.empty() && url.compare(0, allowed.size(), allowed) == 0)
            return url.find_first_of("\r\n") == std::string::npos;
    }
    return false;
}

void paramOAuth(const ServiceContext& service, const httplib::Request& request,
                httplib::Response& response) {
    const std::string url = formValue(request, "url");
    std::string cookie;
    {
        SqlTx tx(service.database);
        SessionStore sessions(tx);
        if (const auto accountId = sessions.accountOfParamToken(formValue(request, "token"))) {
            cookie = sessions.openBrowserSession(*accountId);
            if (!tx.commit())
                cookie.clear();
        }
    }
    if (!cookie.empty())
        setBrowserCookie(response, cookie);
    const std::string target = url.empty() ? "/home" : url;
    if (mayForwardTo(service, request, target)) {
        redirect(response, target);
        return;
    }
    const std::string note = cookie.empty() ? "登录信息已失效，请在网页上重新登录。" : "已登录。";
    sendPage(response, 200,
             renderPage("即将离开Nubexa网盘",
                        "<p>" + std::string(note) + "您要打开的是外部网站：</p><p><a href=\"" +
                            htmlEscape(target) + "\" rel=\"noreferrer\">" + htmlEscape(target) +
                            "</a></p>",
                        std::nullopt));
}

}  // namespace

void mountSignInPages(httplib::Server& server, const ServiceContext& service) {
    server.Get(
        "/clientuserlogin.aspx",
        [&service](const httplib::Request& q, httplib::Response& r) { showSignIn(service, q, r); });
    server.Post("/clientuserlogin.aspx",
                [&service](const httplib::Request& q, httplib::Response& r) {
                    confirmSignIn(service, q, r);
                });
    server.Get("/paramoauth.aspx", [&service](const httplib::Request& q, httplib::Response& r) {
        paramOAuth(service, q, r);
    });
}

}  // namespace nubexa::standin
