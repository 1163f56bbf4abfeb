#include "standin/web/html_page.h"

#include "standin/web/raw_query.h"
#include "standin/store/session_store.h"

namespace nubexa::standin {

namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;margin:0;background:#f3f6fa;color:#222}"
    "header{background:#1f6fb2;color:#fff;padding:10px 24px}"
    "header a{color:#fff;margin-right:16px;text-decoration:none}"
    "main{max-width:760px;margin:24px auto;background:#fff;padding:24px;border-radius:6px}"
    "label{display:block;margin:10px 0 4px}input[type=text],input[type=password],"
    "input[type=email]{width:100%;max-width:320px;padding:6px}"
    "button{margin-top:14px;padding:6px 18px}.error{color:#b00020}.ok{color:#1b7f3b}"
    "table{border-collapse:collapse}td,th{padding:4px 12px;border-bottom:1px solid #ddd;"
    "text-align:left}";

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
    std::string html = "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>" +
                       htmlEscape(title) + " - Nubexa网盘</title><style>" + kStyle +
                       "</style></head><body><header><a href=\"/home\"><b>Nubexa网盘</b></a>"
                       "<a href=\"/home\">首页</a><a href=\"/help/\">帮助</a>";
    if (who) {
        html += "<span style=\"float:right\">" + htmlEscape(who->nickname) +
                " <a href=\"/logout.aspx\">退出</a></span>";
    } else {
        html += "<a href=\"/register.aspx\">注册</a>";
    }
    html += "</header><main><h2>" + htmlEscape(title) + "</h2>" + body + "</main></body></html>";
    return html;
}

void sendPage(httplib::Response& response, int status, const std::string& html) {
    response.status = status;
    response.set_header("Cache-Control", "no-store");
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

std::string browserCookie(const httplib::Request& request) {
    const std::string header = request.get_header_value("Cookie");
    const std::string prefix = std::string(kBrowserCookie) + "=";
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

std::string safeLocalPath(const std::string& path) {
    const bool local = path.size() > 1 && path.front() == '/' && path[1] != '/' &&
                       path.find('\\') == std::string::npos &&
                       path.find_first_of("\r\n") == std::string::npos;
    return local ? path : "/home";
}

}  // namespace nubexa::standin
