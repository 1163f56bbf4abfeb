#include "standin/store/listing_store.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "standin/store/folder_store.h"
#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

constexpr const char* kFolderSelect =
    "SELECT f.id, f.parent_id, f.name, f.pwd, f.pwd_tip, f.created, f.bin_entry,"
    " EXISTS (SELECT 1 FROM shares s WHERE s.kind = 'folder' AND s.item_id = f.id)"
    " FROM folders f WHERE f.account_id = ? AND ";

constexpr const char* kFileSelect =
    "SELECT f.id, f.folder_id, f.name, f.ext, f.size, f.md5, f.pwd, f.pwd_tip, f.created,"
    " f.bin_entry, EXISTS (SELECT 1 FROM shares s WHERE s.kind = 'file' AND s.item_id = f.id),"
    " EXISTS (SELECT 1 FROM links l WHERE l.file_id = f.id)"
    " FROM files f WHERE f.account_id = ? AND f.state = 1 AND ";

}  // namespace

std::vector<ListedFolder> ListingStore::queryFolders(const std::string& where, std::int64_t key) {
    std::vector<ListedFolder> out;
    const std::string sql = kFolderSelect + where;
    auto rows = m_tx.prepare(sql.c_str(), m_accountId, key);
    while (rows.next()) {
        ListedFolder folder;
        folder.row = FolderRow{rows.integer(0), rows.integer(1), rows.text(2),   rows.text(3),
                               rows.text(4),    rows.integer(5), rows.integer(6)};
        folder.shared = rows.integer(7) != 0;
        out.push_back(std::move(folder));
    }
    return out;
}

std::vector<ListedFile> ListingStore::queryFiles(const std::string& where, std::int64_t key) {
    std::vector<ListedFile> out;
    const std::string sql = kFileSelect + where;
    auto rows = m_tx.prepare(sql.c_str(), m_accountId, key);
    while (rows.next()) {
        ListedFile file;
        file.row.id = rows.integer(0);
        file.row.folderId = rows.integer(1);
        file.row.name = rows.text(2);
        file.row.ext = rows.text(3);
        file.row.size = rows.integer(4);
        file.row.md5 = rows.text(5);
        file.row.ready = true;
        file.row.pwd = rows.text(6);
        file.row.pwdTip = rows.text(7);
        file.row.created = rows.integer(8);
        file.row.binEntry = rows.integer(9);
        file.shared = rows.integer(10) != 0;
        file.linked = rows.integer(11) != 0;
        out.push_back(std::move(file));
    }
    return out;
}

Listing ListingStore::folder(std::int64_t dir) {
    return {queryFolders("f.parent_id = ? AND f.bin_entry = 0", dir),
            queryFiles("f.folder_id = ? AND f.bin_entry = 0", dir)};
}

Listing ListingStore::recentUploads() {
    auto files = queryFiles("f.created >= ? AND f.bin_entry = 0 ORDER BY f.created DESC, f.id DESC",
                            nowSeconds() - std::int64_t{kRecentDays} * 86400);
    if (files.size() > static_cast<std::size_t>(kRecentLimit))
        files.resize(kRecentLimit);
    return {{}, std::move(files)};
}

Listing ListingStore::recycleBin() {
    return {queryFolders("f.bin_entry <> ? AND EXISTS (SELECT 1 FROM bin_entries b WHERE"
                         " b.kind = 'folder' AND b.item_id = f.id)",
                         0),
            queryFiles("f.bin_entry <> ? AND EXISTS (SELECT 1 FROM bin_entries b WHERE"
                       " b.kind = 'file' AND b.item_id = f.id)",
                       0)};
}

Listing ListingStore::shared() {
    return {queryFolders("f.bin_entry = ? AND EXISTS (SELECT 1 FROM shares s WHERE"
                         " s.kind = 'folder' AND s.item_id = f.id)",
                         0),
            queryFiles("f.bin_entry = ? AND EXISTS (SELECT 1 FROM shares s WHERE"
                       " s.kind = 'file' AND s.item_id = f.id)",
                       0)};
}

Listing ListingStore::linked() {
    return {{},
            queryFiles("f.bin_entry = ? AND EXISTS (SELECT 1 FROM links l WHERE"
                       " l.file_id = f.id)",
                       0)};
}

Listing ListingStore::search(const std::string& keyword) {
    const std::string needle = foldCase(keyword);
    Listing found;
    for (auto& folder : queryFolders("f.bin_entry = ?", 0)) {
        if (foldCase(folder.row.name).find(needle) != std::string::npos)
            found.folders.push_back(std::move(folder));
    }
    for (auto& file : queryFiles("f.bin_entry = ?", 0)) {
        if (foldCase(file.row.fullName()).find(needle) != std::string::npos)
            found.files.push_back(std::move(file));
    }
    return found;
}

