#pragma once

namespace CLI {
class App;
}

namespace nubexa::cli {

struct CliContext;

// "sync add LOCAL DISK-FOLDER --mode MODE", "sync list", "sync remove ID" and "sync now":
// local folders kept in step with disk folders.
void addSyncCommands(CLI::App& app, const CliContext& context, int& exitCode);

}  // namespace nubexa::cli
