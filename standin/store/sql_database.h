#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "standin/util/outcome.h"

struct sqlite3;
struct sqlite3_stmt;

namespace nubexa::standin {

class SqlTx;

// One prepared statement of a transaction. A statement that failed to prepare or to step marks
// its transaction failed, so the transaction can only roll back.
class SqlStatement {
public:
    SqlStatement(SqlTx& tx, const char* sql);
    ~SqlStatement();
    SqlStatement(SqlStatement&& other) noexcept;
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    SqlStatement& bind(int index, std::int64_t value);
    SqlStatement& bind(int index, int value) { return bind(index, std::int64_t{value}); }
    SqlStatement& bind(int index, std::string_view text);
    SqlStatement& bind(int index, const std::string& text) {
        return bind(index, std::string_view(text));
    }
    SqlStatement& bind(int index, const char* text) { return bind(index, std::string_view(text)); }

    // True while a row is available.
    bool next();
    // Steps to the end; true when the statement succeeded.
    bool run();

    std::int64_t integer(int column) const;
    std::string text(int column) const;

private:
    SqlTx* m_tx;
    sqlite3_stmt* m_statement = nullptr;
};

// The service's SQLite file. One connection, used by one transaction at a time: every web
// request and every file-server step that touches the data is one SqlTx.
class SqlDatabase {
public:
    ~SqlDatabase();
    static std::unique_ptr<SqlDatabase> open(const std::string& path, std::string& error);

private:
    friend class SqlTx;
    friend class SqlStatement;
    SqlDatabase() = default;

    // Parsing a statement costs more than running most of them, and every request runs the
    // same few: they are kept prepared, by their text. Called with m_mutex held.
    sqlite3_stmt* takeStatement(const char* sql);
    void returnStatement(sqlite3_stmt* statement);
    // Runs a statement without arguments or rows (BEGIN, COMMIT, ROLLBACK).
    bool runStatement(const char* sql);

    sqlite3* m_db = nullptr;
    std::mutex m_mutex;
    std::unordered_multimap<std::string, sqlite3_stmt*> m_prepared;
};

// Holds the database for the calling thread and runs one IMMEDIATE transaction. Rolled back on
// destruction unless commit() succeeded. Never held across network I/O.
class SqlTx {
public:
    explicit SqlTx(SqlDatabase& database);
    ~SqlTx();
    SqlTx(const SqlTx&) = delete;
    SqlTx& operator=(const SqlTx&) = delete;

    template <typename... Args>
    SqlStatement prepare(const char* sql, const Args&... args) {
        SqlStatement statement(*this, sql);
        int index = 0;
        (statement.bind(++index, args), ...);
        return statement;
    }

    // Runs one statement with its arguments to the end.
    template <typename... Args>
    bool exec(const char* sql, const Args&... args) {
        return prepare(sql, args...).run();
    }

    // The first column of the first row, or `fallback` when there is none.
    template <typename... Args>
    std::int64_t scalar(std::int64_t fallback, const char* sql, const Args&... args) {
        auto statement = prepare(sql, args...);
        return statement.next() ? statement.integer(0) : fallback;
    }

    std::int64_t lastInsertId() const;
    int changes() const;

    bool failed() const { return m_failed; }
    const std::string& error() const { return m_error; }
    void fail(const std::string& error);

    // Commits unless a statement failed; false (and rolled back) otherwise.
    bool commit();

private:
    friend class SqlStatement;

    SqlDatabase& m_database;
    std::unique_lock<std::mutex> m_lock;
    bool m_open = false;
    bool m_failed = false;
    std::string m_error;
};

}  // namespace nubexa::standin
