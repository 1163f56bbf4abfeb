#pragma once

#include <iosfwd>
#include <string>

namespace nubexa {

// Where the service lives: the [service] section of nubexa.ini. Every host is HOST or
// HOST:PORT; the defaults point at the local stand-in service.
//
//   [service]
//   api_host = 127.0.0.1:18080
//   direct_link_prefix = http://127.0.0.1:18080/d/
struct ServiceConfig {
    static constexpr const char* kDefaultHost = "127.0.0.1:18080";

    std::string apiHost = kDefaultHost;        // api_host: the web API
    std::string webHost = kDefaultHost;        // web_host: the web site
    std::string communityHost = kDefaultHost;  // community_host
    std::string resourceHost = kDefaultHost;   // resource_host
    std::string webhostHost = kDefaultHost;    // webhost_host
    std::string aboutHost = kDefaultHost;      // about_host
    // direct_link_prefix: the address prefix the direct-link dialog shows (the stand-in serves
    // direct links under /d/).
    std::string directLinkPrefix = "http://127.0.0.1:18080/d/";

    // Reads `path`. A missing file gives the defaults; each malformed line (or bad value) is
    // reported once on `errors` and ignored. Sections other than [service] are not ours.
    static ServiceConfig load(const std::string& path, std::ostream& errors);
    static ServiceConfig load(const std::string& path);

    // configPath(): the first nubexa.ini of the data layout that exists.
    static ServiceConfig loadDefault();
};

// HOST or HOST:PORT with a host of letters, digits, '.', '-' (or a bracketed IPv6 address)
// and a port of 1 to 65535: nothing that could change the shape of a URL.
bool isValidHost(const std::string& text);

}  // namespace nubexa
