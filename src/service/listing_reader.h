#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "service/disk_entries.h"

namespace nubexa {

class AttributeAnswer;
class MarkupNavigator;

// What a listing answer held, read in document order with every search continuing after the
// element found last ("folders" before "files" is therefore not found).
struct ListingRead {
    bool hasResult = false;
    std::optional<std::string> parentId;
    std::optional<std::vector<DiskFileEntry>> files;   // set when "files" could be entered
    std::optional<std::vector<FolderItemLc>> folders;  // likewise "folders"
};

struct ListingShape {
    bool readParent = false;
    bool withPath = false;  // folder-download listing: entries carry "path"
    std::size_t limit = kTableSize;
};

// Reads a listing from a navigator holding a parsed answer.
ListingRead readListing(MarkupNavigator& navigator, const ListingShape& shape);

// FileSearch's answer, read by attributes: every child of "files" and of "folders", whatever
// its name. False when either list is missing.
bool readSearchAnswer(const AttributeAnswer& answer, std::vector<DiskFileEntry>& files,
                      std::vector<FolderItemLc>& folders);

// The table after a listing: `listed` from index 0, an end mark behind it when there is room,
// and behind that what the table held before (never read, as an end mark stops every reader).
template <typename Entry>
std::vector<Entry> replacedTable(const std::vector<Entry>& table, std::vector<Entry>&& listed) {
    const std::size_t count = std::min(listed.size(), table.size());
    std::vector<Entry> next;
    next.reserve(table.size());
    std::move(listed.begin(), listed.begin() + static_cast<std::ptrdiff_t>(count),
              std::back_inserter(next));
    if (count < table.size()) {
        next.emplace_back();
        next.insert(next.end(), table.begin() + static_cast<std::ptrdiff_t>(count) + 1,
                    table.end());
    }
    return next;
}

}  // namespace nubexa
