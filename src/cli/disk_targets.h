#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_context.h"
#include "cli/remote_disk.h"
#include "service/listing_request.h"
#include "session/disk_operations.h"

namespace nubexa::cli {

class CliSession;

// How a command names the items it works on.
struct TargetOptions {
    bool byId = false;                 // ids as "ls" prints them, not paths
    bool folderPasswordStdin = false;  // passwords of protected folders from standard input
    // Whether protected folders on the way are unlocked first, as the disk page asks before
    // every command but protecting and unprotecting.
    bool unlock = true;
};

// --id (when `withId`) and --folder-password-stdin on `command`.
void addTargetOptions(CLI::App& command, TargetOptions& options, bool withId = true);

// A file or folder of the disk named on the command line.
struct DiskTarget {
    std::string path;  // as "ls" takes it: /照片/旅行
    DiskItem item;
    ItemRef ref() const { return {item.id, item.isFolder}; }
    // The name as "ls" shows it.
    std::string name() const { return item.name + item.ext; }
};

// The item `given` names (a path, or an id with --id), once the protected folders on its way
// are unlocked; none (after saying why) when there is no such item or a password is wrong.
std::optional<DiskTarget> findTarget(RemoteDisk& disk, const std::string& given,
                                     const TargetOptions& options);
// The folder `given` names; "/" is the top folder. None after saying why.
std::optional<RemoteFolder> findFolder(RemoteDisk& disk, const std::string& given,
                                       const TargetOptions& options);

// How much of a disk path exists: its folder names, how many of them lead to a folder that
// is there, and the deepest such folder (the top folder when none does).
struct FolderOnPath {
    std::vector<std::string> names;
    std::size_t existing = 0;
    RemoteFolder deepest;
};
FolderOnPath deepestFolder(RemoteDisk& disk, const std::string& path);
// "/a/b" for the first `count` names.
std::string joinedPath(const std::vector<std::string>& names, std::size_t count);
// The folder at `path`, made with the folders above it where missing, as "mkdir -p" does;
// none after saying why.
std::optional<DiskOperations::FolderAtPath> makeFolderPath(CliSession& session,
                                                           const std::string& path);

// Asks for the password of every protected folder on `path`, as the disk page does before it
// opens one; false (after saying why) when one is wrong or cannot be read.
bool unlockFolders(RemoteDisk& disk, const std::string& path, bool fromStdin);

// What one of the disk pages lists (the recycle bin, the shared items, ...); none after
// saying why.
std::optional<RemoteDisk::Listing> listPage(CliSession& session, ListingKind kind);

// Signs in again with the remembered sign-in and runs `command`; kFailed when that fails.
int onDisk(const CliContext& context,
           const std::function<int(CliSession& session, RemoteDisk& disk)>& command);

// Makes `command` sign in again and run `run` on `args` (which its options fill), the exit
// code into `exitCode`.
template <typename Args>
void runsOnDisk(CLI::App& command, const CliContext& context, int& exitCode,
                std::shared_ptr<Args> args, int (*run)(CliSession&, RemoteDisk&, const Args&)) {
    command.callback([&context, &exitCode, args, run] {
        exitCode = onDisk(context, [&](CliSession& session, RemoteDisk& disk) {
            return run(session, disk, *args);
        });
    });
}

// Says in one line on standard error why the service did not accept what `subject` names
// ("cannot rename /a"): its own words, `fallback` (the client's text) when it gave none, or
// that it did not answer. kFailed.
int refused(CliSession& session, const std::string& subject, const ServiceVerdict& why,
            const std::string& fallback);

// On a terminal: asks `question` and waits for y or yes. Elsewhere true: a script chose by
// its arguments.
bool confirmed(const std::string& question);

// One line on standard output.
void report(const std::string& text);

}  // namespace nubexa::cli
