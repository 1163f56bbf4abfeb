#include "app/web_addresses.h"

namespace nubexa::app {

std::string WebAddresses::webPage(const std::string& path) const {
    return serviceOrigin(m_config.webHost) + path;
}

std::string WebAddresses::webSignIn(const std::string& kind, const std::string& sid) const {
    return webPage(std::string("/clientuserlogin.aspx?type=") + (kind == "sina" ? "sina" : "qq") +
                   "&sid=" + sid);
}

std::string WebAddresses::shortcut(const std::string& paramToken, const std::string& target) const {
    return serviceOrigin(m_config.apiHost) + "/paramoauth.aspx?token=" + paramToken +
           "&url=" + target;
}

}  // namespace nubexa::app
