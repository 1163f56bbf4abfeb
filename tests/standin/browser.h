#pragma once

#include <httplib.h>

#include <map>
#include <string>

namespace nubexa::test {

// A browser for the site's pages: keeps its cookies between requests and fills forms the way
// a user's browser does, with the hidden fields the page gave it. It may connect from another
// loopback address (`source`), as another machine or a local program that picks one would.
class Browser {
public:
    explicit Browser(int port, const std::string& source = {}) : m_client("127.0.0.1", port) {
        m_client.set_read_timeout(20, 0);
        if (!source.empty())
            m_client.set_interface(source);
    }

    httplib::Result get(const std::string& path, const httplib::Headers& extra = {}) {
        auto result = m_client.Get(path.c_str(), headers(extra));
        keepCookies(result);
        return result;
    }

    // A post as any page could send it: the browser's cookies, only the fields given.
    httplib::Result post(const std::string& path, const std::string& form) {
        auto result =
            m_client.Post(path.c_str(), headers({}), form, "application/x-www-form-urlencoded");
        keepCookies(result);
        return result;
    }

    // Opens the page holding the form, then posts the form with its hidden token.
    httplib::Result submit(const std::string& formPage, const std::string& action,
                           const std::string& form) {
        const std::string token = tokenOf(formPage);
        return post(action, form + (form.empty() ? "" : "&") + "csrf=" + token);
    }
    httplib::Result submit(const std::string& page, const std::string& form) {
        return submit(page, page.substr(0, page.find('?')), form);
    }

    // The form token a page carries; empty when it has none.
    std::string tokenOf(const std::string& page) {
        const auto shown = get(page);
        if (!shown)
            return {};
        const std::string marker = "name=\"csrf\" value=\"";
        const auto at = shown->body.find(marker);
        if (at == std::string::npos)
            return {};
        const auto start = at + marker.size();
        return shown->body.substr(start, shown->body.find('"', start) - start);
    }

    // The sign-in cookie.
    std::string cookie() const {
        const auto it = m_cookies.find("nubexa_web");
        return it == m_cookies.end() ? std::string() : it->second;
    }

private:
    httplib::Headers headers(const httplib::Headers& extra) const {
        httplib::Headers all = extra;
        std::string jar;
        for (const auto& [name, value] : m_cookies)
            jar += (jar.empty() ? "" : "; ") + name + "=" + value;
        if (!jar.empty())
            all.emplace("Cookie", jar);
        return all;
    }

    void keepCookies(const httplib::Result& result) {
        if (!result)
            return;
        const auto [begin, end] = result->headers.equal_range("Set-Cookie");
        for (auto it = begin; it != end; ++it) {
            const std::string pair = it->second.substr(0, it->second.find(';'));
            const auto equals = pair.find('=');
            if (equals == std::string::npos)
                continue;
            const std::string value = pair.substr(equals + 1);
            if (value.empty())
                m_cookies.erase(pair.substr(0, equals));
            else
                m_cookies[pair.substr(0, equals)] = value;
        }
    }

    httplib::Client m_client;
    std::map<std::string, std::string> m_cookies;
};

}  // namespace nubexa::test
