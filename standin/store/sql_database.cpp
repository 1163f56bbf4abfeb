#include "standin/store/sql_database.h"

#include <sqlite3.h>

namespace nubexa::standin {

SqlStatement::SqlStatement(SqlTx& tx, const char* sql) : m_tx(&tx) {
    // Without its transaction a statement would commit on its own: it does not run at all.
    if (!tx.m_open)
        return;
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
    const bool done = sqlite3_step(statement) == SQLITE_DONE;
    returnStatement(statement);
    return done;
}

std::unique_ptr<SqlDatabase> SqlDatabase::open(const std::string& path, std::string& error) {
    std::unique_ptr<SqlDatabase> database(new SqlDatabase());
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &database->m_db, flags, nullptr) != SQLITE_OK) {
        error = database->m_db != nullptr ? sqlite3_errmsg(database->m_db) : "out of memory";
        return nullptr;
    }
    sqlite3_busy_timeout(database->m_db, 5000);
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

SqlTx::SqlTx(SqlDatabase& database) : m_database(database), m_lock(database.m_mutex) {
    if (m_database.runStatement("BEGIN IMMEDIATE"))
        m_open = true;
    else
        fail(sqlite3_errmsg(m_database.m_db));
}

SqlTx::~SqlTx() {
    if (m_open)
        m_database.runStatement("ROLLBACK");
}

void SqlTx::fail(const std::string& error) {
    if (!m_failed)
        m_error = error;
    m_failed = true;
}

std::int64_t SqlTx::lastInsertId() const {
    return sqlite3_last_insert_rowid(m_database.m_db);
}

int SqlTx::changes() const {
    return sqlite3_changes(m_database.m_db);
}

bool SqlTx::commit() {
    if (!m_open)
        return false;
    if (m_failed) {
        m_database.runStatement("ROLLBACK");
        m_open = false;
        return false;
    }
    if (!m_database.runStatement("COMMIT")) {
        fail(sqlite3_errmsg(m_database.m_db));
        m_database.runStatement("ROLLBACK");
        m_open = false;
        return false;
    }
    m_open = false;
    return true;
}

}  // namespace nubexa::standin
