// Listing operations: one folder, the views (latest uploads, bin, shares, links), the search,
// the folder tree and the listing below a folder for folder downloads.
#include "standin/store/folder_store.h"
#include "standin/store/listing_store.h"
#include "standin/util/text_util.h"
#include "standin/web/api_router.h"

namespace nubexa::standin {

namespace {

const char* flag(bool value) {
    return value ? "1" : "0";
}

XmlNode fileElement(const ListedFile& file, bool withPath) {
    XmlNode node("file");
    node.attr("id", file.row.id)
        .attr("name", file.row.name)
        .attr("ext", file.row.ext)
        .attr("size", file.row.size)
        .attr("isshare", flag(file.shared))
        .attr("isoutlink", flag(file.linked))
        .attr("ispwd", flag(!file.row.pwd.empty()))
        .attr("pwdtip", file.row.pwdTip)
        .attr("time", timeText(file.row.created))
        .attr("pwd", file.row.pwd);
    if (withPath)
        node.attr("path", file.path);
    return node;
}

XmlNode folderElement(const ListedFolder& folder, bool withPath) {
    XmlNode node("folder");
    node.attr("id", folder.row.id)
        .attr("name", folder.row.name)
        .attr("ispwd", flag(!folder.row.pwd.empty()))
        .attr("pwdtip", folder.row.pwdTip)
        .attr("time", timeText(folder.row.created))
        .attr("isshare", flag(folder.shared))
        .attr("pwd", folder.row.pwd);
    if (withPath)
        node.attr("path", folder.path);
    return node;
}

// result, [parentid], files, folders: the order the client reads them in.
XmlAnswer listingAnswer(const Listing& listing, std::optional<std::int64_t> parentId,
                        bool withPaths = false) {
    XmlAnswer answer = XmlAnswer::success();
    if (parentId)
        answer.add(XmlNode::withText("parentid", std::to_string(*parentId)));
    XmlNode files("files");
    for (const auto& file : listing.files)
        files.add(fileElement(file, withPaths));
    XmlNode folders("folders");
    for (const auto& folder : listing.folders)
        folders.add(folderElement(folder, withPaths));
    answer.add(std::move(files)).add(std::move(folders));
    return answer;
}

Listing sorted(Listing listing, const ApiCall& call) {
    sortListing(listing, call.query.decoded("order"), call.query.decoded("desc"));
    return listing;
}

// The folder named by a query value: the root or a live folder of the account.
std::optional<std::int64_t> liveFolder(ApiCall& call, const char* key) {
    const auto id = parseCount(call.query.decoded(key));
    if (!id || !FolderStore(call.tx(), call.accountId).isLiveFolder(*id))
        return std::nullopt;
    return id;
}

std::int64_t parentOf(ApiCall& call, std::int64_t id) {
    const auto row = FolderStore(call.tx(), call.accountId).folder(id);
    return row ? row->parentId : 0;
}

XmlAnswer getFiles(ApiCall& call) {
    const auto dir = liveFolder(call, "dir");
    if (!dir)
        return XmlAnswer::refusal("文件夹不存在");
    ListingStore listings(call.tx(), call.accountId);
    return listingAnswer(sorted(listings.folder(*dir), call), parentOf(call, *dir));
}

// A view of the whole account (latest uploads, bin, shares, links) in the requested order.
template <Listing (ListingStore::*kView)()>
XmlAnswer view(ApiCall& call) {
    ListingStore listings(call.tx(), call.accountId);
    return listingAnswer(sorted((listings.*kView)(), call), std::nullopt);
}

XmlAnswer fileSearch(ApiCall& call) {
    const std::string keyword = call.query.decoded("keyword");
    if (auto check = checkPlainText(keyword, 255, "关键字"); !check)
        return XmlAnswer::refusal(check.message);
    if (keyword.empty())
        return listingAnswer({}, std::nullopt);
    return listingAnswer(sorted(ListingStore(call.tx(), call.accountId).search(keyword), call),
                         std::nullopt);
}

XmlAnswer getFolders(ApiCall& call) {
    const auto current = parseCount(call.query.decoded("currentdirid"));
    XmlAnswer answer = XmlAnswer::success();
    answer.add(
        XmlNode::withText("parentid", std::to_string(current ? parentOf(call, *current) : 0)));
    XmlNode folders("folders");
    for (const auto& folder : ListingStore(call.tx(), call.accountId).tree())
        folders.add(XmlNode("folder")
                        .attr("id", folder.id)
                        .attr("name", folder.name)
                        .attr("parentid", folder.parentId));
    answer.add(std::move(folders));
    return answer;
}

XmlAnswer getFilesWhitPath(ApiCall& call) {
    const auto dir = liveFolder(call, "dir");
    if (!dir || *dir == 0)
        return XmlAnswer::refusal("文件夹不存在");
    const auto row = FolderStore(call.tx(), call.accountId).folder(*dir);
    Listing listing = ListingStore(call.tx(), call.accountId).below(*dir, row->name);
    // Folders stay parents first; files follow the requested order.
    Listing files{{}, std::move(listing.files)};
    sortListing(files, call.query.decoded("order"), call.query.decoded("desc"));
    listing.files = std::move(files.files);
    return listingAnswer(listing, row->parentId, true);
}

}  // namespace

void addListingOperations(ApiRouter& router) {
    router.add({"/UserService.asmx/GetFiles", {"dir", "order", "desc"}, Signing::Values, getFiles});
    router.add({"/UserService.asmx/GetNewUploadFiles",
                {"order", "desc"},
                Signing::Values,
                view<&ListingStore::recentUploads>});
    router.add({"/UserService.asmx/GetRecycleFiles",
                {"order", "desc"},
                Signing::Values,
                view<&ListingStore::recycleBin>});
    router.add({"/UserService.asmx/GetShareFiles",
                {"order", "desc"},
                Signing::Values,
                view<&ListingStore::shared>});
    router.add({"/UserService.asmx/GetLinkFiles",
                {"order", "desc"},
                Signing::Values,
                view<&ListingStore::linked>});
    router.add({"/UserService.asmx/FileSearch",
                {"order", "desc", "keyword"},
                Signing::Values,
                fileSearch});
    router.add({"/userservice.asmx/GetFolders", {"currentdirid"}, Signing::Values, getFolders});
    router.add({"/UserService.asmx/GetFilesWhitPath",
                {"dir", "order", "desc"},
                Signing::Values,
                getFilesWhitPath});
}

}  // namespace nubexa::standin
