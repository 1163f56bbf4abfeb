#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/store/content_area.h"
#include "standin/store/disk_model.h"
#include "standin/store/folder_store.h"

namespace nubexa::standin {

// The recycle bin of one account. Deleting puts an item, with everything below a folder, into
// one bin entry; restoring brings the entry back where it was; purging removes items for good.
// Works inside the caller's transaction. Content files of purged items are not removed here:
// they are collected in `freed` for the caller to remove once the transaction committed.
class RecycleBin {
public:
    RecycleBin(SqlTx& tx, std::int64_t accountId, const ContentArea& content)
        : m_tx(tx), m_accountId(accountId), m_content(content), m_folders(tx, accountId) {}

    // All or nothing: every id must be a live item of the account.
    Outcome remove(ItemKind kind, const std::vector<std::int64_t>& ids);

    // For good, live or in the bin, with everything below a folder.
    Outcome purge(ItemKind kind, const std::vector<std::int64_t>& ids,
                  std::vector<std::string>& freed);

    // Each id must be an item shown in the bin (the item a bin entry was made for). Its parent
    // is its old folder when that is live, else the root; a taken name gets a number.
    Outcome restore(const std::vector<std::int64_t>& folderIds,
                    const std::vector<std::int64_t>& fileIds);

    void clear(std::vector<std::string>& freed);

private:
    std::int64_t entryOf(ItemKind kind, std::int64_t id);
    Outcome restoreEntry(ItemKind kind, std::int64_t id);
    void purgeFiles(const char* where, std::int64_t key, std::vector<std::string>& freed);
    void dropOrphans();

    SqlTx& m_tx;
    std::int64_t m_accountId;
    const ContentArea& m_content;
    FolderStore m_folders;
};

}  // namespace nubexa::standin
