#include "standin/web/form_guard.h"

#include "standin/util/crypto_util.h"
#include "standin/web/html_page.h"

namespace nubexa::standin {

namespace {

// What the token is bound to: the sign-in cookie when there is one, else the form cookie.
std::string binding(const httplib::Request& request) {
    const std::string session = cookieValue(request, kBrowserCookie);
    if (!session.empty())
        return "session:" + session;
    const std::string form = cookieValue(request, FormGuard::kCookie);
    return form.empty() ? std::string() : "form:" + form;
}

std::string tokenFor(const ServiceContext& service, const std::string& bound) {
    return hmacSha256Hex(service.formSecret, bound);
}

}  // namespace

std::string FormGuard::field(const ServiceContext& service, const httplib::Request& request,
                             httplib::Response& response) {
    std::string bound = binding(request);
    if (bound.empty()) {
        const std::string form = randomHex(16);
        response.set_header("Set-Cookie",
                            std::string(kCookie) + "=" + form + "; Path=/; HttpOnly; SameSite=Lax");
        bound = "form:" + form;
    }
    return "<input type=\"hidden\" name=\"" + std::string(kField) + "\" value=\"" +
           tokenFor(service, bound) + "\">";
}

bool FormGuard::accepts(const ServiceContext& service, const httplib::Request& request) {
    const std::string bound = binding(request);
    return !bound.empty() && sameSecret(formValue(request, kField), tokenFor(service, bound));
}

void FormGuard::refuse(httplib::Response& response) {
    sendPage(response, 403,
             renderPage("请求无效",
                        "<p class=\"error\">表单已过期或来自其他网站，请返回刷新页面后重新提交。"
                        "</p><p><a href=\"/home\">返回首页</a></p>",
                        std::nullopt));
}

}  // namespace nubexa::standin
