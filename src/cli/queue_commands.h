#pragma once

namespace CLI {
class App;
}

namespace nubexa::cli {

struct CliContext;

// "queue", "pause|resume|delete TASK-ID" and "run": the transfer pages and the monitor.
void addQueueCommands(CLI::App& app, const CliContext& context, int& exitCode);

}  // namespace nubexa::cli
