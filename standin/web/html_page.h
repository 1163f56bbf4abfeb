#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <httplib.h>

#include "standin/service_context.h"
#include "standin/store/account_store.h"
#include "standin/web/signin_gate.h"

namespace nubexa::standin {

std::string htmlEscape(std::string_view text);

// Marks a protected folder or file in a list.
inline constexpr const char* kLockBadge = " <span class=\"lock\">已加密</span>";

// A whole UTF-8 page in the service's plain layout; `who` shows in the header when signed in.
std::string renderPage(const std::string& title, const std::string& body,
                       const std::optional<Account>& who);
void sendPage(httplib::Response& response, int status, const std::string& html);
void redirect(httplib::Response& response, const std::string& location);

// A field of a form: the decoded value from a POST body or, for GET, from the query.
std::string formValue(const httplib::Request& request, const std::string& key);

// The value of a cookie the browser sent; empty when it sent none of that name.
std::string cookieValue(const httplib::Request& request, const std::string& name);

// The browser sign-in cookie.
constexpr const char* kBrowserCookie = "nubexa_web";
std::string browserCookie(const httplib::Request& request);
void setBrowserCookie(httplib::Response& response, const std::string& value);
std::optional<Account> browserAccount(const ServiceContext& service,
                                      const httplib::Request& request);

// A sign-in from one of the site's forms (fields "name" and "password").
SignInAttempt signInFromForm(const ServiceContext& service, const httplib::Request& request);

// A local path to return to after a form ("/account/wip.aspx"); "/home" for anything else.
std::string safeLocalPath(const std::string& path);

// Every page of the site registers here.
void mountAccountPages(httplib::Server& server, const ServiceContext& service);
void mountSignInPages(httplib::Server& server, const ServiceContext& service);
void mountSharePages(httplib::Server& server, const ServiceContext& service);

}  // namespace nubexa::standin
