#pragma once

namespace nubexa {

// How bin.db is opened.
struct StoreOptions {
    // How long a statement waits for another process (a second client on the same bin.db)
    // to finish its write before it fails with "database is locked".
    int busyTimeoutMs = 5000;
    // A damaged database (its pages cut short or overwritten) is kept beside it under a new
    // name and a fresh one is made. Off for a file the user named: it is used as it is, and
    // every statement says what is wrong with it.
    bool setAsideDamaged = true;
};

}  // namespace nubexa