Listing ListingStore::below(std::int64_t dir, const std::string& dirName) {
    FolderStore folders(m_tx, m_accountId);
    std::map<std::int64_t, std::string> pathOf{{dir, "/" + dirName + "/"}};
    Listing listing;
    for (const std::int64_t id : folders.subtree(dir)) {
        if (id == dir)
            continue;
        auto rows = queryFolders("f.id = ? AND f.bin_entry = 0", id);
        if (rows.empty() || pathOf.count(rows.front().row.parentId) == 0)
            continue;
        ListedFolder folder = std::move(rows.front());
        folder.path = pathOf[folder.row.parentId];
        pathOf[id] = folder.path + folder.row.name + "/";
        listing.folders.push_back(std::move(folder));
    }
    for (const auto& [id, path] : pathOf) {
        for (auto& file : queryFiles("f.folder_id = ? AND f.bin_entry = 0", id)) {
            file.path = path;
            listing.files.push_back(std::move(file));
        }
    }
    return listing;
}

std::vector<FolderRow> ListingStore::tree() {
    std::vector<ListedFolder> live = queryFolders("f.bin_entry = ?", 0);
    std::map<std::int64_t, std::vector<FolderRow>> children;
    for (auto& folder : live)
        children[folder.row.parentId].push_back(std::move(folder.row));
    for (auto& [parent, rows] : children)
        std::sort(rows.begin(), rows.end(), [](const FolderRow& a, const FolderRow& b) {
            return std::tie(a.name, a.id) < std::tie(b.name, b.id);
        });
    // Depth first from the root, so that every folder follows its parent.
    std::vector<FolderRow> ordered;
    std::vector<std::pair<std::int64_t, std::size_t>> frames{{0, 0}};
    while (!frames.empty()) {
        auto& [parent, next] = frames.back();
        const auto& rows = children[parent];
        if (next >= rows.size()) {
            frames.pop_back();
            continue;
        }
        const FolderRow row = rows[next++];
        ordered.push_back(row);
        frames.emplace_back(row.id, 0);
    }
    return ordered;
}

namespace {

// Each row's key is made once: folding the case of a name in every comparison made a folder
// of ten thousand files take most of its listing's time.
template <typename Row, typename MakeKey>
void sortByKey(std::vector<Row>& rows, const MakeKey& makeKey, bool descending) {
    using Key = decltype(makeKey(rows.front()));
    std::vector<std::pair<Key, std::size_t>> keyed;
    keyed.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        keyed.emplace_back(makeKey(rows[i]), i);
    std::stable_sort(keyed.begin(), keyed.end(), [descending](const auto& a, const auto& b) {
        return descending ? b.first < a.first : a.first < b.first;
    });
    std::vector<Row> sorted;
    sorted.reserve(rows.size());
    for (const auto& entry : keyed)
        sorted.push_back(std::move(rows[entry.second]));
    rows = std::move(sorted);
}

}  // namespace

void sortListing(Listing& listing, const std::string& order, const std::string& desc) {
    const bool descending = desc == "1";
    auto nameKey = [](const std::string& name) { return foldCase(name); };
    auto folderKey = [&](const ListedFolder& f) {
        if (order == "time")
            return std::make_tuple(f.row.created, std::string(), f.row.id);
        if (order == "share")
            return std::make_tuple(std::int64_t{f.shared}, nameKey(f.row.name), f.row.id);
        return std::make_tuple(std::int64_t{0}, nameKey(f.row.name), f.row.id);
    };
    auto fileKey = [&](const ListedFile& f) {
        if (order == "time")
            return std::make_tuple(f.row.created, std::string(), f.row.id);
        if (order == "size")
            return std::make_tuple(f.row.size, nameKey(f.row.fullName()), f.row.id);
        if (order == "link")
            return std::make_tuple(std::int64_t{f.linked}, nameKey(f.row.fullName()), f.row.id);
        if (order == "share")
            return std::make_tuple(std::int64_t{f.shared}, nameKey(f.row.fullName()), f.row.id);
        return std::make_tuple(std::int64_t{0}, nameKey(f.row.fullName()), f.row.id);
    };
    sortByKey(listing.folders, folderKey, descending);
    sortByKey(listing.files, fileKey, descending);
}

}  // namespace nubexa::standin
