#include "store/local_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "platform/log_sink.h"
#include "store/statements.h"

namespace nubexa {

LocalStore::~LocalStore() {
    close();
}

namespace {

// bin.db holds remembered passwords: only its owner may read it. SQLite gives its journal and
// WAL files the database's mode, so the file's own mode covers them.
void keepPrivate(const std::string& path) {
    if (path.front() == ':' || path.rfind("file:", 0) == 0)
        return;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;  // sqlite3_open_v2 names the failure
    struct stat status {};
    if (::fstat(fd, &status) == 0 && (status.st_mode & 077) != 0 && status.st_uid == ::geteuid())
        ::fchmod(fd, status.st_mode & 0700);
    ::close(fd);
}

}  // namespace

bool LocalStore::open(const std::string& path) {
    close();
    if (path.empty()) {
        m_openError = "no database path";
        return false;
    }
    keepPrivate(path);
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        m_openError = "cannot open " + path + ": " +
                      (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        return false;
    }
    m_db = db;
    // Deleted rows (cleared passwords) are overwritten, not left in free pages.
    exec("PRAGMA secure_delete=ON;");
    static std::atomic<std::uint64_t> openings{0};
    m_connection = ++openings;
    m_openError.clear();
    return true;
}

WriteStamp LocalStore::writeStamp() {
    // A number no real stamp has: such a stamp equals no other.
    static std::atomic<std::uint64_t> unique{1ULL << 63};
    WriteStamp stamp;
    stamp.connection = unique.fetch_add(1);
    if (m_db == nullptr)
        return stamp;
    StoreQuery version = prepareQuery(statements::kDataVersion);
    if (!version.next())
        return stamp;
    stamp.connection = m_connection;
    stamp.othersVersion = version.int64At(0);
    stamp.ownChanges = sqlite3_total_changes64(m_db);
    return stamp;
}

void LocalStore::close() {
    if (m_db == nullptr)
        return;
    finalizeAll();
    sqlite3_close(m_db);
    m_db = nullptr;
}

void LocalStore::finalizeAll() {
    for (auto& [text, cached] : m_cache)
        sqlite3_finalize(cached.statement);
    m_cache.clear();
}

bool LocalStore::failsNow() {
    m_failed = ++m_accesses == m_failAt;
    return m_failed;
}

bool LocalStore::exec(const char* sql) {
    if (m_db == nullptr || failsNow())
        return false;
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool LocalStore::begin() {
    return exec(statements::kBeginTransaction);
}
bool LocalStore::beginWrite() {
    return exec(statements::kBeginWriteTransaction);
}
bool LocalStore::commit() {
    return exec(statements::kCommitTransaction);
}
bool LocalStore::rollback() {
    return exec(statements::kRollbackTransaction);
}

std::string LocalStore::lastError() const {
    if (m_failed)
        return "database or disk is full (a failure made on purpose)";
    if (m_db == nullptr)
        return m_openError.empty() ? "database is not open" : m_openError;
    return sqlite3_errmsg(m_db);
}

void LocalStore::reportError() const {
    writeLog(lastError() + "\n");
}

sqlite3_stmt* LocalStore::borrow(const char* sql) {
    if (m_db == nullptr || sql == nullptr || failsNow())
        return nullptr;
    auto found = m_cache.find(sql);
    if (found != m_cache.end() && !found->second.inUse) {
        found->second.inUse = true;
        return found->second.statement;
    }
    sqlite3_stmt* statement = nullptr;
    const bool cacheIt = found == m_cache.end();
    const unsigned flags = cacheIt ? SQLITE_PREPARE_PERSISTENT : 0;
    if (sqlite3_prepare_v3(m_db, sql, -1, flags, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    if (cacheIt && statement != nullptr)
        m_cache.emplace(sql, CachedStatement{statement, true});
    return statement;
}

void LocalStore::giveBack(sqlite3_stmt* statement) {
    if (statement == nullptr)
        return;
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    for (auto& [text, cached] : m_cache) {
        if (cached.statement == statement) {
            cached.inUse = false;
            return;
        }
    }
    // Prepared while the cached copy was busy: not kept.
    sqlite3_finalize(statement);
}

StoreQuery LocalStore::prepareQuery(const char* sql) {
    sqlite3_stmt* statement = borrow(sql);
    if (statement == nullptr && sql != nullptr)
        reportError();
    return StoreQuery(*this, statement);
}

StoreCommand::StoreCommand(LocalStore& store, const char* sql)
    : m_store(store), m_statement(store.borrow(sql)) {}

StoreCommand::~StoreCommand() {
    m_store.giveBack(m_statement);
}

bool StoreCommand::bindText(int index, const std::string& text) {
    if (m_statement == nullptr)
        return false;
    return sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()),
                             SQLITE_TRANSIENT) == SQLITE_OK;
}

bool StoreCommand::bindInt(int index, int value) {
    return m_statement != nullptr && sqlite3_bind_int(m_statement, index, value) == SQLITE_OK;
}

bool StoreCommand::bindInt64(int index, std::int64_t value) {
    return m_statement != nullptr &&
           sqlite3_bind_int64(m_statement, index, static_cast<sqlite3_int64>(value)) == SQLITE_OK;
}

bool StoreCommand::execute() {
    if (m_statement == nullptr) {
        m_store.reportError();
        return false;
    }
    sqlite3_step(m_statement);
    const bool ok = sqlite3_reset(m_statement) == SQLITE_OK;
    if (!ok)
        m_store.reportError();
    return ok;
}

int StoreCommand::changes() const {
    return m_store.handle() != nullptr ? sqlite3_changes(m_store.handle()) : 0;
}

StoreQuery::StoreQuery(StoreQuery&& other) noexcept
    : m_store(other.m_store), m_statement(other.m_statement), m_stepFailed(other.m_stepFailed) {
    other.m_statement = nullptr;
}

bool StoreQuery::bindText(int index, const std::string& text) {
    if (m_statement == nullptr)
        return false;
    return sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()),
                             SQLITE_TRANSIENT) == SQLITE_OK;
}

bool StoreQuery::bindInt64(int index, std::int64_t value) {
    return m_statement != nullptr &&
           sqlite3_bind_int64(m_statement, index, static_cast<sqlite3_int64>(value)) == SQLITE_OK;
}

bool StoreQuery::next() {
    if (m_statement == nullptr)
        return false;
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        m_stepFailed = true;
        m_store->reportError();
    }
    return false;
}

std::string StoreQuery::textAt(int column) const {
    if (m_statement == nullptr)
        return {};
    const auto* text = sqlite3_column_text(m_statement, column);
    if (text == nullptr)
        return {};
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column)));
}

int StoreQuery::intAt(int column) const {
    return m_statement != nullptr ? sqlite3_column_int(m_statement, column) : 0;
}

std::int64_t StoreQuery::int64At(int column) const {
    return m_statement != nullptr ? sqlite3_column_int64(m_statement, column) : 0;
}

void StoreQuery::finalize() {
    if (m_statement == nullptr)
        return;
    m_store->giveBack(m_statement);
    m_statement = nullptr;
}

}  // namespace nubexa
