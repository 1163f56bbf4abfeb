#include "store/schema.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/local_time.h"
#include "store/local_store.h"

namespace nubexa {

namespace {

// Columns that an insert leaves out start at 0; the list and pick-up queries compare them
// with "!=", which never matches a null. Numeric columns are declared INTEGER so that values
// bound as decimal text are stored (and summed) as integers.
constexpr const char* kCreateTables =
    "CREATE TABLE IF NOT EXISTS t_process_list ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " user_id TEXT,"
    " local_path TEXT,"
    " local_file_name TEXT,"
    " ftp_path TEXT,"
    " ftp_file_name TEXT,"
    " file_size INTEGER DEFAULT 0,"
    " process_size INTEGER DEFAULT 0,"
    " status INTEGER DEFAULT 0,"
    " ran_type INTEGER DEFAULT 0,"
    " transfer_size INTEGER DEFAULT 0,"
    " transfer_schedule INTEGER DEFAULT 0,"
    " tranfer_speed INTEGER DEFAULT 0,"
    " parent_id TEXT,"
    " is_user_pasue INTEGER DEFAULT 0,"
    " fail_reason TEXT DEFAULT '',"
    " retry_at INTEGER DEFAULT 0,"
    " remote_path TEXT DEFAULT '',"
    " local_root TEXT DEFAULT '');"
    "CREATE TABLE IF NOT EXISTS t_user_log ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " user_id TEXT,"
    " password TEXT,"
    " last_login_date TEXT,"
    " is_rememberr_password INTEGER DEFAULT 0,"
    " is_auto_login INTEGER DEFAULT 0,"
    " is_auto_down_up_load TEXT DEFAULT '0',"
    " avatarpath TEXT,"
    " avatarIsDown INTEGER DEFAULT 0);"
    "CREATE TABLE IF NOT EXISTS t_options (key TEXT, value TEXT);"

