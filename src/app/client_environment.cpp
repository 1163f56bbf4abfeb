#include "app/client_environment.h"

#include "platform/paths.h"

namespace nubexa::app {

ClientEnvironment ClientEnvironment::fromProcess() {
    ClientEnvironment environment;
    environment.homeFolder = nubexa::homeFolder();
    environment.programFolder = nubexa::programFolder();
    environment.config = ServiceConfig::loadDefault();
    return environment;
}

}  // namespace nubexa::app
