#pragma once

#include <cstdio>
#include <string>

namespace nubexa::cli {

// Exit codes of every command.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;
inline constexpr int kInterrupted = 130;  // 128 + SIGINT, as shells report it

// Options every command family shares.
struct CliContext {
    std::string databasePath;  // empty: databasePath() of the data layout
    bool verbose = false;      // the FTP dialogue and the engine's log on standard error
    bool stats = false;        // one "stats ..." line at the end
};

// One line "nubexa-cli: <text>" on standard error.
inline void complain(const std::string& text) {
    std::fprintf(stderr, "nubexa-cli: %s\n", text.c_str());
}

}  // namespace nubexa::cli
