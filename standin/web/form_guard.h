#pragma once

#include <string>

#include <httplib.h>

#include "standin/service_context.h"

namespace nubexa::standin {

// Guards the site's forms against posts made by other pages (cross-site request forgery).
// Every form carries a token bound to the browser: to its sign-in cookie, or, before it signs
// in, to a form cookie of its own. A page can only read the token when it runs on this origin
// outside the sandbox that downloads get, so a forged post cannot bring it.
class FormGuard {
public:
    static constexpr const char* kField = "csrf";
    static constexpr const char* kCookie = "nubexa_form";

    // The hidden field to put into a form shown in `response`; gives the browser a form cookie
    // when it has neither cookie yet.
    static std::string field(const ServiceContext& service, const httplib::Request& request,
                             httplib::Response& response);
    // Whether a posted form carries the token of the browser that posts it.
    static bool accepts(const ServiceContext& service, const httplib::Request& request);
    // The refusal of a form without a valid token.
    static void refuse(httplib::Response& response);
};

}  // namespace nubexa::standin
