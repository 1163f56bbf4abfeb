#pragma once

#include <string>

#include "service/service_config.h"

namespace nubexa {

// What nubexa.ini makes of the two roads to the service, for the window that says so: the web
// API (HTTPS or not) and the file server (FTP over TLS required or not). Certificates are
// always verified, so "encrypted" here also means "verified".
struct TransportSecurity {
    bool webEncrypted = false;
    bool filesEncrypted = false;

    bool bothEncrypted() const { return webEncrypted && filesEncrypted; }
    // The lock's tooltip: which of the two is protected, one line each.
    std::string description() const;
};

TransportSecurity transportSecurity(const ServiceConfig& config);

// HOST[:PORT] (an optional scheme is ignored) names this machine: localhost, 127.0.0.0/8, ::1.
bool isLoopbackHost(const std::string& host);

// Whether a user signed in to `config` (with the file server at `ftpHost`, as the sign-in
// answer gave it) talks to another machine in clear text on either road.
bool clearTextLeavesThisMachine(const ServiceConfig& config, const std::string& ftpHost);

}  // namespace nubexa
