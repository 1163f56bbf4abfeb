// Cost of one progress bracket (progress write + status read-back) on a bin.db on disk:
// our gate (kept connection, WAL, cached statements) against opening the file for each
// statement in autocommit with SQLite's default journal, as a naive client would.
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "store/statements.h"
#include "store/store_gate.h"
#include "store/task_table.h"

namespace {

using nubexa::LocalStore;
using nubexa::StoreGate;
using nubexa::TaskTable;
using Clock = std::chrono::steady_clock;

constexpr int kBrackets = 2000;
constexpr std::int64_t kSize = 1 << 30;

double elapsedMs(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::int64_t seedTask(StoreGate& gate) {
    return gate.run([](LocalStore& s) {
        TaskTable tasks(s);
        tasks.insertFileUpload({"1001", "/data/", "big.iso", "big.iso", kSize, 1, "\\", "0"});
        return tasks.lastInsertedId();
    });
}

double runOurs(const std::string& path) {
    StoreGate gate(path);
    const auto id = seedTask(gate);
    const auto start = Clock::now();
    for (int i = 1; i <= kBrackets; ++i) {
        gate.run([&](LocalStore& s) {
            TaskTable tasks(s);
            tasks.writeProgress(
                {id, kSize, i * 65536LL, static_cast<int>(i * 65536LL * 100 / kSize), 900});
            tasks.readStatus(id);
        });
    }
    return elapsedMs(start);
}

// One bracket the naive way: open, the update in autocommit, the read-back, close.
void naiveBracket(const std::string& path, std::int64_t id, std::int64_t done) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* update = nullptr;
    sqlite3_prepare_v2(db, nubexa::statements::kWriteProgress, -1, &update, nullptr);
    const std::string text = std::to_string(done);
    sqlite3_bind_text(update, 1, std::to_string(kSize).c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(update, 2, text.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(update, 3, std::to_string(done * 100 / kSize).c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(update, 4, text.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(update, 5, "900", -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(update, 6, std::to_string(id).c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(update);
    sqlite3_finalize(update);
    const std::string readBack =
        "select id,user_id,status,ran_type,process_size,transfer_schedule  from t_process_list "
        "where id=" +
        std::to_string(id);
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db, readBack.c_str(), -1, &query, nullptr);
    while (sqlite3_step(query) == SQLITE_ROW)
        sqlite3_column_int(query, 2);
    sqlite3_finalize(query);
    sqlite3_close(db);
}

double runNaive(const std::string& path) {
    std::int64_t id = 0;
    {
        StoreGate gate(path);
        id = seedTask(gate);
    }
    {
        // Back to SQLite's default rollback journal for this file.
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db, "PRAGMA journal_mode=DELETE;", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    const auto start = Clock::now();
    for (int i = 1; i <= kBrackets; ++i)
        naiveBracket(path, id, i * 65536LL);
    return elapsedMs(start);
}

}  // namespace

int main() {
    // On disk, beside the build, not in a memory file system.
    const std::string folder =
        std::filesystem::current_path().string() + "/bench-store-" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    const double ours = runOurs(folder + "/ours.db");
    const double naive = runNaive(folder + "/naive.db");
    std::filesystem::remove_all(folder);
    std::printf(
        "progress brackets: %d, ours %.1f ms (%.1f us each), naive %.1f ms (%.1f us each)\n",
        kBrackets, ours, ours * 1000 / kBrackets, naive, naive * 1000 / kBrackets);
    std::printf("BENCH store-progress ratio=%.4f ours_ms=%.1f part_ms=%.1f brackets=%d\n",
                ours / naive, ours, naive, kBrackets);
    return 0;
}
