#include "standin/store/recycle_bin.h"

#include "standin/util/text_util.h"

namespace nubexa::standin {

Outcome RecycleBin::remove(ItemKind kind, const std::vector<std::int64_t>& ids) {
    if (ids.empty())
        return Outcome::failure("没有要删除的项目");
    for (const std::int64_t id : ids) {
        const bool live = kind == ItemKind::Folder ? (id != 0 && m_folders.isLiveFolder(id)) : [&] {
            const auto file = m_folders.file(id);
            return file && file->binEntry == 0;
        }();
        if (!live)
            return Outcome::failure(kind == ItemKind::Folder ? "文件夹不存在" : "文件不存在");
        m_tx.exec(
            "INSERT INTO bin_entries (account_id, kind, item_id, deleted_at) VALUES (?, ?, ?, ?)",
            m_accountId, kindName(kind), id, nowSeconds());
        const std::int64_t entry = m_tx.lastInsertId();
        if (kind == ItemKind::File) {
            m_tx.exec("UPDATE files SET bin_entry = ? WHERE id = ? AND account_id = ?", entry, id,
                      m_accountId);
            continue;
        }
        for (const std::int64_t folder : m_folders.subtree(id)) {
            m_tx.exec(
                "UPDATE folders SET bin_entry = ? WHERE id = ? AND account_id = ? AND"
                " bin_entry = 0",
                entry, folder, m_accountId);
            m_tx.exec(
                "UPDATE files SET bin_entry = ? WHERE folder_id = ? AND account_id = ? AND"
                " bin_entry = 0",
                entry, folder, m_accountId);
        }
    }
    return Outcome::success();
}

void RecycleBin::purgeFiles(const char* where, std::int64_t key, std::vector<std::string>& freed) {
    const std::string select =
        std::string("SELECT id FROM files WHERE account_id = ? AND ") + where;
    auto rows = m_tx.prepare(select.c_str(), m_accountId, key);
    while (rows.next())
        freed.push_back(m_content.contentPath(m_accountId, rows.integer(0)));
    const std::string erase = std::string("DELETE FROM files WHERE account_id = ? AND ") + where;
    m_tx.exec(erase.c_str(), m_accountId, key);
}

void RecycleBin::dropOrphans() {
    m_tx.exec(
        "DELETE FROM bin_entries WHERE account_id = ?1 AND NOT EXISTS (SELECT 1 FROM folders f"
        " WHERE bin_entries.kind = 'folder' AND f.id = bin_entries.item_id) AND NOT EXISTS"
        " (SELECT 1 FROM files f WHERE bin_entries.kind = 'file' AND f.id ="
        " bin_entries.item_id)",
        m_accountId);
    m_tx.exec(
        "DELETE FROM shares WHERE account_id = ?1 AND NOT EXISTS (SELECT 1 FROM folders f WHERE"
        " shares.kind = 'folder' AND f.id = shares.item_id) AND NOT EXISTS (SELECT 1 FROM files f"
        " WHERE shares.kind = 'file' AND f.id = shares.item_id)",
        m_accountId);
    m_tx.exec("DELETE FROM links WHERE account_id = ? AND file_id NOT IN (SELECT id FROM files)",
              m_accountId);
}

Outcome RecycleBin::purge(ItemKind kind, const std::vector<std::int64_t>& ids,
                          std::vector<std::string>& freed) {
    if (ids.empty())
        return Outcome::failure("没有要删除的项目");
    for (const std::int64_t id : ids) {
        if (kind == ItemKind::File) {
            if (!m_folders.file(id))
                return Outcome::failure("文件不存在");
            purgeFiles("id = ?", id, freed);
            continue;
        }
        if (!m_folders.folder(id))
            return Outcome::failure("文件夹不存在");
        for (const std::int64_t folder : m_folders.subtree(id)) {
            purgeFiles("folder_id = ?", folder, freed);
            m_tx.exec("DELETE FROM folders WHERE id = ? AND account_id = ?", folder, m_accountId);
        }
    }
    dropOrphans();
    return Outcome::success();
}

std::int64_t RecycleBin::entryOf(ItemKind kind, std::int64_t id) {
    return m_tx.scalar(0,
                       "SELECT id FROM bin_entries WHERE account_id = ? AND kind = ? AND"
                       " item_id = ?",
                       m_accountId, kindName(kind), id);
}

Outcome RecycleBin::restoreEntry(ItemKind kind, std::int64_t id) {
    const std::int64_t entry = entryOf(kind, id);
    if (entry == 0)
        return Outcome::failure("回收站中没有该项目");
    std::int64_t parent = 0;
    std::string name;
    std::string ext;
    if (kind == ItemKind::Folder) {
        const auto row = m_folders.folder(id);
        parent = row ? row->parentId : 0;
        name = row ? row->name : "";
    } else {
        const auto row = m_folders.file(id);
        parent = row ? row->folderId : 0;
        name = row ? row->name : "";
        ext = row ? row->ext : "";
    }
    if (!m_folders.isLiveFolder(parent))
        parent = 0;
    const std::string freeName = m_folders.freeName(parent, name, ext);
    if (kind == ItemKind::Folder) {
        m_tx.exec("UPDATE folders SET parent_id = ?, name = ? WHERE id = ?", parent, freeName, id);
    } else {
        m_tx.exec("UPDATE files SET folder_id = ?, name = ? WHERE id = ?", parent, freeName, id);
    }
    m_tx.exec("UPDATE folders SET bin_entry = 0 WHERE account_id = ? AND bin_entry = ?",
              m_accountId, entry);
    m_tx.exec("UPDATE files SET bin_entry = 0 WHERE account_id = ? AND bin_entry = ?", m_accountId,
              entry);
    m_tx.exec("DELETE FROM bin_entries WHERE id = ?", entry);
    return Outcome::success();
}

Outcome RecycleBin::restore(const std::vector<std::int64_t>& folderIds,
                            const std::vector<std::int64_t>& fileIds) {
    if (folderIds.empty() && fileIds.empty())
        return Outcome::failure("没有要还原的项目");
    for (const std::int64_t id : folderIds) {
        if (auto restored = restoreEntry(ItemKind::Folder, id); !restored)
            return restored;
    }
    for (const std::int64_t id : fileIds) {
        if (auto restored = restoreEntry(ItemKind::File, id); !restored)
            return restored;
    }
    return Outcome::success();
}

void RecycleBin::clear(std::vector<std::string>& freed) {
    std::vector<std::pair<ItemKind, std::int64_t>> roots;
    auto rows =
        m_tx.prepare("SELECT kind, item_id FROM bin_entries WHERE account_id = ?", m_accountId);
    while (rows.next())
        roots.emplace_back(rows.text(0) == "folder" ? ItemKind::Folder : ItemKind::File,
                           rows.integer(1));
    for (const auto& [kind, id] : roots)
        purge(kind, {id}, freed);
    // Items a folder took into the bin and that were moved there under another entry are gone
    // with their folder; anything else still marked is purged here.
    auto stray =
        m_tx.prepare("SELECT id FROM folders WHERE account_id = ? AND bin_entry <> 0", m_accountId);
    std::vector<std::int64_t> folders;
    while (stray.next())
        folders.push_back(stray.integer(0));
    for (const std::int64_t id : folders) {
        if (m_folders.folder(id))
            purge(ItemKind::Folder, {id}, freed);
    }
    purgeFiles("bin_entry <> ?", 0, freed);
    dropOrphans();
}

}  // namespace nubexa::standin
