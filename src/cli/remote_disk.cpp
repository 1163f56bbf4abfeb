#include "cli/remote_disk.h"

#include <algorithm>

#include "cli/messages.h"

namespace nubexa::cli {

ListedId parseListedId(const std::string& given) {
    ListedId listed{given.rfind("id=", 0) == 0 ? given.substr(3) : given};
    if (listed.id.rfind("folder:", 0) == 0) {
        listed.id = listed.id.substr(7);
        listed.files = false;
    } else if (listed.id.rfind("file:", 0) == 0) {
        listed.id = listed.id.substr(5);
        listed.folders = false;
    }
    return listed;
}

bool RemoteDisk::loadTree(std::string& error) {
    if (m_tree)
        return true;
    ServiceResult<FolderTree> tree = m_disk.folderTree();
    if (!tree.ok()) {
        error = say("the folder tree could not be read from the service", "无法从服务读取文件夹树");
        if (tree.failure == Failure::kRefused && !tree.message.empty())
            error += ": " + tree.message;
        return false;
    }
    m_tree = std::move(tree.value);
    return true;
}

std::optional<RemoteFolder> RemoteDisk::folder(const std::string& path, std::string& error) {
    const auto parts = splitDiskPath(path);
    if (parts.empty())
        return RemoteFolder{};  // the top folder
    if (!loadTree(error))
        return std::nullopt;
    const std::vector<RemoteFolder> found = foldersOnPath(*m_tree, parts);
    if (found.size() < parts.size()) {
        const std::string missing = (found.empty() ? std::string() : found.back().locationText) +
                                    "\\" + parts[found.size()];
        error = say("no folder {} on the disk", "网盘上没有文件夹 {}", {missing});
        return std::nullopt;
    }
    return found.back();
}

std::optional<RemoteDisk::Listing> RemoteDisk::list(const RemoteFolder& folder,
                                                    std::string& error) {
    if (const auto kept = m_listings.find(folder.id); kept != m_listings.end())
        return kept->second;
    auto listed = m_disk.folderEntries(folder.id);
    if (!listed.ok()) {
        error =
            say("the folder {} could not be listed", "无法列出文件夹 {}", {folder.locationText});
        return std::nullopt;
    }
    return m_listings.emplace(folder.id, std::move(listed.value)).first->second;
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
        error = say("the top folder itself cannot be downloaded; name a folder or file in it",
                    "顶层文件夹本身不能下载；请指定其中的文件夹或文件");
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
    error = say("no file or folder {} on the disk", "网盘上没有文件或文件夹 {}",
                {parent->locationText + (parent->locationText == "\\" ? "" : "\\") + name});
    return std::nullopt;
}

std::optional<std::string> RemoteDisk::pathOfId(const std::string& given, std::string& error) {
    const ListedId listed = parseListedId(given);
    const std::string& id = listed.id;
    const bool folders = listed.folders;
    const bool files = listed.files;
    if (!loadTree(error))
        return std::nullopt;
    std::optional<std::string> folderPath;
    if (folders)
        folderPath = folderPathOfId(id);
    std::optional<std::string> filePath;
    if (files) {
        filePath = filePathOfId(id, error);
        if (!filePath && !error.empty())
            return std::nullopt;
    }
    if (folderPath && filePath) {
        error = say("id {} names folder {} and file {}; write folder:{} or file:{}",
                    "id {} 既是文件夹 {} 也是文件 {}；请写 folder:{} 或 file:{}",
                    {id, *folderPath, *filePath, id, id});
        return std::nullopt;
    }
    if (folderPath || filePath)
        return folderPath ? folderPath : filePath;
    error = say("no file or folder with id {} on the disk", "网盘上没有 id 为 {} 的文件或文件夹",
                {given});
    return std::nullopt;
}

std::optional<std::string> RemoteDisk::folderPathOfId(const std::string& id) const {
    const auto at = std::find_if(m_tree->ids.begin(), m_tree->ids.end(),
                                 [&id](std::int32_t each) { return std::to_string(each) == id; });
    if (at == m_tree->ids.end())
        return std::nullopt;
    std::int32_t folderId = *at;
    std::string path;
    // Bounded by the tree's size, so that a parent loop in an answer cannot hold us.
    for (std::size_t guard = 0; folderId != 0 && guard <= m_tree->ids.size(); ++guard) {
        const auto found = std::find(m_tree->ids.begin(), m_tree->ids.end(), folderId);
        if (found == m_tree->ids.end())
            break;
        const auto index = static_cast<std::size_t>(found - m_tree->ids.begin());
        path = "/" + m_tree->names[index] + path;
        folderId = m_tree->parentids[index];
    }
    return path;
}

std::optional<std::string> RemoteDisk::filePathOfId(const std::string& id, std::string& error) {
    // In the top folder, or somewhere below one of its folders (one listing each).
    const auto top = list(RemoteFolder{}, error);
    if (!top)
        return std::nullopt;
    for (const auto& file : top->files) {
        if (file.id == id)
            return "/" + file.name + file.ext;
    }
    for (std::size_t i = 0; i < m_tree->ids.size(); ++i) {
        if (m_tree->parentids[i] != 0)
            continue;
        const auto below = m_disk.folderContents(std::to_string(m_tree->ids[i]));
        if (!below.ok())
            continue;
        for (const auto& file : below.value.files) {
            if (file.id == id) {
                std::string folder = file.path;
                while (!folder.empty() && folder.back() == '/')
                    folder.pop_back();
                return folder + "/" + file.name + file.ext;
            }
        }
    }
    return std::nullopt;
}

}  // namespace nubexa::cli
