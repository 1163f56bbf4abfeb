#pragma once

#include <memory>

// What a front end sets up around its session before it makes one.
namespace nubexa {

class SecretStore;

// The desktop's secret store, for SessionConfig::secrets (the one the desktop client uses).
std::unique_ptr<SecretStore> desktopSecretStore();

// The engine's own log (the FTP library's) quiet for the rest of the process.
void quietEngineLog();

}  // namespace nubexa
