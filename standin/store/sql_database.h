#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

#include "standin/util/outcome.h"

struct sqlite3;
struct sqlite3_stmt;

namespace nubexa::standin {

class SqlTx;

// The database cannot serve this request: another one held it for longer than the wait
// allowed, SQLite could not begin, or the request ran out of its time (ThreadDeadline). The
// request fails with it; the web side answers 503, the file server 451.
class SqlUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A transaction opened while the same thread holds one already. The one connection is held by
// one transaction at a time, so the inner one could only wait for ever; it fails at once.
class SqlNestedTransaction : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

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
// request and every file-server step that touches the data is one SqlTx. A new file is made
// owner-only (its WAL and shared-memory files take its mode).
class SqlDatabase {
public:
    ~SqlDatabase();
    // `waitLimit`: how long a transaction waits for another to end (or for SQLite's lock) at
    // most; a thread's earlier ThreadDeadline shortens it.
    static std::unique_ptr<SqlDatabase> open(
        const std::string& path, std::string& error,
        std::chrono::milliseconds waitLimit = std::chrono::seconds(10));

private:
    friend class SqlTx;
    friend class SqlStatement;
    SqlDatabase() = default;

    // Parsing a statement costs more than running most of them, and every request runs the
    // same few: they are kept prepared, by their text. Called by the holder.
    sqlite3_stmt* takeStatement(const char* sql);
    void returnStatement(sqlite3_stmt* statement);
    // Runs a statement without arguments or rows (BEGIN, COMMIT, ROLLBACK); these are never
    // cut short by a deadline, so a transaction always ends.
    bool runStatement(const char* sql);
    // Ends whatever transaction the connection is in.
    void rollBack();

    sqlite3* m_db = nullptr;
    std::chrono::milliseconds m_waitLimit{0};
    // Who holds the connection: waits end at a time (a mutex and a condition rather than a
    // timed mutex, whose clock-based lock the thread sanitizer cannot follow).
    bool hold(std::chrono::steady_clock::time_point until);
    void letGo();
    std::mutex m_gate;
    std::condition_variable m_free;
    bool m_held = false;
    std::unordered_multimap<std::string, sqlite3_stmt*> m_prepared;
};

// Holds the database for the calling thread, until destroyed, and runs one IMMEDIATE
// transaction. Rolled back on destruction unless commit() succeeded. Never held across network
// I/O. Throws SqlNestedTransaction when the thread holds a transaction already (destroy one
// before opening the next) and SqlUnavailable when the database cannot be had in time.
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
    bool m_holds = false;
    bool m_open = false;
    bool m_failed = false;
    std::string m_error;
};

}  // namespace nubexa::standin
