#pragma once

#include <string>

namespace nubexa::cli {

// Exit codes of every command.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

// Options every command family shares.
struct CliContext {
    std::string databasePath;  // empty: $NUBEXA_HOME/bin.db, else beside the program
    bool verbose = false;      // the FTP trace on standard output and the engine's log
    bool stats = false;        // one "stats ..." line at the end
};

}  // namespace nubexa::cli