    "CREATE INDEX IF NOT EXISTS t_process_list_user ON t_process_list(user_id, ran_type, status);"
    "CREATE INDEX IF NOT EXISTS t_user_log_user ON t_user_log(user_id);";

// Holds every column the queue's totals and a transfer page's shape read, so that the
// monitor's tick sums the queue from the index alone. `id` right after the key keeps the
// order in which the lists and the next-task statements (which have no ORDER BY) see rows:
// by status, then as queued. Files of earlier versions get it when they can be written; one
// that cannot works without it, only slower.
constexpr const char* kCreateQueueIndex =
    "CREATE INDEX IF NOT EXISTS t_process_list_queue ON t_process_list(user_id, ran_type, status,"
    " id, transfer_schedule, is_user_pasue, file_size, transfer_size, tranfer_speed);";

// The look for a task of the same file before each insert (kFindSameTask): without it every
// insert reads all of the user's rows, and queuing a sync folder of many files goes
// quadratic. Led by the file's name, not the user: the pages' and the scheduler's selects,
// which name only the user and direction, must not pick it up and come back in name order
// rather than in the order the tasks were queued. Added to earlier files when they can be
// written.
constexpr const char* kCreateTaskFileIndex =
    "CREATE INDEX IF NOT EXISTS t_process_list_same_file ON t_process_list(local_file_name,"
    " local_path, user_id, ran_type);";

constexpr const char* kCreateOptionRows =
    "INSERT INTO t_options (key,value) SELECT 'is_auto_run','0' "
    " WHERE NOT EXISTS (SELECT 1 FROM t_options WHERE key='is_auto_run');"
    "INSERT INTO t_options (key,value) SELECT 'last_user_id','' "
    " WHERE NOT EXISTS (SELECT 1 FROM t_options WHERE key='last_user_id');";

// The user's speed limits. Files of earlier versions get it when they can be written; without
// it no limit is kept.
constexpr const char* kCreateSpeedLimits =
    "CREATE TABLE IF NOT EXISTS t_speed_limit (user_id TEXT PRIMARY KEY,"
    " upload_kbps INTEGER DEFAULT 0, download_kbps INTEGER DEFAULT 0,"
    " upload_transfers INTEGER DEFAULT 0, download_transfers INTEGER DEFAULT 0);";

// Sync folders and the journal of each. Files of earlier versions get them when they can be
// written; without them no folder is kept in sync. A journal row is one file of a pair by its
// local path; inodes are stored as their 64 bits.
constexpr const char* kCreateSyncTables =
    "CREATE TABLE IF NOT EXISTS t_sync_pair (id INTEGER PRIMARY KEY AUTOINCREMENT, user_id TEXT,"
    " local_folder TEXT, remote_folder_id TEXT, remote_path TEXT, mode TEXT,"
    " last_sync_at INTEGER DEFAULT 0);"
    "CREATE TABLE IF NOT EXISTS t_sync_journal (pair_id INTEGER, local_path TEXT,"
    " remote_path TEXT, synced INTEGER DEFAULT 0, local_size INTEGER DEFAULT 0,"
    " local_mtime INTEGER DEFAULT 0, local_inode INTEGER DEFAULT 0, remote_id TEXT DEFAULT '',"
    " remote_size INTEGER DEFAULT 0, remote_time TEXT DEFAULT '', digest TEXT DEFAULT '',"
    " pending_kind INTEGER DEFAULT 0, pending_size INTEGER DEFAULT 0,"
    " pending_mtime INTEGER DEFAULT 0, pending_inode INTEGER DEFAULT 0,"
    " pending_remote_id TEXT DEFAULT '', pending_remote_size INTEGER DEFAULT 0,"
    " PRIMARY KEY (pair_id, local_path));"
    "CREATE TABLE IF NOT EXISTS t_sync_options (user_id TEXT PRIMARY KEY,"
    " check_minutes INTEGER DEFAULT 0);";

// How far each byte range of a download over several connections has come. Files of earlier
// versions get it when they can be written; without it every download takes one connection.
// The trigger drops a task's ranges with its row.
constexpr const char* kCreateTaskRanges =
    "CREATE TABLE IF NOT EXISTS t_task_range (task_id INTEGER, range_start INTEGER,"
    " range_end INTEGER, range_done INTEGER DEFAULT 0, PRIMARY KEY (task_id, range_start));"
    "CREATE TRIGGER IF NOT EXISTS t_task_range_gone AFTER DELETE ON t_process_list"
    " BEGIN DELETE FROM t_task_range WHERE task_id=old.id; END;";

// Columns that files of earlier versions lack; they get them when they can be written. Without
// them the transfer lists cannot be read.
struct LaterColumn {
    const char* table;
    const char* name;
    const char* definition;
};
constexpr LaterColumn kLaterColumns[] = {
    {"t_process_list", "fail_reason", "fail_reason TEXT DEFAULT ''"},
    {"t_process_list", "retry_at", "retry_at INTEGER DEFAULT 0"},
    {"t_process_list", "remote_path", "remote_path TEXT DEFAULT ''"},
    {"t_process_list", "local_root", "local_root TEXT DEFAULT ''"},
    {"t_speed_limit", "upload_transfers", "upload_transfers INTEGER DEFAULT 0"},
    {"t_speed_limit", "download_transfers", "download_transfers INTEGER DEFAULT 0"},
};

void addLaterColumns(sqlite3* db) {
    for (const LaterColumn& column : kLaterColumns) {
        sqlite3_stmt* statement = nullptr;
        const std::string probe =
            std::string("SELECT ") + column.name + " FROM " + column.table + " LIMIT 0";
        const bool present =
            sqlite3_prepare_v2(db, probe.c_str(), -1, &statement, nullptr) == SQLITE_OK;
        sqlite3_finalize(statement);
        if (!present) {
            const std::string add =
                std::string("ALTER TABLE ") + column.table + " ADD COLUMN " + column.definition;
            sqlite3_exec(db, add.c_str(), nullptr, nullptr, nullptr);
        }
    }
}

// Checks whether the schema is already complete, so that a read-only file that has it needs
// no write at all. A file without the tables is the normal first start: nothing is reported.
bool queueIndexPresent(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    bool present = false;
    if (sqlite3_prepare_v2(db,
                           "SELECT 1 FROM sqlite_master WHERE type='index' AND "
                           "name='t_process_list_queue'",
                           -1, &statement, nullptr) == SQLITE_OK)
        present = sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    return present;
}

bool schemaComplete(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    const char* sql =
        "SELECT (SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN "
        "('t_process_list','t_user_log','t_options'))";
    bool tables = false;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        tables = sqlite3_column_int(statement, 0) == 3;
    }
    sqlite3_finalize(statement);
    if (!tables)
        return false;
    statement = nullptr;
    int rows = 0;
    if (sqlite3_prepare_v2(db,
                           "SELECT count(DISTINCT key) FROM t_options WHERE key IN "
                           "('is_auto_run','last_user_id')",
                           -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        rows = sqlite3_column_int(statement, 0);
    }
    sqlite3_finalize(statement);
    return rows == 2;
}

// One transaction: one commit instead of one per statement, and a process killed half-way
// leaves no half-made schema.
StoreSchema::Outcome createSchema(LocalStore& store) {
    sqlite3* db = store.handle();
    const bool inTransaction = store.begin();
    if (!store.exec(kCreateTables) || !store.exec(kCreateSpeedLimits) ||
        !store.exec(kCreateSyncTables) || !store.exec(kCreateTaskRanges) ||
        !store.exec(kCreateOptionRows)) {
        store.reportError();
        const int code = sqlite3_errcode(db);
        if (inTransaction)
            store.rollback();
        return code == SQLITE_NOTADB ? StoreSchema::Outcome::NotADatabase
                                     : StoreSchema::Outcome::Failed;
    }
    addLaterColumns(db);
    sqlite3_exec(db, kCreateQueueIndex, nullptr, nullptr, nullptr);
    sqlite3_exec(db, kCreateTaskFileIndex, nullptr, nullptr, nullptr);
    if (inTransaction && !store.commit()) {
        store.reportError();
        store.rollback();
        return StoreSchema::Outcome::Failed;
    }
    return StoreSchema::Outcome::Ready;
}

// SQLite finds a file cut short or overwritten only when a statement reaches the bad page, so
// every later command would fail with "database disk image is malformed". A quick check reads
// each page once (milliseconds for a queue of thousands) and finds it before anything is read
// or written. A file that is busy or cannot be read is not judged.
bool damaged(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &statement, nullptr) != SQLITE_OK) {
        const int code = sqlite3_errcode(db) & 0xFF;
        sqlite3_finalize(statement);
        return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
    }
    const int rc = sqlite3_step(statement);
    bool bad = false;
    if (rc == SQLITE_ROW) {
        const auto* text = sqlite3_column_text(statement, 0);
        bad = text == nullptr || std::string(reinterpret_cast<const char*>(text)) != "ok";
    } else {
        const int code = sqlite3_errcode(db) & 0xFF;
        bad = code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
    }
    sqlite3_finalize(statement);
    return bad;
}

