#pragma once

namespace CLI {
class App;
}

namespace nubexa::cli {

struct CliContext;

// The disk's own operations, each one session call (the desktop client's) said in one line.

// "mkdir PATH [-p]", "rename PATH NEW-NAME", "mv SRC... DEST-FOLDER", "rm PATH... [--for-good]".
void addItemCommands(CLI::App& app, const CliContext& context, int& exitCode);
// "trash [--json]", "restore NAME-OR-ID...", "empty-trash": the recycle bin.
void addBinCommands(CLI::App& app, const CliContext& context, int& exitCode);
// "share", "unshare", "link", "unlink", "shares", "links".
void addShareCommands(CLI::App& app, const CliContext& context, int& exitCode);
// "protect", "unprotect", "info", "du".
void addAccountCommands(CLI::App& app, const CliContext& context, int& exitCode);

}  // namespace nubexa::cli
