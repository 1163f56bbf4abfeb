#pragma once

#include <string>

#include <httplib.h>

#include "standin/service_context.h"

namespace nubexa::standin {

// The note over a form shown again because its token was missing, stale or foreign.
inline constexpr const char* kFormExpired = "页面已过期，请确认后重新提交。";

// Guards the site's forms against posts made by other pages (cross-site request forgery).
// Every form carries a token bound to the browser's own form cookie, which the browser keeps
// across signing in and out, so a form open in another tab stays valid. A page can only read
// the token when it runs on this origin outside the sandbox that downloads get, so a forged
// post cannot bring it.
class FormGuard {
public:
    static constexpr const char* kField = "csrf";
    static constexpr const char* kCookie = "nubexa_form";

    // The hidden field to put into a form shown in `response`; gives the browser a form cookie
    // when it has none yet (once per response, however many forms it shows).
    static std::string field(const ServiceContext& service, const httplib::Request& request,
                             httplib::Response& response);
    // Whether a posted form carries the token of the browser that posts it.
    static bool accepts(const ServiceContext& service, const httplib::Request& request);
};

}  // namespace nubexa::standin
