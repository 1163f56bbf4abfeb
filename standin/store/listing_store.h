#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/store/disk_model.h"
#include "standin/store/sql_database.h"

namespace nubexa::standin {

struct ListedFolder {
    FolderRow row;
    bool shared = false;
    std::string path;  // below-listing only: the path of the folder that holds it
};

struct ListedFile {
    FileRow row;
    bool shared = false;
    bool linked = false;
    std::string path;  // below-listing only: the path of its folder, "/" at both ends
};

struct Listing {
    std::vector<ListedFolder> folders;
    std::vector<ListedFile> files;
};

// The views the client lists. Only finalised files are listed. Works inside the caller's
// transaction.
class ListingStore {
public:
    ListingStore(SqlTx& tx, std::int64_t accountId) : m_tx(tx), m_accountId(accountId) {}

    Listing folder(std::int64_t dir);
    // Files uploaded in the last kRecentDays days, newest first, at most kRecentLimit.
    Listing recentUploads();
    // The items the bin entries were made for.
    Listing recycleBin();
    Listing shared();
    Listing linked();
    // Live items whose full name contains the keyword, compared case-insensitively.
    Listing search(const std::string& keyword);
    // Everything below `dir` with the paths of GetFilesWhitPath; parents before children.
    Listing below(std::int64_t dir, const std::string& dirName);
    // Every live folder, parents before children, siblings by name.
    std::vector<FolderRow> tree();

    static constexpr int kRecentDays = 30;
    static constexpr int kRecentLimit = 200;

private:
    std::vector<ListedFolder> queryFolders(const std::string& where, std::int64_t key);
    std::vector<ListedFile> queryFiles(const std::string& where, std::int64_t key);

    SqlTx& m_tx;
    std::int64_t m_accountId;
};

// Sorts by "name", "time", "size", "link" or "share" (anything else: name), descending when
// desc is "1". Folders have no size or link and fall back to their names for those keys.
void sortListing(Listing& listing, const std::string& order, const std::string& desc);

}  // namespace nubexa::standin
