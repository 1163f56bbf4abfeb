#include "app/client_environment.h"

#include "platform/data_layout.h"
#include "platform/paths.h"

namespace nubexa::app {

ClientEnvironment ClientEnvironment::fromProcess() {
    ClientEnvironment environment;
    environment.homeFolder = nubexa::homeFolder();
    environment.cacheFolder = DataLayout::current().cacheFolder();
    // The folder that holds "image/": beside the program in a build tree or a portable folder,
    // under share/nubexa when installed.
    std::string pictures = nubexa::imageFolder();
    if (!pictures.empty() && pictures.back() == '/')
        pictures.pop_back();
    environment.programFolder = pictures.substr(0, pictures.rfind('/') + 1);
    environment.config = ServiceConfig::loadDefault();
    environment.logFile = environment.homeFolder + "nubexa-client.log";
    return environment;
}

}  // namespace nubexa::app
