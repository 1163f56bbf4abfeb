#include "standin/store/sql_database.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "standin/util/thread_deadline.h"

namespace nubexa::standin {

namespace {

using Clock = std::chrono::steady_clock;

// The transaction this thread holds, if any.
thread_local const SqlTx* t_held = nullptr;
// Set while BEGIN, COMMIT or ROLLBACK runs: a transaction always ends, deadline or not.
thread_local bool t_uninterruptible = false;
// When SQLite's current wait for its file lock began.
thread_local Clock::time_point t_busySince;

constexpr const char* kOutOfTime = "the request ran out of its time";

// SQLite asks this every few hundred steps of a statement: a request past its deadline stops.
int onProgress(void*) {
    return !t_uninterruptible && ThreadDeadline::passed() ? 1 : 0;
}

// Another process holds SQLite's lock (an operator's sqlite3, say): wait for it, but no longer
// than the database's limit nor past the request's deadline.
int onBusy(void* limit, int count) {
    const auto now = Clock::now();
    if (count == 0)
        t_busySince = now;
    auto until = t_busySince + *static_cast<const std::chrono::milliseconds*>(limit);
    if (const auto deadline = ThreadDeadline::get(); deadline && *deadline < until)
        until = *deadline;
    if (now >= until)
        return 0;
    const auto pause = std::chrono::milliseconds(std::min(1 + count, 20));
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, until - now));
    return 1;
}

}  // namespace

SqlStatement::SqlStatement(SqlTx& tx, const char* sql) : m_tx(&tx) {
    // Without its transaction a statement would commit on its own: it does not run at all.
    if (!tx.m_open)
        return;
    if (ThreadDeadline::passed()) {
        tx.fail(kOutOfTime);
        throw SqlUnavailable(kOutOfTime);
    }
    m_statement = tx.m_database.takeStatement(sql);
    if (m_statement == nullptr)
        tx.fail(sqlite3_errmsg(tx.m_database.m_db));
}

SqlStatement::~SqlStatement() {
    if (m_statement != nullptr)
        m_tx->m_database.returnStatement(m_statement);
}

SqlStatement::SqlStatement(SqlStatement&& other) noexcept
    : m_tx(other.m_tx), m_statement(other.m_statement) {
    other.m_statement = nullptr;
}

SqlStatement& SqlStatement::bind(int index, std::int64_t value) {
    if (m_statement != nullptr)
        sqlite3_bind_int64(m_statement, index, value);
    return *this;
}

SqlStatement& SqlStatement::bind(int index, std::string_view text) {
    if (m_statement != nullptr)
        sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    return *this;
}

bool SqlStatement::next() {
    if (m_statement == nullptr)
        return false;
    const int status = sqlite3_step(m_statement);
    if (status == SQLITE_ROW)
        return true;
    if (status == SQLITE_INTERRUPT) {
        m_tx->fail(kOutOfTime);
        throw SqlUnavailable(kOutOfTime);
    }
    if (status != SQLITE_DONE)
        m_tx->fail(sqlite3_errmsg(m_tx->m_database.m_db));
    return false;
}

bool SqlStatement::run() {
    if (m_statement == nullptr)
        return false;
    int status = sqlite3_step(m_statement);
    while (status == SQLITE_ROW)
        status = sqlite3_step(m_statement);
    if (status == SQLITE_INTERRUPT) {
        m_tx->fail(kOutOfTime);
        throw SqlUnavailable(kOutOfTime);
    }
    if (status != SQLITE_DONE) {
        m_tx->fail(sqlite3_errmsg(m_tx->m_database.m_db));
        return false;
    }
    return true;
}

std::int64_t SqlStatement::integer(int column) const {
    return m_statement != nullptr ? sqlite3_column_int64(m_statement, column) : 0;
}

std::string SqlStatement::text(int column) const {
    if (m_statement == nullptr)
        return {};
    const auto* data = sqlite3_column_text(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    return data != nullptr
               ? std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size))
               : std::string();
}

namespace {

// Enough for every fixed statement of the service; texts built per request beyond it are
// finalised after use.
constexpr std::size_t kPreparedLimit = 256;

}  // namespace

SqlDatabase::~SqlDatabase() {
    for (auto& [sql, statement] : m_prepared)
        sqlite3_finalize(statement);
    sqlite3_close(m_db);
}

