// The pages that sign a client or a browser in from the web: the stand-in for the QQ and Sina
// sign-in, which ties the client's sid to a local account, and the token forwarding page.
#include "standin/store/session_store.h"
#include "standin/web/form_guard.h"
#include "standin/web/html_page.h"

namespace nubexa::standin {

namespace {

std::string providerName(const std::string& type) {
    return type == "sina" ? "新浪微博" : "QQ";
}

std::string confirmForm(const std::string& sid, const std::string& type,
                        const std::optional<Account>& who, const std::string& error,
                        const std::string& name, const std::string& token) {
    std::string html;
    if (!error.empty())
        html += "<p class=\"error\">" + htmlEscape(error) + "</p>";
    html += "<p>本页代替" + providerName(type) +
            "的授权页面：选择一个Nubexa账号，确认后客户端即可登录。</p>";
    const std::string hidden = "<input type=\"hidden\" name=\"sid\" value=\"" + htmlEscape(sid) +
                               "\"><input type=\"hidden\" name=\"type\" value=\"" +
                               htmlEscape(type) + "\">" + token;
    if (who) {
        html += "<form method=\"post\" action=\"/clientuserlogin.aspx\">" + hidden +
                "<input type=\"hidden\" name=\"confirm\" value=\"1\"><button type=\"submit\">以 " +
                htmlEscape(who->nickname) + "（" + htmlEscape(who->name) +
                "）的身份登录客户端</button></form><p>或使用其他账号：</p>";
    }
    html += "<form method=\"post\" action=\"/clientuserlogin.aspx\">" + hidden +
            "<label for=\"name\">用户名</label><input type=\"text\" id=\"name\" name=\"name\" "
            "maxlength=\"100\" value=\"" +
            htmlEscape(name) +
            "\"><label for=\"password\">密码</label><input type=\"password\" id=\"password\" "
            "name=\"password\" maxlength=\"64\"><button type=\"submit\">授权并登录</button></form>";
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
    if (formValue(request, "done") == "1" && who) {
        SqlTx tx(service.database);
        if (SessionStore(tx).confirmedAccount(sid) == who->id) {
            sendPage(response, 200,
                     renderPage("登录成功",
                                "<p class=\"ok\">" + htmlEscape(who->nickname) +
                                    "，授权成功。请返回Nubexa客户端，客户端会自动完成登录。</p>",
                                who));
            return;
        }
    }
    sendPage(response, 200,
             renderPage(
                 providerName(type) + "登录",
                 confirmForm(sid, type, who, {}, {}, FormGuard::field(service, request, response)),
                 who));
}

void confirmSignIn(const ServiceContext& service, const httplib::Request& request,
                   httplib::Response& response) {
    const std::string sid = formValue(request, "sid");
    const std::string type = formValue(request, "type") == "sina" ? "sina" : "qq";
    const auto who = browserAccount(service, request);
    auto showAgain = [&](const std::string& error, int status) {
        sendPage(response, status,
                 renderPage(providerName(type) + "登录",
                            confirmForm(sid, type, who, error, formValue(request, "name"),
                                        FormGuard::field(service, request, response)),
                            who));
    };
    // Without the form's token this may be another page posting for a signed-in browser,
    // which would hand that browser's account to whoever started the sid.
    if (!FormGuard::accepts(service, request))
        return showAgain(kFormExpired, 403);
    const bool confirmed = formValue(request, "confirm") == "1" && who;
    const SignInAttempt attempt =
        confirmed ? SignInAttempt{who, {}} : signInFromForm(service, request);
    const std::optional<Account>& account = attempt.account;
    if (!account)
        return showAgain(attempt.refusal, 200);
    SqlTx tx(service.database);
    std::string cookie;
    if (!confirmed)
        cookie = SessionStore(tx).openBrowserSession(account->id);
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
    // The page after it is a plain GET: reloading it posts nothing again.
    redirect(response, "/clientuserlogin.aspx?type=" + type + "&sid=" + sid + "&done=1");
}

// Forwards only to this service or to a page on the host the browser used to reach it, and
// only to paths of plain characters (see safeLocalPath).
bool mayForwardTo(const ServiceContext& service, const httplib::Request& request,
                  const std::string& url) {
    auto plainPath = [](const std::string& path) {
        return path == "/" || safeLocalPath(path) == path;
    };
    if (plainPath(url))
        return true;
    const std::string host = request.get_header_value("Host");
    for (const std::string& allowed :
         {service.publicBase + "/", host.empty() ? std::string() : "http://" + host + "/"}) {
        if (!allowed.empty() && url.compare(0, allowed.size(), allowed) == 0)
            return plainPath(url.substr(allowed.size() - 1));
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
        if (const auto accountId = sessions.redeemParamToken(formValue(request, "token"))) {
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
    // The header shows the browser as it now is: signed in by this token, or as it was.
    std::optional<Account> who;
    if (!cookie.empty()) {
        SqlTx tx(service.database);
        if (const auto accountId = SessionStore(tx).accountOfBrowser(cookie))
            who = AccountStore(tx).byId(*accountId);
    } else {
        who = browserAccount(service, request);
    }
    const std::string note =
        !cookie.empty() || who ? "已登录。" : "登录信息已失效，请在网页上重新登录。";
    sendPage(response, 200,
             renderPage("即将离开Nubexa网盘",
                        "<p>" + std::string(note) + "您要打开的是外部网站：</p><p><a href=\"" +
                            htmlEscape(target) + "\" rel=\"noreferrer\">" + htmlEscape(target) +
                            "</a></p>",
                        who));
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
