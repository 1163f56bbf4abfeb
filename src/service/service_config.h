#pragma once

#include <iosfwd>
#include <string>

namespace nubexa {

// How the file server's connections are protected (ftp_tls): `require` signs in only over TLS,
// `auto` falls back to clear text only when the server refuses AUTH TLS, `off` never asks.
enum class FtpTls { kOff, kAuto, kRequire };

// Where the service lives: the [service] section of nubexa.ini. Every host is HOST or
// HOST:PORT, optionally after "http://" or "https://" (plain HTTP without one); the defaults
// point at the local stand-in service.
//
//   [service]
//   api_host = https://127.0.0.1:18443
//   ca_file = /home/me/.local/share/nubexa/nubexa-data/tls/ca.pem
//   ftp_tls = require
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
    // ca_file: the authority (PEM) that HTTPS and FTP over TLS certificates must chain to;
    // empty: the system's store. Verification is never switched off.
    std::string caFile;
    // ftp_tls; unset: `require` when the web API is reached over HTTPS, else `off`, so that a
    // password goes in clear only where the user chose a clear host.
    FtpTls ftpTls = FtpTls::kOff;

    // Reads `path`. A missing file gives the defaults; each malformed line (or bad value) is
    // reported once on `errors` and ignored. Sections other than [service] are not ours.
    static ServiceConfig load(const std::string& path, std::ostream& errors);
    static ServiceConfig load(const std::string& path);

    // configPath(): the first nubexa.ini of the data layout that exists.
    static ServiceConfig loadDefault();
};

// "http://HOST" for a bare host, the host as written when it carries its scheme.
std::string serviceOrigin(const std::string& host);
// Whether the host is reached over HTTPS.
bool isSecureHost(const std::string& host);

// HOST or HOST:PORT with a host of letters, digits, '.', '-' (or a bracketed IPv6 address)
// and a port of 1 to 65535: nothing that could change the shape of a URL.
bool isValidHost(const std::string& text);
// isValidHost after an optional "http://" or "https://" (any case).
bool isValidServiceHost(const std::string& text);

}  // namespace nubexa
