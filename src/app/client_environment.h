#pragma once

#include <string>

#include "service/service_config.h"

namespace nubexa {
class Browser;
class Notifier;
class Picker;
}  // namespace nubexa

namespace nubexa::app {

// What the client takes from its surroundings. The program uses the process's folders and the
// desktop; tests give their own folders, service and recording platform objects.
struct ClientEnvironment {
    std::string homeFolder;     // bin.db and nubexa.ini; ends with '/'
    std::string programFolder;  // "image/" lives here; ends with '/'
    ServiceConfig config;
    // Null: the desktop's own (message boxes, file dialogs, the browser).
    Notifier* notifier = nullptr;
    Picker* picker = nullptr;
    Browser* browser = nullptr;
    // False: the GUI never offers the tray even where the desktop has one (tests).
    bool useTray = true;

    // The running program: $NUBEXA_HOME or the program folder, and its nubexa.ini.
    static ClientEnvironment fromProcess();
};

}  // namespace nubexa::app
