#pragma once

#include <algorithm>
#include <cstddef>
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

// Writes `listed` from index 0 and an end mark behind it when there is room.
template <typename Entry>
void storeInTable(std::vector<Entry>& table, const std::vector<Entry>& listed) {
    const std::size_t count = std::min(listed.size(), table.size());
    std::copy_n(listed.begin(), count, table.begin());
    if (count < table.size())
        table[count] = Entry{};
}

}  // namespace nubexa
