#include "standin/store/item_store.h"

#include <set>

#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

const char* table(ItemKind kind) {
    return kind == ItemKind::Folder ? "folders" : "files";
}

const char* parentColumn(ItemKind kind) {
    return kind == ItemKind::Folder ? "parent_id" : "folder_id";
}

const char* notFound(ItemKind kind) {
    return kind == ItemKind::Folder ? "文件夹不存在" : "文件不存在";
}

}  // namespace

std::optional<ItemStore::LiveItem> ItemStore::live(ItemKind kind, std::int64_t id) {
    if (kind == ItemKind::Folder) {
        const auto row = m_folders.folder(id);
        if (!row || row->binEntry != 0)
            return std::nullopt;
        return LiveItem{row->parentId, row->name, "", row->pwd};
    }
    const auto row = m_folders.file(id);
    if (!row || row->binEntry != 0 || !row->ready)
        return std::nullopt;
    return LiveItem{row->folderId, row->fullName(), row->ext, row->pwd};
}

Outcome ItemStore::rename(ItemKind kind, std::int64_t id, const std::string& newName) {
    const auto item = live(kind, id);
    if (!item)
        return Outcome::failure(notFound(kind));
    const std::string fullName = newName + item->suffix;
    if (auto check = checkItemName(newName); !check)
        return check;
    if (auto check = checkItemName(fullName); !check)
        return check;
    if (fullName == item->fullName)
        return Outcome::success();
    if (m_folders.nameTaken(item->parent, fullName, std::make_pair(kind, id)))
        return Outcome::failure("该位置已存在同名文件夹或文件");
    const std::string sql =
        std::string("UPDATE ") + table(kind) + " SET name = ? WHERE id = ? AND account_id = ?";
    m_tx.exec(sql.c_str(), newName, id, m_accountId);
    return Outcome::success();
}

Outcome ItemStore::move(ItemKind kind, const std::vector<std::int64_t>& ids, std::int64_t target) {
    if (ids.empty())
        return Outcome::failure("没有要移动的项目");
    if (!m_folders.isLiveFolder(target))
        return Outcome::failure("目标文件夹不存在");
    std::set<std::string> arriving;
    const std::string sql = std::string("UPDATE ") + table(kind) + " SET " + parentColumn(kind) +
                            " = ? WHERE id = ? AND account_id = ?";
    for (const std::int64_t id : ids) {
        const auto item = live(kind, id);
        if (!item)
            return Outcome::failure(notFound(kind));
        if (kind == ItemKind::Folder && m_folders.isWithin(target, id))
            return Outcome::failure("不能将文件夹移动到它自己或它的子文件夹中");
        if (item->parent == target)
            continue;
        if (m_folders.nameTaken(target, item->fullName) || !arriving.insert(item->fullName).second)
            return Outcome::failure("目标文件夹中已存在同名文件夹或文件：" + item->fullName);
        m_tx.exec(sql.c_str(), target, id, m_accountId);
    }
    return Outcome::success();
}

Outcome ItemStore::encrypt(ItemKind kind, std::int64_t id, const std::string& password,
                           const std::string& tip) {
    if (!live(kind, id))
        return Outcome::failure(notFound(kind));
    if (password.empty())
        return Outcome::failure("请输入密码");
    if (auto check = checkPlainText(password, 64, "密码"); !check)
        return check;
    if (auto check = checkPlainText(tip, 200, "密码提示"); !check)
        return check;
    const std::string sql = std::string("UPDATE ") + table(kind) +
                            " SET pwd = ?, pwd_tip = ? WHERE id = ? AND account_id = ?";
    m_tx.exec(sql.c_str(), password, tip, id, m_accountId);
    return Outcome::success();
}

Outcome ItemStore::decrypt(ItemKind kind, std::int64_t id, const std::string& password) {
    const auto item = live(kind, id);
    if (!item)
        return Outcome::failure(notFound(kind));
    if (item->pwd.empty())
        return Outcome::failure("该项目没有加密");
    if (item->pwd != password)
        return Outcome::failure("密码错误");
    const std::string sql = std::string("UPDATE ") + table(kind) +
                            " SET pwd = '', pwd_tip = '' WHERE id = ? AND account_id = ?";
    m_tx.exec(sql.c_str(), id, m_accountId);
    return Outcome::success();
}

}  // namespace nubexa::standin
