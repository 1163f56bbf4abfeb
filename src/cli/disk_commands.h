#pragma once

namespace CLI {
class App;
}

namespace nubexa::cli {

struct CliContext;

// "login ACCOUNT", "ls [FOLDER-PATH]", "put LOCAL... [--to FOLDER-PATH]" and
// "get REMOTE-PATH... --to LOCALDIR". put and get only queue: "run" transfers.
void addDiskCommands(CLI::App& app, const CliContext& context, int& exitCode);

}  // namespace nubexa::cli
