#include "cli/ftp_url.h"

#include <cctype>
#include <vector>

namespace nubexa::cli {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> percentDecode(const std::string& text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size() || hexValue(text[i + 1]) < 0 || hexValue(text[i + 2]) < 0)
            return std::nullopt;
        decoded.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
        i += 2;
    }
    // Line breaks and NUL would end an FTP command early.
    if (decoded.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        return std::nullopt;
    return decoded;
}

bool parsePort(const std::string& text, std::uint16_t& port) {
    if (text.empty() || text.size() > 5)
        return false;
    unsigned value = 0;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

bool parseHostPort(const std::string& text, FtpUrl& url) {
    std::string portText;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos)
            return false;
        url.host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':')
                return false;
            portText = text.substr(close + 2);
        }
    } else {
        const auto colon = text.rfind(':');
        url.host = text.substr(0, colon);
        if (colon != std::string::npos)
            portText = text.substr(colon + 1);
    }
    if (url.host.empty())
        return false;
    return portText.empty() || parsePort(portText, url.port);
}

}  // namespace

std::string FtpUrl::owner() const {
    return (implicitTls ? "ftps://" : "ftp://") + user + "@" + host + ":" + std::to_string(port);
}

std::optional<FtpUrl> parseFtpUrl(const std::string& text, std::string& error) {
    constexpr std::string_view kScheme = "ftp://";
    constexpr std::string_view kImplicit = "ftps://";
    FtpUrl url;
    std::string rest;
    if (text.compare(0, kScheme.size(), kScheme) == 0) {
        rest = text.substr(kScheme.size());
    } else if (text.compare(0, kImplicit.size(), kImplicit) == 0) {
        rest = text.substr(kImplicit.size());
        url.implicitTls = true;
        url.port = 990;
    } else {
        error = "not an ftp:// or ftps:// address: " + text;
        return std::nullopt;
    }
    const auto slash = rest.find('/');
    const std::string authority = rest.substr(0, slash);
    const std::string path = slash == std::string::npos ? std::string() : rest.substr(slash + 1);

    std::string hostPort = authority;
    if (const auto at = authority.rfind('@'); at != std::string::npos) {
        const std::string userInfo = authority.substr(0, at);
        hostPort = authority.substr(at + 1);
        const auto colon = userInfo.find(':');
        const auto user = percentDecode(userInfo.substr(0, colon));
        const auto password =
            percentDecode(colon == std::string::npos ? std::string() : userInfo.substr(colon + 1));
        if (!user || !password || user->empty()) {
            error = "bad user or password in " + text;
            return std::nullopt;
        }
        url.user = *user;
        url.password = *password;
        url.userGiven = true;
        url.passwordGiven = colon != std::string::npos;
    }
    if (!parseHostPort(hostPort, url)) {
        error = "bad host or port in " + text;
        return std::nullopt;
    }

    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto end = path.find('/', start);
        const auto part = percentDecode(path.substr(start, end - start));
        if (!part) {
            error = "bad path in " + text;
            return std::nullopt;
        }
        parts.push_back(*part);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (parts.empty() || parts.back().empty() || parts.back() == "." || parts.back() == "..") {
        error = "the address names no file: " + text;
        return std::nullopt;
    }
    url.fileName = parts.back();
    parts.pop_back();
    for (const auto& part : parts) {
        if (part.empty())
            continue;
        url.directory += url.directory.empty() ? part : "/" + part;
    }
    return url;
}

}  // namespace nubexa::cli
