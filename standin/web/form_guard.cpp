#include "standin/web/form_guard.h"

#include "standin/util/crypto_util.h"
#include "standin/web/html_page.h"

namespace nubexa::standin {

namespace {

std::string tokenFor(const ServiceContext& service, const std::string& formCookie) {
    return hmacSha256Hex(service.formSecret, "form:" + formCookie);
}

// The form cookie this response already hands out, if any.
std::string cookieBeingSet(const httplib::Response& response) {
    const std::string prefix = std::string(FormGuard::kCookie) + "=";
    const auto [begin, end] = response.headers.equal_range("Set-Cookie");
    for (auto it = begin; it != end; ++it) {
        if (it->second.compare(0, prefix.size(), prefix) == 0)
            return it->second.substr(prefix.size(), it->second.find(';') - prefix.size());
    }
    return {};
}

}  // namespace

std::string FormGuard::field(const ServiceContext& service, const httplib::Request& request,
                             httplib::Response& response) {
    std::string form = cookieValue(request, kCookie);
    if (form.empty())
        form = cookieBeingSet(response);
    if (form.empty()) {
        form = randomHex(16);
        response.set_header("Set-Cookie",
                            std::string(kCookie) + "=" + form + "; Path=/; HttpOnly; SameSite=Lax");
    }
    return "<input type=\"hidden\" name=\"" + std::string(kField) + "\" value=\"" +
           tokenFor(service, form) + "\">";
}

bool FormGuard::accepts(const ServiceContext& service, const httplib::Request& request) {
    const std::string form = cookieValue(request, kCookie);
    return !form.empty() && sameSecret(formValue(request, kField), tokenFor(service, form));
}

}  // namespace nubexa::standin
