#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "store/direction.h"
#include "store/user_records.h"

namespace nubexa {
class StoreGate;
}

namespace nubexa::test {

// bin.db as an earlier run, an older client or another program (a transfer worker, nubexa-cli)
// left it: for GUI tests whose starting state no front end makes through its session. Each call
// writes at once, on a connection of its own; false (or 0) when bin.db did not take it.
class PreparedBinDb {
public:
    explicit PreparedBinDb(const std::string& databasePath);
    ~PreparedBinDb();
    PreparedBinDb(const PreparedBinDb&) = delete;
    PreparedBinDb& operator=(const PreparedBinDb&) = delete;

    // A sign-in row as an earlier run recorded it (the password in bin.db when remembered).
    bool recordSignIn(const SignInRecord& record);
    // A last user without any sign-in row.
    bool setLastUser(const std::string& uid);
    // What an older client left: no sign-in rows and no log-on start choice.
    bool dropSignInRowsAndLogOnChoice();

    // A task row of `uid` as the queue writes it (into the disk's top folder); its id.
    std::int64_t addTask(const std::string& uid, Direction direction, const std::string& folder,
                         const std::string& name, std::int64_t size, int status);
    // A task as its worker leaves it while it runs, with nothing else a transfer would need.
    bool addMovingTask(const std::string& uid, Direction direction, const std::string& name,
                       std::int64_t speedKBps, int percent);
    // What a worker writes: a step of progress, its start, a refusal for good.
    bool writeProgress(std::int64_t id, std::int64_t size, std::int64_t done,
                       std::int64_t speedKBps);
    bool startWaiting(std::int64_t id);
    bool fail(std::int64_t id, const std::string& reason);
    // The user's pause and delete, written by another front end.
    bool pause(std::int64_t id);
    bool remove(std::int64_t id);

private:
    std::unique_ptr<StoreGate> m_gate;
};

}  // namespace nubexa::test
