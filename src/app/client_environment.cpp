#include "app/client_environment.h"

#include "platform/paths.h"

namespace nubexa::app {

ClientEnvironment ClientEnvironment::fromProcess() {
    ClientEnvironment environment;
    environment.homeFolder = nubexa::homeFolder();
    environment.programFolder = nubexa::programFolder();
    environment.config = ServiceConfig::loadDefault();
    environment.logFile = environment.homeFolder + "nubexa-client.log";
    return environment;
}

}  // namespace nubexa::app