sqlite3_stmt* SqlDatabase::takeStatement(const char* sql) {
    // Taken out while in use, so that a statement run inside another one of the same text
    // gets its own.
    if (const auto kept = m_prepared.find(sql); kept != m_prepared.end()) {
        sqlite3_stmt* statement = kept->second;
        m_prepared.erase(kept);
        return statement;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return statement;
}

void SqlDatabase::returnStatement(sqlite3_stmt* statement) {
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (m_prepared.size() >= kPreparedLimit) {
        sqlite3_finalize(statement);
        return;
    }
    m_prepared.emplace(sqlite3_sql(statement), statement);
}

bool SqlDatabase::runStatement(const char* sql) {
    sqlite3_stmt* statement = takeStatement(sql);
    if (statement == nullptr)
        return false;
    t_uninterruptible = true;
    const bool done = sqlite3_step(statement) == SQLITE_DONE;
    t_uninterruptible = false;
    returnStatement(statement);
    return done;
}

void SqlDatabase::rollBack() {
    // SQLite itself rolls back after some failures (an interrupt, a full disk).
    if (sqlite3_get_autocommit(m_db) == 0)
        runStatement("ROLLBACK");
}

std::unique_ptr<SqlDatabase> SqlDatabase::open(const std::string& path, std::string& error,
                                               std::chrono::milliseconds waitLimit) {
    std::unique_ptr<SqlDatabase> database(new SqlDatabase());
    database->m_waitLimit = waitLimit;
    // SQLite would make a new file readable by all; its WAL and shared-memory files take the
    // database file's mode, so owner-only here keeps them owner-only too.
    if (const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600); fd >= 0)
        ::close(fd);
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &database->m_db, flags, nullptr) != SQLITE_OK) {
        error = database->m_db != nullptr ? sqlite3_errmsg(database->m_db) : "out of memory";
        return nullptr;
    }
    sqlite3_busy_handler(database->m_db, onBusy, &database->m_waitLimit);
    sqlite3_progress_handler(database->m_db, 1000, onProgress, nullptr);
    char* message = nullptr;
    if (sqlite3_exec(database->m_db,
                     "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;",
                     nullptr, nullptr, &message) != SQLITE_OK) {
        error = message != nullptr ? message : "cannot configure the database";
        sqlite3_free(message);
        return nullptr;
    }
    return database;
}

bool SqlDatabase::hold(Clock::time_point until) {
    std::unique_lock lock(m_gate);
    if (!m_free.wait_until(lock, until, [this] { return !m_held; }))
        return false;
    m_held = true;
    return true;
}

void SqlDatabase::letGo() {
    {
        std::lock_guard lock(m_gate);
        m_held = false;
    }
    m_free.notify_one();
}

SqlTx::SqlTx(SqlDatabase& database) : m_database(database) {
    // The connection is this thread's already: waiting for it would wait for the outer
    // transaction, which waits for this thread.
    if (t_held != nullptr)
        throw SqlNestedTransaction(
            "a database transaction was opened while the same thread holds one");
    auto until = Clock::now() + m_database.m_waitLimit;
    if (const auto deadline = ThreadDeadline::get(); deadline && *deadline < until)
        until = *deadline;
    if (!m_database.hold(until))
        throw SqlUnavailable("the database was held by another request for too long");
    if (!m_database.runStatement("BEGIN IMMEDIATE")) {
        const std::string why = sqlite3_errmsg(m_database.m_db);
        m_database.rollBack();
        m_database.letGo();
        throw SqlUnavailable("the database cannot begin a transaction: " + why);
    }
    m_holds = true;
    m_open = true;
    t_held = this;
}

SqlTx::~SqlTx() {
    if (m_open)
        m_database.rollBack();
    t_held = nullptr;
    if (m_holds)
        m_database.letGo();
}

void SqlTx::fail(const std::string& error) {
    if (!m_failed)
        m_error = error;
    m_failed = true;
    // After some failures SQLite has rolled the transaction back already: a statement run now
    // would commit on its own, so none runs any more.
    if (m_open && sqlite3_get_autocommit(m_database.m_db) != 0)
        m_open = false;
}

std::int64_t SqlTx::lastInsertId() const {
    return sqlite3_last_insert_rowid(m_database.m_db);
}

int SqlTx::changes() const {
    return sqlite3_changes(m_database.m_db);
}

bool SqlTx::commit() {
    if (!m_open || m_failed) {
        m_database.rollBack();
        m_open = false;
        return false;
    }
    m_open = false;
    if (!m_database.runStatement("COMMIT")) {
        m_error = sqlite3_errmsg(m_database.m_db);
        m_failed = true;
        m_database.rollBack();
        return false;
    }
    return true;
}

}  // namespace nubexa::standin
