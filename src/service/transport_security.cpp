#include "service/transport_security.h"

namespace nubexa {

namespace {

// The host of HOST, HOST:PORT or [V6]:PORT, after any scheme.
std::string hostPart(std::string host) {
    if (const auto scheme = host.find("://"); scheme != std::string::npos)
        host = host.substr(scheme + 3);
    if (!host.empty() && host.front() == '[') {
        const auto close = host.find(']');
        return close == std::string::npos ? host : host.substr(1, close - 1);
    }
    if (host.find(':') == host.rfind(':'))
        host = host.substr(0, host.find(':'));
    return host;
}

}  // namespace

std::string TransportSecurity::description() const {
    return std::string(webEncrypted ? "网页接口：HTTPS 加密，证书已验证"
                                    : "网页接口：未加密（HTTP）") +
           "\n" +
           (filesEncrypted ? "文件传输：FTP over TLS 加密，证书已验证" : "文件传输：未加密（FTP）");
}

TransportSecurity transportSecurity(const ServiceConfig& config) {
    return {isSecureHost(config.apiHost), config.ftpTls == FtpTls::kRequire};
}

bool isLoopbackHost(const std::string& host) {
    const std::string name = hostPart(host);
    return name == "localhost" || name == "::1" || name.rfind("127.", 0) == 0;
}

bool clearTextLeavesThisMachine(const ServiceConfig& config, const std::string& ftpHost) {
    const TransportSecurity security = transportSecurity(config);
    return (!security.webEncrypted && !isLoopbackHost(config.apiHost)) ||
           (!security.filesEncrypted && !ftpHost.empty() && !isLoopbackHost(ftpHost));
}

}  // namespace nubexa
