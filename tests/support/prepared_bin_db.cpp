#include "support/prepared_bin_db.h"

#include "store/local_store.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "store/user_log.h"

namespace nubexa::test {

PreparedBinDb::PreparedBinDb(const std::string& databasePath)
    : m_gate(std::make_unique<StoreGate>(databasePath)) {}

PreparedBinDb::~PreparedBinDb() = default;

bool PreparedBinDb::recordSignIn(const SignInRecord& record) {
    return m_gate->run([&](LocalStore& store) { return UserLog(store).recordSignIn(record); });
}

bool PreparedBinDb::setLastUser(const std::string& uid) {
    return m_gate->run([&](LocalStore& store) { return UserLog(store).setLastUserId(uid); });
}

bool PreparedBinDb::dropSignInRowsAndLogOnChoice() {
    return m_gate->run([](LocalStore& store) {
        return store.exec("DELETE FROM t_user_log; DELETE FROM t_options WHERE key='is_auto_run'");
    });
}

std::int64_t PreparedBinDb::addTask(const std::string& uid, Direction direction,
                                    const std::string& folder, const std::string& name,
                                    std::int64_t size, int status) {
    const NewTaskRow row{uid, folder, name, name, size, status, "\\", "0"};
    return m_gate->run([&](LocalStore& store) -> std::int64_t {
        TaskTable tasks(store);
        const bool added = direction == Direction::kUpload ? tasks.insertFileUpload(row)
                                                           : tasks.insertFileDownload(row);
        return added ? tasks.lastInsertedId() : 0;
    });
}

bool PreparedBinDb::addMovingTask(const std::string& uid, Direction direction,
                                  const std::string& name, std::int64_t speedKBps, int percent) {
    return m_gate->run([&](LocalStore& store) {
        StoreQuery insert = store.prepareQuery(
            "INSERT INTO t_process_list (user_id, local_file_name, status, ran_type, "
            "tranfer_speed, transfer_schedule) VALUES (?, ?, 1, ?, ?, ?)");
        insert.bindText(1, uid);
        insert.bindText(2, name);
        insert.bindInt64(3, direction == Direction::kUpload ? 1 : 2);
        insert.bindInt64(4, speedKBps);
        insert.bindInt64(5, percent);
        insert.next();
        return !insert.failed();
    });
}

bool PreparedBinDb::writeProgress(std::int64_t id, std::int64_t size, std::int64_t done,
                                  std::int64_t speedKBps) {
    const int percent = size > 0 ? static_cast<int>(done * 100 / size) : 0;
    return m_gate->run([&](LocalStore& store) {
        return TaskTable(store).writeProgress({id, size, done, percent, speedKBps});
    });
}

bool PreparedBinDb::startWaiting(std::int64_t id) {
    return m_gate->run([&](LocalStore& store) { return TaskTable(store).startWaiting(id); });
}

bool PreparedBinDb::fail(std::int64_t id, const std::string& reason) {
    return m_gate->run([&](LocalStore& store) { return TaskTable(store).fail(id, reason); });
}

bool PreparedBinDb::pause(std::int64_t id) {
    return m_gate->run([&](LocalStore& store) { return TaskTable(store).pause(id); });
}

bool PreparedBinDb::remove(std::int64_t id) {
    return m_gate->run([&](LocalStore& store) { return TaskTable(store).remove(id); });
}

}  // namespace nubexa::test
