// nubexa-cli: the command-line companion of the Nubexa client. Each command family lives in a
// file of its own and adds its subcommands here.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "cli/argument_checks.h"
#include "cli/cli_context.h"
#include "cli/disk_commands.h"
#include "cli/error_log_sink.h"
#include "cli/ftp_commands.h"
#include "cli/messages.h"
#include "cli/operation_commands.h"
#include "cli/queue_commands.h"
#include "cli/sync_commands.h"
#include "platform/version.h"

namespace {

// After the options: what a user needs to get going, and where the files are.
constexpr const char* kFooter = R"(Examples:
  nubexa-cli login demo                  sign in (asks for the password)
  nubexa-cli ls /照片                    list a folder of the disk
  nubexa-cli put ~/report.pdf --to /文档  queue an upload
  nubexa-cli get /照片 --to ~/Pictures    queue a folder download
  nubexa-cli run                         transfer everything queued
  nubexa-cli sync now                    one round of every sync folder ("sync add")
  nubexa-cli help SUBCOMMAND             the options of one subcommand

Files:
  bin.db      the transfer queue and the remembered sign-in, shared with the client: in
              $NUBEXA_HOME, else beside the program when it runs from a build or portable
              folder, else in $XDG_DATA_HOME/nubexa (~/.local/share/nubexa)
  nubexa.ini  the service's hosts ([service] api_host = HOST:PORT, ...): beside bin.db, or for
              an installed program $XDG_CONFIG_HOME/nubexa/nubexa.ini, then
              /etc/nubexa/nubexa.ini

Environment:
  NUBEXA_HOME  folder of bin.db and nubexa.ini, overriding the defaults above)";

// "help [COMMAND]": the program's or one command's help on standard output.
void addHelpCommand(CLI::App& app, int& exitCode) {
    using namespace nubexa::cli;
    auto topic = std::make_shared<std::string>();
    CLI::App* help = app.add_subcommand("help", "Show this help, or the help of one command");
    help->add_option("command", *topic, "COMMAND, e.g. run");
    help->callback([&app, &exitCode, topic] {
        if (topic->empty()) {
            std::fputs(app.help().c_str(), stdout);
            exitCode = kDone;
            return;
        }
        for (const CLI::App* command : app.get_subcommands({})) {
            if (command->check_name(*topic)) {
                std::fputs(command->help().c_str(), stdout);
                exitCode = kDone;
                return;
            }
        }
        complain(say("unknown command '{}'; \"nubexa-cli help\" lists the commands",
                     "未知命令 '{}'；\"nubexa-cli help\" 列出所有命令", {*topic}));
        exitCode = kUsage;
    });
}

}  // namespace

int main(int argc, char** argv) {
    using namespace nubexa::cli;
    setLogSink(std::make_shared<ErrorLogSink>());
    CLI::App app{
        "nubexa-cli: the command-line companion of the Nubexa client. It shares bin.db, "
        "nubexa.ini, the transfer queue and its workers with the client. Exit status: 0 done, "
        "1 a task or the command failed, 2 usage error, 3 done but entries were left out (a "
        "folder put, links or special files in a sync folder), 130 interrupted.",
        "nubexa-cli"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("nubexa-cli ") + nubexa::kVersion,
                         "Print the version and exit");
    CliContext context;
    app.add_option("--db", context.databasePath,
                   "bin.db holding the task rows (default: see Files below)")
        ->check(databaseFile());
    app.add_flag("-v,--verbose", context.verbose, "show every FTP command and reply");
    app.add_flag("--stats", context.stats, "print one line of transfer statistics at the end");

    int exitCode = kFailed;
    addDiskCommands(app, context, exitCode);
    addItemCommands(app, context, exitCode);
    addBinCommands(app, context, exitCode);
    addShareCommands(app, context, exitCode);
    addAccountCommands(app, context, exitCode);
    addQueueCommands(app, context, exitCode);
    addSyncCommands(app, context, exitCode);
    addFtpCommands(app, context, exitCode);
    addHelpCommand(app, exitCode);
    // Set after the subcommands, which would otherwise inherit it.
    app.footer(kFooter);
    if (const auto word = unknownCommandWord(app, argc, argv); !word.empty()) {
        complain(say("unknown command '{}'; \"nubexa-cli help\" lists the commands",
                     "未知命令 '{}'；\"nubexa-cli help\" 列出所有命令", {word}));
        return kUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? kDone : kUsage;
    }
    return exitCode;
}
