#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/store/sql_database.h"

namespace nubexa::standin {

struct Notice {
    std::string title;
    std::string url;  // absolute, or a path of this service starting with "/"
};

// The daily capacity draw and the notices. Works inside the caller's transaction.
class ExtrasStore {
public:
    explicit ExtrasStore(SqlTx& tx) : m_tx(tx) {}

    // Draws left today: 1 before the day's draw, 0 after it.
    int drawsLeft(std::int64_t accountId);
    // Books a drawn capacity (1 byte to kMaxDrawMegabytes MiB) once per local day.
    Outcome bookDraw(std::int64_t accountId, std::int64_t bytes);

    std::vector<Notice> notices();

    static constexpr std::int64_t kMaxDrawMegabytes = 100;

private:
    SqlTx& m_tx;
};

}  // namespace nubexa::standin
