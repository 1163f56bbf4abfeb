#pragma once

namespace CLI {
class App;
}

namespace nubexa::cli {

struct CliContext;

// The "ftp" command family: "ftp get URL LOCALFILE" and "ftp put LOCALFILE URL", each one
// Download or Upload through a task row of the scratch bin.db. The command's exit code goes into
// `exitCode` when it has run.
void addFtpCommands(CLI::App& app, const CliContext& context, int& exitCode);

}  // namespace nubexa::cli
