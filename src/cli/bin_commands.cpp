// trash, restore and empty-trash: the recycle bin page and its commands.
#include <CLI/CLI.hpp>
#include <memory>

#include "cli/cli_session.h"
#include "cli/disk_targets.h"
#include "cli/listing_output.h"
#include "cli/messages.h"
#include "cli/operation_commands.h"

namespace nubexa::cli {

namespace {

struct BinItem {
    std::string name;
    ItemRef ref;
};

// The items of the bin that `given` names: its name as "trash" shows it, or with `byId` its
// id as "trash" prints it ("6", "id=6", "folder:6", "file:6").
std::vector<BinItem> matching(const RemoteDisk::Listing& bin, const std::string& given, bool byId) {
    const ListedId wanted = byId ? parseListedId(given) : ListedId{};
    std::string name = given;
    while (!byId && !name.empty() && (name.front() == '/' || name.front() == '\\'))
        name.erase(0, 1);
    std::vector<BinItem> found;
    for (const auto& folder : bin.folders) {
        if (byId ? wanted.folders && folder.id == wanted.id : folder.name == name)
            found.push_back({folder.name, {folder.id, true}});
    }
    for (const auto& file : bin.files) {
        if (byId ? wanted.files && file.id == wanted.id : file.name + file.ext == name)
            found.push_back({file.name + file.ext, {file.id, false}});
    }
    return found;
}

int listBin(const CliContext& context, const ListingFormat& format) {
    return onDisk(context, [&](CliSession& session, RemoteDisk&) {
        const auto bin = listPage(session, ListingKind::kRecycle);
        if (!bin)
            return kFailed;
        std::fputs(listingText(*bin, format).c_str(), stdout);
        return kDone;
    });
}

int restoreItems(const CliContext& context, const std::vector<std::string>& given, bool byId) {
    return onDisk(context, [&](CliSession& session, RemoteDisk&) {
        const auto bin = listPage(session, ListingKind::kRecycle);
        if (!bin)
            return kFailed;
        int exitCode = kDone;
        for (const auto& each : given) {
            const auto found = matching(*bin, each, byId);
            if (found.size() != 1) {
                complain(found.empty()
                             ? say("nothing named {} in the recycle bin", "回收站中没有 {}", {each})
                             : say("{} items in the recycle bin are named {}; name one by its id "
                                   "with --id",
                                   "回收站中有 {} 个项目名为 {}；请用 --id 指定其 id",
                                   {std::to_string(found.size()), each}));
                exitCode = kFailed;
                continue;
            }
            const BinItem& item = found.front();
            const ServiceVerdict why = session.client().disk().restore(
                item.ref.isFolder ? item.ref.id : "", item.ref.isFolder ? "" : item.ref.id);
            if (!why.accepted()) {
                exitCode = refused(session, say("cannot restore {}", "无法还原 {}", {item.name}),
                                   why, "还原失败");
                continue;
            }
            report(say("restored {}", "已还原 {}", {item.name}));
        }
        return exitCode;
    });
}

int emptyBin(const CliContext& context) {
    if (!confirmed(say("Emptying the recycle bin cannot be undone; empty it? [y/N] ",
                       "清空后将无法恢复，确定清空？[y/N] "))) {
        complain(say("the recycle bin was left as it was", "回收站保持原样"));
        return kFailed;
    }
    return onDisk(context, [&](CliSession& session, RemoteDisk&) {
        const ServiceVerdict why = session.client().disk().clearBin();
        if (!why.accepted()) {
            return refused(session, say("cannot empty the recycle bin", "无法清空回收站"), why,
                           "操作失败");
        }
        report(say("emptied the recycle bin", "已清空回收站"));
        return kDone;
    });
}

}  // namespace

void addBinCommands(CLI::App& app, const CliContext& context, int& exitCode) {
    auto format = std::make_shared<ListingFormat>();
    CLI::App* trash = app.add_subcommand(
        "trash", "List the recycle bin: name, size, time (ISO 8601) and id, tab-separated");
    trash->add_flag("--bytes", format->bytes, "sizes in bytes");
    trash->add_flag("--json", format->json,
                    "a JSON array of {name, type, size, time, id, protected}");
    trash->callback([&context, &exitCode, format] { exitCode = listBin(context, *format); });

    auto names = std::make_shared<std::vector<std::string>>();
    auto byId = std::make_shared<bool>(false);
    CLI::App* restore = app.add_subcommand(
        "restore",
        "Put items of the recycle bin back where they were (into the top folder when "
        "that is gone; a taken name gets a number)");
    restore->add_option("items", *names, "NAME as \"trash\" shows it, or ID with --id")->required();
    restore->add_flag("--id", *byId, "the arguments are ids as \"trash\" shows them");
    restore->callback(
        [&context, &exitCode, names, byId] { exitCode = restoreItems(context, *names, *byId); });

    app.add_subcommand("empty-trash",
                       "Delete everything in the recycle bin for good (asks first on a terminal)")
        ->callback([&context, &exitCode] { exitCode = emptyBin(context); });
}

}  // namespace nubexa::cli
