#include "standin/web/html_page.h"

#include <algorithm>

#include "standin/store/session_store.h"
#include "standin/web/raw_query.h"

namespace nubexa::standin {

namespace {

// One column that fits a phone (390 px) as well as a desktop window; long names wrap instead
// of widening the page.
constexpr const char* kStyle =
    "*{box-sizing:border-box}"
    "body{font-family:sans-serif;margin:0;background:#f3f6fa;color:#222;line-height:1.5}"
    "header{background:#1f6fb2;color:#fff;padding:10px 24px;display:flex;flex-wrap:wrap;"
    "align-items:center;gap:4px 16px}"
    "header a{color:#fff;text-decoration:none}"
    "header .who{margin-left:auto;display:flex;align-items:center;gap:12px;min-width:0;"
    "max-width:100%}"
    "header .nick{overflow:hidden;text-overflow:ellipsis;white-space:nowrap;max-width:16em}"
    "main{max-width:760px;margin:24px auto;background:#fff;padding:24px;border-radius:6px;"
    "overflow-wrap:anywhere}"
    "h2{margin-top:0}label{display:block;margin:10px 0 4px}"
    "input[type=text],input[type=password],input[type=email]{width:100%;max-width:360px;"
    "padding:8px;font-size:16px}"
    "button{display:block;margin-top:14px;padding:8px 18px;font-size:16px}"
    // A folder drawn with the page's own means: fonts without pictographs show no boxes.
    ".dir{display:inline-block;width:1.1em;height:.8em;margin-right:6px;background:#f2c14e;"
    "border-radius:2px;vertical-align:-1px}"
    ".lock{font-size:80%;color:#8a5a00;background:#fff3cd;border-radius:3px;padding:0 4px}"
    ".invite input{max-width:none}"
    ".error{color:#b00020}.ok{color:#1b7f3b}.note{color:#666}"
    "table{border-collapse:collapse;max-width:100%}td,th{padding:4px 12px;"
    "border-bottom:1px solid #ddd;text-align:left;overflow-wrap:anywhere}th{white-space:nowrap}"
    "ul.files{list-style:none;padding:0}ul.files li{padding:6px 0;border-bottom:1px solid #eee}"
    "@media (max-width:600px){header{padding:10px 12px}main{margin:0;border-radius:0;"
    "padding:16px}td,th{padding:4px 6px}}";

}  // namespace

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::string renderPage(const std::string& title, const std::string& body,
                       const std::optional<Account>& who) {
    std::string html =
        "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        "<link rel=\"icon\" href=\"/favicon.ico\" type=\"image/png\"><title>" +
        htmlEscape(title) + " - Nubexa网盘</title><style>" + kStyle +
        "</style></head><body><header><a href=\"/home\"><b>Nubexa网盘</b></a>"
        "<a href=\"/home\">首页</a><a href=\"/help/\">帮助</a>";
    if (who) {
        html += "<span class=\"who\"><span class=\"nick\" title=\"" + htmlEscape(who->nickname) +
                "\">" + htmlEscape(who->nickname) +
                "</span><a href=\"/logout.aspx\">退出</a></span>";
    } else {
        html +=
            "<a href=\"/register.aspx\">注册</a><span class=\"who\"><a "
            "href=\"/home\">登录</a></span>";
    }
    html += "</header><main><h2>" + htmlEscape(title) + "</h2>" + body + "</main></body></html>";
    return html;
}

void sendPage(httplib::Response& response, int status, const std::string& html) {
    response.status = status;
    response.set_header("Cache-Control", "no-store");
    // No other site may frame a page and lure a click onto its buttons.
    response.set_header("X-Frame-Options", "DENY");
    response.set_content(html, "text/html; charset=utf-8");
}

void redirect(httplib::Response& response, const std::string& location) {
    response.status = 303;
    response.set_header("Location", location);
}

std::string formValue(const httplib::Request& request, const std::string& key) {
    if (request.method == "POST")
        return RawQuery(request.body).decoded(key);
    return request.has_param(key) ? request.get_param_value(key) : std::string();
}

std::string cookieValue(const httplib::Request& request, const std::string& name) {
    const std::string header = request.get_header_value("Cookie");
    const std::string prefix = name + "=";
    std::size_t at = 0;
    while (at < header.size()) {
        while (at < header.size() && (header[at] == ' ' || header[at] == ';'))
            ++at;
        std::size_t end = header.find(';', at);
        if (end == std::string::npos)
            end = header.size();
        if (header.compare(at, prefix.size(), prefix) == 0)
            return header.substr(at + prefix.size(), end - at - prefix.size());
        at = end;
    }
    return {};
}

std::string browserCookie(const httplib::Request& request) {
    return cookieValue(request, kBrowserCookie);
}

void setBrowserCookie(httplib::Response& response, const std::string& value) {
    response.set_header("Set-Cookie", std::string(kBrowserCookie) + "=" + value +
                                          "; Path=/; HttpOnly; SameSite=Lax" +
                                          (value.empty() ? "; Max-Age=0" : ""));
}

std::optional<Account> browserAccount(const ServiceContext& service,
                                      const httplib::Request& request) {
    const std::string cookie = browserCookie(request);
    if (cookie.empty())
        return std::nullopt;
    SqlTx tx(service.database);
    const auto accountId = SessionStore(tx).accountOfBrowser(cookie);
    return accountId ? AccountStore(tx).byId(*accountId) : std::nullopt;
}

SignInAttempt signInFromForm(const ServiceContext& service, const httplib::Request& request) {
    return throttledSignIn(service, formValue(request, "name"), formValue(request, "password"),
                           request.remote_addr);
}

std::string safeLocalPath(const std::string& path) {
    // Browsers drop tabs and line breaks from a Location and read "\\" as "/", so "/\t/host"
    // or "/\\host" would leave the site: only plain path characters pass.
    static constexpr std::string_view kPathCharacters = "/-._~?=&%+";
    const bool plain = std::all_of(path.begin(), path.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               kPathCharacters.find(c) != std::string_view::npos;
    });
    const bool local =
        plain && path.size() > 1 && path.size() <= 512 && path[0] == '/' && path[1] != '/';
    return local ? path : "/home";
}

}  // namespace nubexa::standin
