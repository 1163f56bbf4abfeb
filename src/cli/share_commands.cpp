// share, unshare, link, unlink, shares and links: the share and direct-link dialogs and the
// shared and direct-link pages.
#include <nlohmann/json.hpp>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>

#include "cli/cli_session.h"
#include "cli/disk_targets.h"
#include "cli/messages.h"
#include "cli/operation_commands.h"

namespace nubexa::cli {

namespace {

struct ShareArgs {
    std::string path;
    std::string code;
    std::string points = "0";
    TargetOptions target;
};

// An address the service did not give: why, and kFailed.
int unreadAddress(CliSession& session, const std::string& subject,
                  const ServiceResult<std::string>& address) {
    if (address.ok()) {
        complain(subject);
        return kFailed;
    }
    return refused(session, subject, {address.failure, address.message}, "无法读取地址");
}

int shareItem(CliSession& session, RemoteDisk& disk, const ShareArgs& args) {
    const auto target = findTarget(disk, args.path, args.target);
    if (!target)
        return kFailed;
    const DiskOperations& operations = session.client().disk();
    ServiceVerdict why;
    const std::string result = operations.share(target->ref(), args.code, args.points, &why);
    const std::string subject = say("cannot share {}", "无法分享 {}", {target->path});
    if (result != "1") {
        // A result other than 0 is the service's own text, as the share dialog shows it.
        if (why.message.empty() && result != "0")
            why = {Failure::kRefused, result};
        return refused(session, subject, why, "分享失败");
    }
    const ServiceResult<std::string> address = operations.shareLink(target->ref());
    if (!address.ok() || address.value.empty()) {
        return unreadAddress(session,
                             say("{} is shared, but its address could not be read",
                                 "{} 已分享，但无法读取分享地址", {target->path}),
                             address);
    }
    report(args.code.empty() ? say("shared {}: {} (no code)", "已分享 {}：{}（无提取码）",
                                   {target->path, address.value})
                             : say("shared {}: {} (code {})", "已分享 {}：{}（提取码 {}）",
                                   {target->path, address.value, args.code}));
    return kDone;
}

// What unshare and unlink take.
struct PathArgs {
    std::string path;
    TargetOptions target;
};

int unshareItem(CliSession& session, RemoteDisk& disk, const PathArgs& args) {
    const auto target = findTarget(disk, args.path, args.target);
    if (!target)
        return kFailed;
    const ServiceVerdict why = session.client().disk().cancelShare(target->ref());
    if (!why.accepted()) {
        return refused(session, say("cannot stop sharing {}", "无法取消分享 {}", {target->path}),
                       why, "关闭失败");
    }
    report(say("stopped sharing {}", "已取消分享 {}", {target->path}));
    return kDone;
}

// The file a direct-link command names; none (said why) for a folder or a closed service.
std::optional<DiskTarget> linkedFile(CliSession& session, RemoteDisk& disk, const std::string& path,
                                     const TargetOptions& options) {
    if (session.client().account().wip == "0") {
        complain("网盘直链服务未开通，请先开通服务");
        return std::nullopt;
    }
    auto target = findTarget(disk, path, options);
    if (target && target->item.isFolder) {
        complain(say("{} is a folder: direct links are for files", "{} 是文件夹：只有文件有直链",
                     {target->path}));
        return std::nullopt;
    }
    return target;
}

struct LinkArgs {
    std::string path;
    std::string name;
    std::string domains;
    const CLI::Option* domainsOption = nullptr;  // given: the domains change
    TargetOptions target;
};

int linkFile(CliSession& session, RemoteDisk& disk, const LinkArgs& args) {
    const auto target = linkedFile(session, disk, args.path, args.target);
    if (!target)
        return kFailed;
    const DiskOperations& operations = session.client().disk();
    // Without --name or --domains the link keeps what it has: read first, or a link renamed
    // while the read failed would lose its white list.
    std::string name = args.name;
    std::string domains = args.domains;
    const bool domainsGiven = args.domainsOption->count() > 0;
    if (name.empty() || !domainsGiven) {
        // Refused: the file has no link yet, and nothing to keep.
        const auto kept = operations.directLinkInfo(target->item.id);
        if (!kept.ok() && kept.failure != Failure::kRefused) {
            return refused(
                session,
                say("cannot read the direct link of {}", "无法读取 {} 的直链设置", {target->path}),
                {kept.failure, kept.message}, "未能读取直链设置");
        }
        // A link without a name of its own reads "key/id".
        if (name.empty() && kept.value.link.find('/') == std::string::npos)
            name = kept.value.link;
        if (!domainsGiven)
            domains = kept.value.domains;
    }
    if (name.empty()) {
        complain(say("give the link's name with --name (letters, digits, - _ .)",
                     "请输入自定义地址（--name，字母、数字和 - _ .）"));
        return kUsage;
    }
    const ServiceVerdict why = operations.setDirectLink(target->item.id, name, domains);
    if (!why.accepted()) {
        return refused(session, say("cannot link {}", "无法启用 {} 的直链", {target->path}), why,
                       "直链启用失败");
    }
    const ServiceResult<std::string> address = operations.directLink(target->item.id);
    if (!address.ok() || address.value.empty()) {
        return unreadAddress(session,
                             say("{} has a direct link, but its address could not be read",
                                 "{} 已启用直链，但无法读取直链地址", {target->path}),
                             address);
    }
    report(say("direct link of {}: {}", "{} 的直链：{}", {target->path, address.value}));
    return kDone;
}

int unlinkFile(CliSession& session, RemoteDisk& disk, const PathArgs& args) {
    const auto target = linkedFile(session, disk, args.path, args.target);
    if (!target)
        return kFailed;
    const ServiceVerdict why = session.client().disk().cancelDirectLink(target->item.id);
    if (!why.accepted()) {
        return refused(
            session,
            say("cannot close the direct link of {}", "无法关闭 {} 的直链", {target->path}), why,
            "关闭失败");
    }
    report(say("closed the direct link of {}", "已关闭 {} 的直链", {target->path}));
    return kDone;
}

struct SharedRow {
    std::string name;
    bool isFolder = false;
    std::string id;
    std::string address;
};

std::string sharedText(const std::vector<SharedRow>& rows, bool json) {
    if (json) {
        auto entries = nlohmann::json::array();
        for (const auto& row : rows) {
            entries.push_back({{"name", row.name},
                               {"type", row.isFolder ? "folder" : "file"},
                               {"id", row.id},
                               {"address", row.address}});
        }
        return entries.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    }
    std::string text;
    for (const auto& row : rows) {
        text += forTerminal(row.name) + (row.isFolder ? "/" : "") + "\t" +
                forTerminal(row.address) + "\tid=" + forTerminal(row.id) + "\n";
    }
    return text;
}

// "shares" (kShared) and "links" (kLinks): the page's items with their addresses.
int listShared(const CliContext& context, ListingKind kind, bool json) {
    return onDisk(context, [&](CliSession& session, RemoteDisk&) {
        const auto listed = listPage(session, kind);
        if (!listed)
            return kFailed;
        const DiskOperations& operations = session.client().disk();
        std::vector<SharedRow> rows;
        // The first address the service did not give; the rows are listed all the same.
        std::optional<std::pair<std::string, ServiceResult<std::string>>> unread;
        auto add = [&](const std::string& name, bool isFolder, const std::string& id,
                       ServiceResult<std::string> address) {
            if (!address.ok() && !unread)
                unread.emplace(name, address);
            rows.push_back({name, isFolder, id, std::move(address.value)});
        };
        for (const auto& folder : listed->folders)
            add(folder.name, true, folder.id, operations.shareLink({folder.id, true}));
        for (const auto& file : listed->files) {
            add(file.name + file.ext, false, file.id,
                kind == ListingKind::kLinks ? operations.directLink(file.id)
                                            : operations.shareLink({file.id, false}));
        }
        std::fputs(sharedText(rows, json).c_str(), stdout);
        if (unread) {
            return unreadAddress(
                session,
                say("the address of {} could not be read", "无法读取 {} 的地址", {unread->first}),
                unread->second);
        }
        return kDone;
    });
}

// "PATH" with the target options: the shape of unshare and unlink.
void addPathCommand(CLI::App& app, const CliContext& context, int& exitCode, const char* name,
                    const char* description,
                    int (*run)(CliSession&, RemoteDisk&, const PathArgs&)) {
    auto args = std::make_shared<PathArgs>();
    CLI::App* command = app.add_subcommand(name, description);
    command->add_option("path", args->path, "PATH of the file or folder")->required();
    addTargetOptions(*command, args->target);
    runsOnDisk(*command, context, exitCode, args, run);
}

}  // namespace

void addShareCommands(CLI::App& app, const CliContext& context, int& exitCode) {
    auto shareArgs = std::make_shared<ShareArgs>();
    CLI::App* share = app.add_subcommand(
        "share", "Share a file or folder by its address; prints the address and the code");
    share->add_option("path", shareArgs->path, "PATH of the file or folder")->required();
    share->add_option("--code", shareArgs->code,
                      "CODE a visitor must give to download (default: none)");
    share
        ->add_option("--points", shareArgs->points,
                     "points a visitor pays per download, 0 to 5 (default 0)")
        ->check(CLI::IsMember({"0", "1", "2", "3", "4", "5"}));
    addTargetOptions(*share, shareArgs->target);
    runsOnDisk(*share, context, exitCode, shareArgs, shareItem);

    addPathCommand(app, context, exitCode, "unshare", "Stop sharing a file or folder", unshareItem);

    auto linkArgs = std::make_shared<LinkArgs>();
    CLI::App* link = app.add_subcommand(
        "link", "Give a file a direct link (or change it); prints the link's address");
    link->add_option("path", linkArgs->path, "PATH of the file")->required();
    link->add_option("--name", linkArgs->name,
                     "the link's own part after the service's prefix (default: the link's "
                     "current name)");
    linkArgs->domainsOption =
        link->add_option("--domains", linkArgs->domains,
                         "only pages of these sites may use the link, comma-separated (\"\" for "
                         "any; default: as it is)");
    addTargetOptions(*link, linkArgs->target);
    runsOnDisk(*link, context, exitCode, linkArgs, linkFile);

    addPathCommand(app, context, exitCode, "unlink", "Close the direct link of a file", unlinkFile);

    for (const ListingKind kind : {ListingKind::kShared, ListingKind::kLinks}) {
        auto json = std::make_shared<bool>(false);
        CLI::App* list = kind == ListingKind::kShared
                             ? app.add_subcommand("shares",
                                                  "List the shared files and folders: name, "
                                                  "address and id, tab-separated")
                             : app.add_subcommand("links",
                                                  "List the files with a direct link: name, "
                                                  "address and id, tab-separated");
        list->add_flag("--json", *json, "a JSON array of {name, type, id, address}");
        list->callback(
            [&context, &exitCode, json, kind] { exitCode = listShared(context, kind, *json); });
    }
}

}  // namespace nubexa::cli