int pageCount(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    int pages = -1;
    if (sqlite3_prepare_v2(db, "PRAGMA page_count", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        pages = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    return pages;
}

void syncFile(const char* path) {
    if (path == nullptr || *path == '\0')
        return;  // in memory
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fdatasync(fd);
    ::close(fd);
}

}  // namespace

StoreSchema::Outcome StoreSchema::prepare(LocalStore& store, int busyTimeoutMs) {
    sqlite3* db = store.handle();
    if (db == nullptr)
        return Outcome::Failed;
    sqlite3_busy_timeout(db, busyTimeoutMs);

    // The first read of the header tells whether the file is a database at all.
    const int probe = sqlite3_exec(db, "PRAGMA schema_version;", nullptr, nullptr, nullptr);
    if (probe == SQLITE_NOTADB)
        return Outcome::NotADatabase;
    if ((probe & 0xFF) == SQLITE_CORRUPT)
        return Outcome::Damaged;

    // A file without a page is new: nothing in it can be lost yet, so its schema is written
    // without a sync per step (creating it in WAL mode costs eleven) and synced once, whole.
    const bool fresh = pageCount(db) == 0;
    // Judged before anything is written: a damaged file is kept as it was found.
    if (!fresh && damaged(db))
        return Outcome::Damaged;
    if (fresh) {
        sqlite3_exec(db, "PRAGMA synchronous=OFF;", nullptr, nullptr, nullptr);
        const Outcome created = createSchema(store);
        if (created != Outcome::Ready)
            return created;
    }
    // WAL lets the interface read while a transfer writes, and with synchronous=NORMAL a commit
    // costs no fsync; a crash at any moment still leaves a consistent file. A read-only file
    // keeps its journal mode, which is fine for reading.
    sqlite3_exec(db, "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
    if (fresh) {
        syncFile(sqlite3_db_filename(db, "main"));
        return Outcome::Ready;
    }

    if (schemaComplete(db)) {
        sqlite3_exec(db, kCreateSpeedLimits, nullptr, nullptr, nullptr);
        sqlite3_exec(db, kCreateSyncTables, nullptr, nullptr, nullptr);
        sqlite3_exec(db, kCreateTaskRanges, nullptr, nullptr, nullptr);
        addLaterColumns(db);
        if (!queueIndexPresent(db))
            sqlite3_exec(db, kCreateQueueIndex, nullptr, nullptr, nullptr);
        sqlite3_exec(db, kCreateTaskFileIndex, nullptr, nullptr, nullptr);
        return Outcome::Ready;
    }
    return createSchema(store);
}

std::string StoreSchema::moveAside(const std::string& path) {
    namespace fs = std::filesystem;
    const std::string base = path + ".damaged-" + localTimeText("%Y%m%d-%H%M%S");
    std::string target = base;
    std::error_code error;
    for (int n = 2; fs::exists(target, error) || fs::exists(target + "-wal", error); ++n) {
        target = base + "-" + std::to_string(n);
    }
    fs::rename(path, target, error);
    if (error)
        return {};
    // A journal left beside a file that was never a database belongs to nothing valid; keep it
    // with the file it came with so that it is never replayed onto the fresh database.
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        std::error_code ignored;
        if (fs::exists(path + suffix, ignored))
            fs::rename(path + suffix, target + suffix, ignored);
    }
    return target;
}

}  // namespace nubexa
