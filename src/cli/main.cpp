// nubexa-cli: the command-line companion of the Nubexa client. Each command family lives in a
// file of its own and adds its subcommands here.
#include <CLI/CLI.hpp>

#include "cli/cli_context.h"
#include "cli/disk_commands.h"
#include "cli/ftp_commands.h"
#include "cli/queue_commands.h"

int main(int argc, char** argv) {
    using namespace nubexa::cli;
    CLI::App app{
        "nubexa-cli: the command-line companion of the Nubexa client. It shares bin.db, "
        "nubexa.ini, the transfer queue and its workers with the client."};
    app.require_subcommand(1);
    CliContext context;
    app.add_option("--db", context.databasePath,
                   "bin.db holding the task rows (default: $NUBEXA_HOME/bin.db, else beside "
                   "the program)");
    app.add_flag("-v,--verbose", context.verbose, "show every FTP command and reply");
    app.add_flag("--stats", context.stats, "print one line of transfer statistics at the end");

    int exitCode = kFailed;
    addDiskCommands(app, context, exitCode);
    addQueueCommands(app, context, exitCode);
    addFtpCommands(app, context, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? kDone : kUsage;
    }
    return exitCode;
}
