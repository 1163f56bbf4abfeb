#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "store/write_stamp.h"

struct sqlite3;
struct sqlite3_stmt;

namespace nubexa {

class StoreQuery;

// One SQLite connection with its prepared statements kept for reuse.
// Not thread-safe: only the thread that holds the StoreGate uses it.
class LocalStore {
public:
    LocalStore() = default;
    ~LocalStore();
    LocalStore(const LocalStore&) = delete;
    LocalStore& operator=(const LocalStore&) = delete;

    // Opens (creating the file when missing). An empty path fails without touching SQLite.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    bool begin();
    // A transaction that writes what its reads decide (another process waits for it).
    bool beginWrite();
    bool commit();
    bool rollback();

    // Runs a text of one or more statements without reading rows.
    bool exec(const char* sql);

    // The connection's last error message, or the reason it has none.
    std::string lastError() const;

    // Prints lastError() and a line break to standard output, as every failed statement is
    // reported.
    void reportError() const;

    StoreQuery prepareQuery(const char* sql);

    // Borrows a prepared statement for `sql`; null when it does not prepare. Statements are
    // prepared once per connection and handed back reset by giveBack().
    sqlite3_stmt* borrow(const char* sql);
    void giveBack(sqlite3_stmt* statement);

    sqlite3* handle() const { return m_db; }

    // Every access to the file (a statement prepared or borrowed, a text run) is counted. For
    // tests of what a failing disk does to the queue: the `n`-th access from now fails as a
    // full disk would, once; 0 switches that off.
    std::int64_t accesses() const { return m_accesses; }
    void failAccessAfter(std::int64_t n) { m_failAt = n > 0 ? m_accesses + n : 0; }

    // Lets readers skip a read whose answer cannot have changed. A stamp of a connection that
    // is not open, or whose version cannot be read, equals no other.
    WriteStamp writeStamp();

private:
    struct CachedStatement {
        sqlite3_stmt* statement = nullptr;
        bool inUse = false;
    };

    void finalizeAll();
    // Counts an access; true when it is the one to fail.
    bool failsNow();

    sqlite3* m_db = nullptr;
    std::uint64_t m_connection = 0;  // which opening of the process this is
    std::string m_openError;
    std::int64_t m_accesses = 0;
    std::int64_t m_failAt = 0;
    bool m_failed = false;  // the last access was the one made to fail
    std::unordered_map<std::string, CachedStatement> m_cache;
};

// A statement that is bound and executed once.
class StoreCommand {
public:
    StoreCommand(LocalStore& store, const char* sql);
    ~StoreCommand();
    StoreCommand(const StoreCommand&) = delete;
    StoreCommand& operator=(const StoreCommand&) = delete;

    bool prepared() const { return m_statement != nullptr; }

    // Parameter indexes start at 1. Binding to a statement that did not prepare is ignored.
    bool bindText(int index, const std::string& text);
    bool bindInt(int index, int value);
    bool bindInt64(int index, std::int64_t value);

    // Steps once and resets; false (after printing the error) when the statement failed or
    // never prepared.
    bool execute();

    // Rows changed by the last successful execute().
    int changes() const;

private:
    LocalStore& m_store;
    sqlite3_stmt* m_statement;
};

// A statement whose result rows are read.
class StoreQuery {
public:
    StoreQuery(LocalStore& store, sqlite3_stmt* statement)
        : m_store(&store), m_statement(statement) {}
    StoreQuery(StoreQuery&& other) noexcept;
    StoreQuery& operator=(StoreQuery&&) = delete;
    StoreQuery(const StoreQuery&) = delete;
    ~StoreQuery() { finalize(); }

    bool prepared() const { return m_statement != nullptr; }

    bool bindText(int index, const std::string& text);
    bool bindInt64(int index, std::int64_t value);

    // One step; true exactly when it yields a row. A step error is printed and ends the rows.
    bool next();
    // Whether the rows ended because a step failed or the statement never prepared, rather
    // than because there were no more: an empty answer is then not the truth.
    bool failed() const { return m_statement == nullptr || m_stepFailed; }

    std::string textAt(int column) const;
    int intAt(int column) const;
    std::int64_t int64At(int column) const;

    // Hands the statement back; calling it again does nothing.
    void finalize();

private:
    LocalStore* m_store;
    sqlite3_stmt* m_statement;
    bool m_stepFailed = false;
};

}  // namespace nubexa
