#include "service/service_config.h"

#include <fstream>
#include <iostream>
#include <optional>
#include <string_view>

#include "platform/paths.h"

namespace nubexa {

namespace {

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view kBlank = " \t\r\n";
    const auto first = text.find_first_not_of(kBlank);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlank) - first + 1);
}

bool isHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-';
}

bool isValidPort(std::string_view port) {
    if (port.empty() || port.size() > 5)
        return false;
    int value = 0;
    for (const char c : port) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535;
}

bool isPlainText(std::string_view text) {
    if (text.empty())
        return false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

// A file path: blanks allowed, control bytes not.
bool isPathText(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return false;
    }
    return !text.empty();
}

constexpr std::string_view kHttp = "http://";
constexpr std::string_view kHttps = "https://";

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (c != prefix[i])
            return false;
    }
    return true;
}

// The length of a leading "http://" or "https://", 0 without one.
std::size_t schemeLength(std::string_view host) {
    if (startsWithNoCase(host, kHttps))
        return kHttps.size();
    if (startsWithNoCase(host, kHttp))
        return kHttp.size();
    return 0;
}

std::optional<FtpTls> parseFtpTls(std::string_view value) {
    if (value == "require")
        return FtpTls::kRequire;
    if (value == "auto")
        return FtpTls::kAuto;
    if (value == "off")
        return FtpTls::kOff;
    return std::nullopt;
}

}  // namespace

std::string serviceOrigin(const std::string& host) {
    const std::size_t scheme = schemeLength(host);
    if (scheme == 0)
        return std::string(kHttp) + host;
    return std::string(scheme == kHttps.size() ? kHttps : kHttp) + host.substr(scheme);
}

bool isSecureHost(const std::string& host) {
    return startsWithNoCase(host, kHttps);
}

bool isValidServiceHost(const std::string& text) {
    return isValidHost(text.substr(schemeLength(text)));
}

bool isValidHost(const std::string& text) {
    std::string_view host = text;
    std::string_view port;
    if (!host.empty() && host.front() == '[') {
        const auto close = host.find(']');
        if (close == std::string_view::npos || close == 1)
            return false;
        for (const char c : host.substr(1, close - 1)) {
            const bool hex =
                (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
            if (!hex && c != ':' && c != '.')
                return false;
        }
        const auto rest = host.substr(close + 1);
        if (rest.empty())
            return true;
        if (rest.front() != ':')
            return false;
        return isValidPort(rest.substr(1));
    }
    const auto colon = host.find(':');
    if (colon != std::string_view::npos) {
        port = host.substr(colon + 1);
        host = host.substr(0, colon);
        if (!isValidPort(port))
            return false;
    }
    if (host.empty())
        return false;
    for (const char c : host) {
        if (!isHostChar(c))
            return false;
    }
    return true;
}

ServiceConfig ServiceConfig::load(const std::string& path, std::ostream& errors) {
    ServiceConfig config;
    std::ifstream in(path);
    if (!in)
        return config;

    struct Key {
        std::string_view name;
        std::string* value;
        bool isHost;
    };
    const Key keys[] = {
        {"api_host", &config.apiHost, true},
        {"web_host", &config.webHost, true},
        {"community_host", &config.communityHost, true},
        {"resource_host", &config.resourceHost, true},
        {"webhost_host", &config.webhostHost, true},
        {"about_host", &config.aboutHost, true},
        {"direct_link_prefix", &config.directLinkPrefix, false},
    };
    std::optional<FtpTls> ftpTls;

    bool inService = false;
    std::string raw;
    int lineNumber = 0;
    const auto report = [&](std::string_view why) {
        errors << path << ":" << lineNumber << ": " << why << ", line ignored: " << raw << "\n";
    };
    while (std::getline(in, raw)) {
        ++lineNumber;
        const auto line = trimmed(raw);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']') {
                report("malformed section");
                inService = false;
                continue;
            }
            inService = trimmed(line.substr(1, line.size() - 2)) == "service";
            // Said once for the section; its keys are ignored with it.
            if (!inService)
                report("unknown section");
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            if (inService)
                report("expected key = value");
            continue;
        }
        if (!inService)
            continue;
        const auto name = trimmed(line.substr(0, equals));
        const std::string value(trimmed(line.substr(equals + 1)));
        if (name == "ftp_tls") {
            if (const auto mode = parseFtpTls(value)) {
                ftpTls = mode;
            } else {
                report("not require, auto or off");
            }
            continue;
        }
        if (name == "ca_file") {
            if (isPathText(value)) {
                config.caFile = value;
            } else {
                report("not a file path");
            }
            continue;
        }
        const Key* key = nullptr;
        for (const auto& candidate : keys) {
            if (candidate.name == name)
                key = &candidate;
        }
        if (key == nullptr) {
            report("unknown key");
        } else if (key->isHost ? !isValidServiceHost(value) : !isPlainText(value)) {
            report(key->isHost ? "not HOST or HOST:PORT" : "not a plain address");
        } else {
            *key->value = value;
        }
    }
    config.ftpTls = ftpTls.value_or(isSecureHost(config.apiHost) ? FtpTls::kRequire : FtpTls::kOff);
    return config;
}

ServiceConfig ServiceConfig::load(const std::string& path) {
    return load(path, std::cerr);
}

ServiceConfig ServiceConfig::loadDefault() {
    return load(configPath());
}

}  // namespace nubexa
