#include "standin/store/sql_database.h"

#include <sqlite3.h>

namespace nubexa::standin {

SqlStatement::SqlStatement(SqlTx& tx, const char* sql) : m_tx(&tx) {
    // Without its transaction a statement would commit on its own: it does not run at all.
    if (!tx.m_open)
        return;
    if (sqlite3_prepare_v2(tx.m_database.m_db, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
        tx.fail(sqlite3_errmsg(tx.m_database.m_db));
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

SqlStatement::~SqlStatement() {
    sqlite3_finalize(m_statement);
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

SqlDatabase::~SqlDatabase() {
    sqlite3_close(m_db);
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
    if (sqlite3_exec(m_database.m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK)
        m_open = true;
    else
        fail(sqlite3_errmsg(m_database.m_db));
}

SqlTx::~SqlTx() {
    if (m_open)
        sqlite3_exec(m_database.m_db, "ROLLBACK", nullptr, nullptr, nullptr);
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
        sqlite3_exec(m_database.m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        m_open = false;
        return false;
    }
    if (sqlite3_exec(m_database.m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail(sqlite3_errmsg(m_database.m_db));
        sqlite3_exec(m_database.m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        m_open = false;
        return false;
    }
    m_open = false;
    return true;
}

}  // namespace nubexa::standin
