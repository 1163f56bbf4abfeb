#pragma once

#include <memory>
#include <string>

#include "service/service_config.h"
#include "transfer/transfer_settings.h"

namespace nubexa {
class Browser;
class LogSink;
class Notifier;
class Picker;
class SecretStore;
}  // namespace nubexa

namespace nubexa::app {

class DesktopNotice;

// What the client takes from its surroundings. The program uses the process's folders and the
// desktop; tests give their own folders, service and recording platform objects.
struct ClientEnvironment {
    std::string homeFolder;     // bin.db, nubexa.ini and the avatar cache; ends with '/'
    std::string programFolder;  // "image/" lives here (read only when installed); ends with '/'
    std::string cacheFolder;    // thumbnails are kept here; ends with '/'; empty: nowhere
    ServiceConfig config;
    // Null: the desktop's own (message boxes, file dialogs, the browser).
    Notifier* notifier = nullptr;
    Picker* picker = nullptr;
    Browser* browser = nullptr;
    DesktopNotice* desktopNotice = nullptr;  // null: the tray's balloon or the desktop's service
    // Where remembered passwords go; null: the sign-in rows of bin.db.
    SecretStore* secrets = nullptr;
    // How transfers run (pace, limits); the program folder is filled in by the client.
    TransferSettings transfers;
    // The FTP trace and database errors; empty: standard output. `log`, when set, is that file
    // already open (the program's, which also holds standard error).
    std::string logFile;
    std::shared_ptr<LogSink> log;
    // False: the GUI never offers the tray even where the desktop has one (tests).
    bool useTray = true;

    // The running program: $NUBEXA_HOME or the program folder, and its nubexa.ini.
    static ClientEnvironment fromProcess();
};

}  // namespace nubexa::app
