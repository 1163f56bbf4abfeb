#pragma once

#include <string>

namespace nubexa {

class LocalStore;

// Brings a freshly opened bin.db into shape: journal mode and durability settings, the three
// tables with every column the statements use, and the option rows is_auto_run and
// last_user_id. Existing tables and rows are kept as they are.
class StoreSchema {
public:
    // What a connection needs before its first bracket. Damaged: a database whose pages do
    // not hold together (cut short, overwritten); like a file that is not a database at all,
    // it is to be set aside.
    enum class Outcome { Ready, NotADatabase, Damaged, Failed };

    static Outcome prepare(LocalStore& store, int busyTimeoutMs);

    // Moves a file that is not a database or is damaged (and its journal files) aside, beside it
    // under a new name. Returns the new name, or empty text when the move failed.
    static std::string moveAside(const std::string& path);
};

}  // namespace nubexa
