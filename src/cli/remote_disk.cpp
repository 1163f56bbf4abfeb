#include "cli/remote_disk.h"

#include "service/service_client.h"

namespace nubexa::cli {

std::vector<std::string> splitDiskPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (const char c : path + "/") {
        if (c == '/' || c == '\\') {
            if (!part.empty() && part != ".")
                parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    return parts;
}

bool RemoteDisk::loadTree(std::string& error) {
    if (m_tree)
        return true;
    const AccountInfo account = m_service.account();
    FolderTree tree;
    if (m_service.GetFolders(account.uid, account.token, "0", tree) < 0) {
        error = "the folder tree could not be read from the service";
        return false;
    }
    m_tree = std::move(tree);
    return true;
}

std::optional<RemoteFolder> RemoteDisk::folder(const std::string& path, std::string& error) {
    RemoteFolder found;  // the top folder
    const auto parts = splitDiskPath(path);
    if (parts.empty())
        return found;
    if (!loadTree(error))
        return std::nullopt;
    std::int32_t current = 0;
    std::string location;
    for (const auto& name : parts) {
        std::optional<std::int32_t> child;
        for (std::size_t i = 0; i < m_tree->names.size(); ++i) {
            if (m_tree->parentids[i] == current && m_tree->names[i] == name) {
                child = m_tree->ids[i];
                break;
            }
        }
        if (!child) {
            error = "no folder " + location + "\\" + name + " on the disk";
            return std::nullopt;
        }
        current = *child;
        location += "\\" + name;
    }
    found.id = std::to_string(current);
    found.locationText = location;
    return found;
}

std::optional<RemoteDisk::Listing> RemoteDisk::list(const RemoteFolder& folder,
                                                    std::string& error) {
    const AccountInfo account = m_service.account();
    if (m_service.GetFiles(account.uid, account.token, folder.id, "name", "0") != 1) {
        error = "the folder " + folder.locationText + " could not be listed";
        return std::nullopt;
    }
    Listing listing;
    m_service.readTables([&](const DiskTables& tables) {
        listing.folders = listedEntries(tables.disk_folders);
        listing.files = listedEntries(tables.disk_files);
    });
    return listing;
}

std::optional<std::vector<RemoteDisk::ProtectedFolder>> RemoteDisk::protectedOnPath(
    const std::string& path, std::string& error) {
    std::vector<ProtectedFolder> found;
    RemoteFolder current;  // the top folder
    std::string location;
    for (const auto& name : splitDiskPath(path)) {
        const auto listing = list(current, error);
        if (!listing)
            return std::nullopt;
        const FolderItemLc* child = nullptr;
        for (const auto& entry : listing->folders) {
            if (entry.name == name)
                child = &entry;
        }
        if (child == nullptr)
            break;  // a file, or nothing: the caller says which
        location += "\\" + name;
        current.id = child->id;
        current.locationText = location;
        if (child->ispwd == "1")
            found.push_back({location, child->pwd, child->pwdtip});
    }
    return found;
}

std::optional<DiskItem> RemoteDisk::item(const std::string& path, std::string& error) {
    auto parts = splitDiskPath(path);
    if (parts.empty()) {
        error = "the top folder itself cannot be downloaded; name a folder or file in it";
        return std::nullopt;
    }
    const std::string name = parts.back();
    parts.pop_back();
    std::string parentPath;
    for (const auto& part : parts)
        parentPath += "/" + part;
    const auto parent = folder(parentPath, error);
    if (!parent)
        return std::nullopt;
    const auto listing = list(*parent, error);
    if (!listing)
        return std::nullopt;
    for (const auto& entry : listing->folders) {
        if (entry.name == name)
            return DiskItem{entry.id, entry.name, "", "0", true};
    }
    for (const auto& entry : listing->files) {
        if (entry.name + entry.ext == name)
            return DiskItem{entry.id, entry.name, entry.ext, entry.size, false};
    }
    error = "no file or folder " + parent->locationText +
            (parent->locationText == "\\" ? "" : "\\") + name + " on the disk";
    return std::nullopt;
}

}  // namespace nubexa::cli
