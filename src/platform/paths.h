#pragma once

#include <string>

namespace nubexa {

// Folder of the running executable, ending with '/'. Pictures ("image/") live there.
std::string programFolder();

// Folder of bin.db and nubexa.ini: $NUBEXA_HOME when set (tests and scripts use it),
// otherwise the program folder. Always ends with '/'.
std::string homeFolder();

// homeFolder() + "bin.db".
std::string databasePath();

// Joins a folder and a name with exactly one '/' between them.
std::string joinPath(const std::string& folder, const std::string& name);

}  // namespace nubexa
