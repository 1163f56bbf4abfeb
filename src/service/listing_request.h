#pragma once

#include <string>

namespace nubexa {

// What a listing is and what it asks for; `dir` only for kFolder, `keyword` only for kSearch.
enum class ListingKind { kFolder, kNewUploads, kRecycle, kShared, kLinks, kSearch };
struct ListingRequest {
    ListingKind kind = ListingKind::kFolder;
    std::string uid;
    std::string token;
    std::string order;
    std::string desc;
    std::string dir;
    std::string keyword;
};

}  // namespace nubexa
