#pragma once

#include <cstdio>
#include <string>

#include "platform/control_bytes.h"

namespace nubexa::cli {

// Exit codes of every command.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;
// Done, but something given was left out (entries of a folder "put" that cannot be uploaded).
inline constexpr int kLeftOut = 3;
inline constexpr int kInterrupted = 130;  // 128 + SIGINT, as shells report it

// The exit code of a command that did several things: a failure outweighs a partial success,
// which outweighs success.
inline int worseExitCode(int one, int other) {
    const auto rank = [](int code) { return code == kDone ? 0 : code == kLeftOut ? 1 : 2; };
    return rank(other) > rank(one) ? other : one;
}

// Options every command family shares.
struct CliContext {
    std::string databasePath;  // empty: databasePath() of the data layout
    bool verbose = false;      // the FTP dialogue and the engine's log on standard error
    bool stats = false;        // one "stats ..." line at the end
};

// One line "nubexa-cli: <text>" on standard error.
inline void complain(const std::string& text) {
    std::fprintf(stderr, "nubexa-cli: %s\n", escapeControlBytes(text).c_str());
}

// Text from the service or a file server for the terminal: its control bytes as "\xHH", so
// that a name cannot move the cursor, retitle the window or hide lines.
inline std::string forTerminal(const std::string& text) {
    return escapeControlBytes(text);
}

}  // namespace nubexa::cli
