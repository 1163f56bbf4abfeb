#pragma once

#include <string>

namespace nubexa {

// Folder of the running executable, ending with '/'.
std::string programFolder();

// Folder of bin.db and the avatar cache: $NUBEXA_HOME when set, the program folder when run
// from a build tree or a portable folder, $XDG_DATA_HOME/nubexa when installed (DataLayout
// decides). Always ends with '/'.
std::string homeFolder();

// homeFolder() + "bin.db".
std::string databasePath();

// The nubexa.ini this process reads (DataLayout::configFile()).
std::string configPath();

// The folder of the pictures the client loads, ending with '/'.
std::string imageFolder();

// Joins a folder and a name with exactly one '/' between them.
std::string joinPath(const std::string& folder, const std::string& name);

}  // namespace nubexa
