#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/disk_entries.h"

namespace nubexa {

class AttributeAnswer;

// What a listing answer held, found in document order with every search continuing after the
// element found last ("folders" before "files" is therefore not found).
struct ListingRead {
    bool hasResult = false;
    bool accepted = false;  // "result" is "1"
    std::string message;    // the service's reason ("msg") when it refused
    std::optional<std::string> parentId;
    std::optional<std::vector<DiskFileEntry>> files;   // set when "files" could be entered
    std::optional<std::vector<FolderItemLc>> folders;  // likewise "folders"
};

struct ListingShape {
    bool readParent = false;
    bool withPath = false;  // folder-download listing: entries carry "path"
    std::size_t limit = std::numeric_limits<std::size_t>::max();  // entries per list
};

// Reads a listing answer in one pass; nullopt when it is not a well-formed UTF-8 XML document.
std::optional<ListingRead> readListing(std::string_view answer, const ListingShape& shape);

// GetFilesWhitPath's answer read in brief as it goes by, without a document tree: a listing of
// a large tree is held once, as entries. The lists are those readListing finds, in its order.
struct TreeListingRead {
    bool hasResult = false;
    bool accepted = false;  // "result" is "1"
    bool complete = false;  // both lists were found
    TreeListing listing;
};
// Nullopt when the answer is not a well-formed UTF-8 XML document.
std::optional<TreeListingRead> readTreeListing(std::string_view answer);

// FileSearch's answer, read by attributes: every child of "files" and of "folders", whatever
// its name. False when either list is missing.
bool readSearchAnswer(const AttributeAnswer& answer, std::vector<DiskFileEntry>& files,
                      std::vector<FolderItemLc>& folders);

// The table after a listing: `listed` from index 0, an end mark behind it when there is room,
// and behind that what the table held before (never read, as an end mark stops every reader).
// A listing longer than kTableSize makes the table that long, so that a folder of ten thousand
// entries shows all of them; the next shorter listing brings it back to kTableSize, so that no
// listing copies more than a table's worth of what it does not show.
template <typename Entry>
std::vector<Entry> replacedTable(const std::vector<Entry>& table, std::vector<Entry>&& listed) {
    const std::size_t count = listed.size();
    const std::size_t length = std::max(kTableSize, count);
    std::vector<Entry> next;
    next.reserve(length);
    std::move(listed.begin(), listed.end(), std::back_inserter(next));
    if (count < length) {
        next.emplace_back();
        const std::size_t kept = std::min(table.size(), length);
        if (count + 1 < kept) {
            next.insert(next.end(), table.begin() + static_cast<std::ptrdiff_t>(count) + 1,
                        table.begin() + static_cast<std::ptrdiff_t>(kept));
        }
        next.resize(length);
    }
    return next;
}

}  // namespace nubexa
