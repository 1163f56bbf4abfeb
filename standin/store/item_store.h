#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/store/disk_model.h"
#include "standin/store/folder_store.h"

namespace nubexa::standin {

// Rename, move and password protection of live folders and files. Works inside the caller's
// transaction; a refused operation may have run statements, so the caller rolls back.
class ItemStore {
public:
    ItemStore(SqlTx& tx, std::int64_t accountId)
        : m_tx(tx), m_accountId(accountId), m_folders(tx, accountId) {}

    // A file keeps its extension: newName replaces the name before it.
    Outcome rename(ItemKind kind, std::int64_t id, const std::string& newName);
    // All or nothing: every item must be live and its name free in the target.
    Outcome move(ItemKind kind, const std::vector<std::int64_t>& ids, std::int64_t target);
    Outcome encrypt(ItemKind kind, std::int64_t id, const std::string& password,
                    const std::string& tip);
    // Needs the current password.
    Outcome decrypt(ItemKind kind, std::int64_t id, const std::string& password);

    // A live item of this account: its parent folder, full name and password.
    struct LiveItem {
        std::int64_t parent = 0;
        std::string fullName;
        std::string suffix;  // the extension a file keeps when renamed
        std::string pwd;
    };
    std::optional<LiveItem> live(ItemKind kind, std::int64_t id);

private:
    SqlTx& m_tx;
    std::int64_t m_accountId;
    FolderStore m_folders;
};

}  // namespace nubexa::standin
