#pragma once

#include <string>

namespace nubexa {

// Only one "nubexa-cli run" or desktop client transfers the tasks of one bin.db at a time: two
// would start two workers for the same task. An advisory lock on "<bin.db>.run-lock", released when
// the object ends or the process dies.
class RunLock {
public:
    explicit RunLock(const std::string& databasePath);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Whether a run holds the lock of that bin.db now, without taking it: a shared lock held
    // for the moment of the test, which a run starting in that moment would see as taken.
    static bool heldElsewhere(const std::string& databasePath);

    // Also true when no lock file can be made there: then no other run can lock it either.
    bool held() const { return m_fd >= 0 || m_noLockFile; }

private:
    int m_fd = -1;
    bool m_noLockFile = false;
};

}  // namespace nubexa
