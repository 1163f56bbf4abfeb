#pragma once

#include <string>

#include "service/service_config.h"

namespace nubexa::app {

// The service's pages the client opens in the browser. Hosts come from nubexa.ini.
struct WebAddresses {
    explicit WebAddresses(ServiceConfig config) : m_config(std::move(config)) {}

    // The web site's origin (its scheme, "http://" when none is configured) + path ("/reset.aspx",
    // "/home", ...).
    std::string webPage(const std::string& path) const;
    // The QQ or Sina sign-in page for the attempt `sid`; kind is "qq" or "sina".
    std::string webSignIn(const std::string& kind, const std::string& sid) const;
    // A page reached through the service's token forwarding, which signs the user in on the
    // web site first. The target is passed written out, not encoded, as the service expects.
    std::string shortcut(const std::string& paramToken, const std::string& target) const;

    std::string communityRoot() const { return serviceOrigin(m_config.communityHost) + "/"; }
    std::string resourceRoot() const { return serviceOrigin(m_config.resourceHost) + "/"; }
    std::string webhostRoot() const { return serviceOrigin(m_config.webhostHost) + "/"; }
    std::string aboutRoot() const { return serviceOrigin(m_config.aboutHost) + "/"; }
    std::string webRoot() const { return webPage("/"); }

    const ServiceConfig& config() const { return m_config; }

private:
    ServiceConfig m_config;
};

}  // namespace nubexa::app
