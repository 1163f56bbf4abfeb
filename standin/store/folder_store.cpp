#include "standin/store/folder_store.h"

#include "standin/util/crypto_util.h"
#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

constexpr int kDeepestTree = 64;

}  // namespace

std::optional<FolderRow> FolderStore::folder(std::int64_t id) {
    auto row = m_tx.prepare(
        "SELECT id, parent_id, name, pwd, pwd_tip, created, bin_entry FROM folders"
        " WHERE id = ? AND account_id = ?",
        id, m_accountId);
    if (!row.next())
        return std::nullopt;
    return FolderRow{row.integer(0), row.integer(1), row.text(2),   row.text(3),
                     row.text(4),    row.integer(5), row.integer(6)};
}

std::optional<FileRow> FolderStore::file(std::int64_t id) {
    auto row = m_tx.prepare(
        "SELECT id, folder_id, name, ext, size, md5, state, pwd, pwd_tip, created, bin_entry"
        " FROM files WHERE id = ? AND account_id = ?",
        id, m_accountId);
    if (!row.next())
        return std::nullopt;
    FileRow file;
    file.id = row.integer(0);
    file.folderId = row.integer(1);
    file.name = row.text(2);
    file.ext = row.text(3);
    file.size = row.integer(4);
    file.md5 = row.text(5);
    file.ready = row.integer(6) == 1;
    file.pwd = row.text(7);
    file.pwdTip = row.text(8);
    file.created = row.integer(9);
    file.binEntry = row.integer(10);
    return file;
}

bool FolderStore::isLiveFolder(std::int64_t id) {
    if (id == 0)
        return true;
    const auto row = folder(id);
    return row && row->binEntry == 0;
}

std::optional<std::int64_t> FolderStore::resolve(std::int64_t start,
                                                 const std::vector<std::string>& names) {
    std::int64_t current = start;
    for (const auto& name : names) {
        if (name == ".")
            continue;
        if (name == "..") {
            if (current == 0)
                return std::nullopt;
            const auto row = folder(current);
            if (!row)
                return std::nullopt;
            current = row->parentId;
            continue;
        }
        auto child = m_tx.prepare(
            "SELECT id FROM folders WHERE account_id = ? AND parent_id = ? AND name = ? AND"
            " bin_entry = 0",
            m_accountId, current, name);
        if (!child.next())
            return std::nullopt;
        current = child.integer(0);
    }
    return current;
}

std::vector<std::string> FolderStore::pathNames(std::int64_t id) {
    std::vector<std::string> names;
    for (int depth = 0; id != 0 && depth < kDeepestTree; ++depth) {
        const auto row = folder(id);
        if (!row)
            break;
        names.insert(names.begin(), row->name);
        id = row->parentId;
    }
    return names;
}

bool FolderStore::isWithin(std::int64_t id, std::int64_t ancestor) {
    if (ancestor == 0)
        return true;
    for (int depth = 0; id != 0 && depth < kDeepestTree; ++depth) {
        if (id == ancestor)
            return true;
        const auto row = folder(id);
        if (!row)
            return false;
        id = row->parentId;
    }
    return false;
}

std::vector<std::int64_t> FolderStore::subtree(std::int64_t id) {
    std::vector<std::int64_t> ids{id};
    for (std::size_t next = 0; next < ids.size(); ++next) {
        auto children = m_tx.prepare(
            "SELECT id FROM folders WHERE account_id = ? AND parent_id = ? ORDER BY name, id",
            m_accountId, ids[next]);
        while (children.next())
            ids.push_back(children.integer(0));
    }
    if (id == 0)
        ids.erase(ids.begin());
    return ids;
}

bool FolderStore::nameTaken(std::int64_t parent, const std::string& fullName,
                            std::optional<std::pair<ItemKind, std::int64_t>> except) {
    const std::int64_t exceptFolder =
        except && except->first == ItemKind::Folder ? except->second : -1;
    const std::int64_t exceptFile = except && except->first == ItemKind::File ? except->second : -1;
    return m_tx.scalar(0,
                       "SELECT (SELECT COUNT(*) FROM folders WHERE account_id = ?1 AND"
                       " parent_id = ?2 AND bin_entry = 0 AND name = ?3 AND id <> ?4) +"
                       " (SELECT COUNT(*) FROM files WHERE account_id = ?1 AND folder_id = ?2"
                       " AND bin_entry = 0 AND name || ext = ?3 AND id <> ?5)",
                       m_accountId, parent, fullName, exceptFolder, exceptFile) > 0;
}

std::string FolderStore::freeName(std::int64_t parent, const std::string& name,
                                  const std::string& ext) {
    if (!nameTaken(parent, name + ext))
        return name;
    for (int n = 2; n < 10000; ++n) {
        const std::string candidate = numberedName(name, n);
        if (!nameTaken(parent, candidate + ext))
            return candidate;
    }
    return name + " (" + randomKey(8) + ")";
}

Outcome FolderStore::add(std::int64_t parent, const std::string& name, std::int64_t& newId) {
    newId = 0;
    if (auto check = checkItemName(name); !check)
        return check;
    if (!isLiveFolder(parent))
        return Outcome::failure("上级文件夹不存在");
    if (pathNames(parent).size() + 1 >= static_cast<std::size_t>(kDeepestTree))
        return Outcome::failure("文件夹层级太深");
    if (nameTaken(parent, name))
        return Outcome::failure("该位置已存在同名文件夹或文件");
    m_tx.exec("INSERT INTO folders (account_id, parent_id, name, created) VALUES (?, ?, ?, ?)",
              m_accountId, parent, name, nowSeconds());
    newId = m_tx.lastInsertId();
    return Outcome::success();
}

}  // namespace nubexa::standin
