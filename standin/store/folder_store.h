#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "standin/store/disk_model.h"
#include "standin/store/sql_database.h"

namespace nubexa::standin {

// The folder tree of one account and the names in it. Works inside the caller's transaction.
class FolderStore {
public:
    FolderStore(SqlTx& tx, std::int64_t accountId) : m_tx(tx), m_accountId(accountId) {}

    std::optional<FolderRow> folder(std::int64_t id);
    std::optional<FileRow> file(std::int64_t id);

    // The root (0) or a folder of this account that is not in the recycle bin.
    bool isLiveFolder(std::int64_t id);

    // Walks names from `start`; ".." goes up and stops with nullopt above the root.
    std::optional<std::int64_t> resolve(std::int64_t start, const std::vector<std::string>& names);

    // Names from the root down to the folder (empty for the root).
    std::vector<std::string> pathNames(std::int64_t id);

    // True when `id` is `ancestor` or lies below it.
    bool isWithin(std::int64_t id, std::int64_t ancestor);

    // The folder and every folder below it, parents before children, in any bin state.
    std::vector<std::int64_t> subtree(std::int64_t id);

    // Whether a live folder, or a live file (finalised or waiting), in `parent` has this full
    // name; `except` names an item that does not count (the one being renamed).
    bool nameTaken(std::int64_t parent, const std::string& fullName,
                   std::optional<std::pair<ItemKind, std::int64_t>> except = std::nullopt);

    // `name`, or "name (2)", "name (3)", ... : the first whose name + ext is free in `parent`.
    std::string freeName(std::int64_t parent, const std::string& name, const std::string& ext);

    // Creates a folder. When the name is taken, newId is 0 and the outcome says so.
    Outcome add(std::int64_t parent, const std::string& name, std::int64_t& newId);

private:
    SqlTx& m_tx;
    std::int64_t m_accountId;
};

}  // namespace nubexa::standin
