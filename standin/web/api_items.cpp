// Item operations on folders and files: add, rename, move, delete, restore, protect, and
// FileAdd, the registration of an upload.
#include "standin/store/folder_store.h"
#include "standin/store/item_store.h"
#include "standin/store/recycle_bin.h"
#include "standin/store/upload_registry.h"
#include "standin/util/text_util.h"
#include "standin/web/api_router.h"

namespace nubexa::standin {

namespace {

// Ids of a plural key ("dirids", "fids"); nullopt refuses the request.
std::optional<std::vector<std::int64_t>> idsOf(const ApiCall& call, const char* key) {
    return parseIdList(call.query.decoded(key));
}

std::optional<std::int64_t> idOf(const ApiCall& call, const char* key) {
    const auto id = parseCount(call.query.decoded(key));
    return id && *id > 0 ? id : std::nullopt;
}

XmlAnswer folderAdd(ApiCall& call) {
    const auto parent = parseCount(call.query.decoded("pid"));
    std::int64_t newId = 0;
    const Outcome added =
        parent
            ? FolderStore(call.tx(), call.accountId).add(*parent, call.query.decoded("name"), newId)
            : Outcome::failure("上级文件夹无效");
    // The folder element comes with a refusal too: its id "0" tells the folder upload that
    // the folder exists already.
    XmlAnswer answer = XmlAnswer::from(added);
    answer.add(XmlNode("folder").attr("id", newId));
    return answer;
}

XmlAnswer renameItem(ApiCall& call, ItemKind kind, const char* idKey) {
    const auto id = idOf(call, idKey);
    if (!id)
        return XmlAnswer::refusal("参数无效");
    return XmlAnswer::from(
        ItemStore(call.tx(), call.accountId).rename(kind, *id, call.query.decoded("newname")));
}

XmlAnswer moveItems(ApiCall& call, ItemKind kind, const char* idsKey) {
    const auto ids = idsOf(call, idsKey);
    const auto target = parseCount(call.query.decoded("target_dirid"));
    if (!ids || !target)
        return XmlAnswer::refusal("参数无效");
    return XmlAnswer::from(ItemStore(call.tx(), call.accountId).move(kind, *ids, *target));
}

XmlAnswer deleteItems(ApiCall& call, ItemKind kind, const char* idsKey) {
    const auto ids = idsOf(call, idsKey);
    const std::string isReal = call.query.decoded("is_real");
    if (!ids || (isReal != "0" && isReal != "1"))
        return XmlAnswer::refusal("参数无效");
    RecycleBin bin(call.tx(), call.accountId, call.service.content);
    if (isReal == "0")
        return XmlAnswer::from(bin.remove(kind, *ids));
    std::vector<std::string> freed;
    const Outcome purged = bin.purge(kind, *ids, freed);
    call.afterCommit.emplace_back([&content = call.service.content, freed] {
        for (const auto& path : freed)
            content.remove(path);
    });
    return XmlAnswer::from(purged);
}

XmlAnswer encryptItem(ApiCall& call, ItemKind kind, const char* idKey) {
    const auto id = idOf(call, idKey);
    if (!id)
        return XmlAnswer::refusal("参数无效");
    return XmlAnswer::from(ItemStore(call.tx(), call.accountId)
                               .encrypt(kind, *id, call.query.decoded("password"),
                                        call.query.decoded("password_tip")));
}

XmlAnswer decryptItem(ApiCall& call, ItemKind kind, const char* idKey) {
    const auto id = idOf(call, idKey);
    if (!id)
        return XmlAnswer::refusal("参数无效");
    return XmlAnswer::from(
        ItemStore(call.tx(), call.accountId).decrypt(kind, *id, call.query.decoded("password")));
}

XmlAnswer restore(ApiCall& call) {
    const auto folders = idsOf(call, "dirids");
    const auto files = idsOf(call, "fids");
    if (!folders || !files)
        return XmlAnswer::refusal("参数无效");
    return XmlAnswer::from(
        RecycleBin(call.tx(), call.accountId, call.service.content).restore(*folders, *files));
}

XmlAnswer clearBin(ApiCall& call) {
    std::vector<std::string> freed;
    RecycleBin(call.tx(), call.accountId, call.service.content).clear(freed);
    call.afterCommit.emplace_back([&content = call.service.content, freed] {
        for (const auto& path : freed)
            content.remove(path);
    });
    return XmlAnswer::success();
}

XmlAnswer fileAdd(ApiCall& call) {
    const auto size = parseCount(call.query.decoded("size"));
    const auto dir = parseCount(call.query.decoded("dirid"));
    if (!size || !dir)
        return XmlAnswer::refusal("参数无效");
    UploadRequest request{call.query.decoded("name"), call.query.decoded("ext"), *size, *dir,
                          call.query.decoded("hash")};
    std::int64_t fileId = 0;
    if (auto registered = UploadRegistry(call.tx(), call.accountId).registerFile(request, fileId);
        !registered)
        return XmlAnswer::refusal(registered.message);
    return XmlAnswer::success().add(XmlNode("file").attr("id", fileId));
}

}  // namespace

void addItemOperations(ApiRouter& router) {
    router.add({"/fileservice.asmx/FolderAdd", {"pid", "name"}, Signing::Values, folderAdd});
    router.add({"/fileservice.asmx/FileAdd",
                {"name", "ext", "size", "dirid", "hash"},
                Signing::HashOnly,
                fileAdd});
    router.add(
        {"/fileservice.asmx/FolderAndFileRestore", {"dirids", "fids"}, Signing::Values, restore});
    router.add({"/fileservice.asmx/ClearBin", {}, Signing::Values, clearBin});
    addFolderAndFileOperation(router, "FolderRename", "FileRename", {"newname"}, renameItem,
                              "dirid", "fid");
    addFolderAndFileOperation(router, "FolderMove", "FileMove", {"target_dirid"}, moveItems,
                              "dirids", "fids");
    addFolderAndFileOperation(router, "FolderDelete", "FileDelete", {"is_real"}, deleteItems,
                              "dirids", "fids");
    addFolderAndFileOperation(router, "FolderEncrypt", "FileEncrypt", {"password", "password_tip"},
                              encryptItem, "dirid", "fid");
    addFolderAndFileOperation(router, "FolderDecrypt", "FileDecrypt", {"password"}, decryptItem,
                              "dirid", "fid");
}

}  // namespace nubexa::standin
