#include "standin/store/data_schema.h"

#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

// Folder 0 is the root of every account and has no row. An item with bin_entry 0 is live; any
// other value names the recycle-bin entry that took it away (a folder takes everything below
// it with the same entry). A file with state 0 is registered by FileAdd but not finalised.
constexpr const char* kTables[] = {
    "CREATE TABLE IF NOT EXISTS accounts ("
    " id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE COLLATE NOCASE,"
    " nickname TEXT NOT NULL, email TEXT NOT NULL DEFAULT '',"
    " pwd_salt TEXT NOT NULL, pwd_hash TEXT NOT NULL, pwd_iterations INTEGER NOT NULL,"
    " ftp_user TEXT NOT NULL UNIQUE, ftp_pwd TEXT NOT NULL,"
    " vip INTEGER NOT NULL DEFAULT 0, wip INTEGER NOT NULL DEFAULT 0,"
    " integral INTEGER NOT NULL DEFAULT 0, disk_size INTEGER NOT NULL,"
    " upload_limit INTEGER NOT NULL, avatar TEXT NOT NULL DEFAULT '', created INTEGER NOT NULL)",

    "CREATE TABLE IF NOT EXISTS sessions ("
    " token TEXT PRIMARY KEY, account_id INTEGER NOT NULL REFERENCES accounts(id),"
    " param_token TEXT NOT NULL UNIQUE, session_key TEXT NOT NULL, created INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS sessions_account ON sessions(account_id, created)",

    "CREATE TABLE IF NOT EXISTS web_sessions ("
    " cookie TEXT PRIMARY KEY, account_id INTEGER NOT NULL REFERENCES accounts(id),"
    " created INTEGER NOT NULL)",

    // Password-reset links: only a digest of the token is kept.
    "CREATE TABLE IF NOT EXISTS password_resets ("
    " token_digest TEXT PRIMARY KEY, account_id INTEGER NOT NULL REFERENCES accounts(id),"
    " created INTEGER NOT NULL)",

    "CREATE TABLE IF NOT EXISTS web_signins ("
    " sid TEXT PRIMARY KEY, kind TEXT NOT NULL, account_id INTEGER REFERENCES accounts(id),"
    " confirmed_at INTEGER, token TEXT, created INTEGER NOT NULL)",

    "CREATE TABLE IF NOT EXISTS folders ("
    " id INTEGER PRIMARY KEY, account_id INTEGER NOT NULL REFERENCES accounts(id),"
    " parent_id INTEGER NOT NULL, name TEXT NOT NULL, pwd TEXT NOT NULL DEFAULT '',"
    " pwd_tip TEXT NOT NULL DEFAULT '', created INTEGER NOT NULL,"
    " bin_entry INTEGER NOT NULL DEFAULT 0)",
    "CREATE INDEX IF NOT EXISTS folders_parent ON folders(account_id, parent_id)",

    "CREATE TABLE IF NOT EXISTS files ("
    " id INTEGER PRIMARY KEY, account_id INTEGER NOT NULL REFERENCES accounts(id),"
    " folder_id INTEGER NOT NULL, name TEXT NOT NULL, ext TEXT NOT NULL, size INTEGER NOT NULL,"
    " md5 TEXT NOT NULL, state INTEGER NOT NULL DEFAULT 0, pwd TEXT NOT NULL DEFAULT '',"
    " pwd_tip TEXT NOT NULL DEFAULT '', created INTEGER NOT NULL,"
    " bin_entry INTEGER NOT NULL DEFAULT 0)",
    "CREATE INDEX IF NOT EXISTS files_folder ON files(account_id, folder_id)",
    // Every upload looks its file up by stored name, checks for a repeated registration and
    // sums the account's usage: without these each of them reads every row of the folder or
    // the account, which makes a folder of many small files quadratic.
    "CREATE INDEX IF NOT EXISTS files_stored_name ON files(account_id, folder_id, name || ext)",
    "CREATE INDEX IF NOT EXISTS files_content ON files(account_id, folder_id, md5)",
    "CREATE INDEX IF NOT EXISTS files_usage ON files(account_id, state, size)",
    // Every upload asks the account's usage two or three times: summed on every change by
    // the triggers, not over every file of the account at every ask.
    "CREATE TABLE IF NOT EXISTS usage (account_id INTEGER NOT NULL, state INTEGER NOT NULL,"
    " bytes INTEGER NOT NULL, PRIMARY KEY (account_id, state))",
    "CREATE TRIGGER IF NOT EXISTS files_usage_insert AFTER INSERT ON files BEGIN"
    " INSERT INTO usage (account_id, state, bytes) VALUES (NEW.account_id, NEW.state, NEW.size)"
    " ON CONFLICT (account_id, state) DO UPDATE SET bytes = bytes + excluded.bytes; END",
    "CREATE TRIGGER IF NOT EXISTS files_usage_delete AFTER DELETE ON files BEGIN"
    " UPDATE usage SET bytes = bytes - OLD.size"
    " WHERE account_id = OLD.account_id AND state = OLD.state; END",
    "CREATE TRIGGER IF NOT EXISTS files_usage_update AFTER UPDATE OF account_id, state, size"
    " ON files BEGIN"
    " UPDATE usage SET bytes = bytes - OLD.size"
    " WHERE account_id = OLD.account_id AND state = OLD.state;"
    " INSERT INTO usage (account_id, state, bytes) VALUES (NEW.account_id, NEW.state, NEW.size)"
    " ON CONFLICT (account_id, state) DO UPDATE SET bytes = bytes + excluded.bytes; END",

    "CREATE TABLE IF NOT EXISTS bin_entries ("
    " id INTEGER PRIMARY KEY, account_id INTEGER NOT NULL REFERENCES accounts(id),"
    " kind TEXT NOT NULL CHECK (kind IN ('folder', 'file')), item_id INTEGER NOT NULL,"
    " deleted_at INTEGER NOT NULL)",

    "CREATE TABLE IF NOT EXISTS shares ("
    " id INTEGER PRIMARY KEY, account_id INTEGER NOT NULL REFERENCES accounts(id),"
    " kind TEXT NOT NULL CHECK (kind IN ('folder', 'file')), item_id INTEGER NOT NULL,"
    " share_key TEXT NOT NULL UNIQUE, pwd TEXT NOT NULL DEFAULT '',"
    " points INTEGER NOT NULL DEFAULT 0, description TEXT NOT NULL DEFAULT '',"
    " created INTEGER NOT NULL, UNIQUE (kind, item_id))",

    "CREATE TABLE IF NOT EXISTS email_shares ("
    " id INTEGER PRIMARY KEY, account_id INTEGER NOT NULL REFERENCES accounts(id),"
    " kind TEXT NOT NULL, item_id INTEGER NOT NULL, recipients TEXT NOT NULL,"
    " created INTEGER NOT NULL)",

    "CREATE TABLE IF NOT EXISTS links ("
    " file_id INTEGER PRIMARY KEY, account_id INTEGER NOT NULL REFERENCES accounts(id),"
    " link_name TEXT UNIQUE, link_key TEXT NOT NULL UNIQUE, domains TEXT NOT NULL DEFAULT '',"
    " created INTEGER NOT NULL)",

    "CREATE TABLE IF NOT EXISTS draws ("
    " account_id INTEGER NOT NULL REFERENCES accounts(id), day TEXT NOT NULL,"
    " size INTEGER NOT NULL, created INTEGER NOT NULL, PRIMARY KEY (account_id, day))",

    "CREATE TABLE IF NOT EXISTS announcements ("
    " id INTEGER PRIMARY KEY, title TEXT NOT NULL, url TEXT NOT NULL,"
    " position INTEGER NOT NULL DEFAULT 0)",

    "CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
};

struct DefaultNotice {
    const char* title;
    const char* url;
};

// Relative addresses are completed with the service's public address when served.
constexpr DefaultNotice kDefaultNotices[] = {
    {"Nubexa网盘客户端全新上线，欢迎体验", "/help/"},
    {"邀请好友注册，双方各得1G空间", "/account/recommend.aspx"},
    {"开通直链服务，文件外链加速", "/account/wip.aspx"},
};

}  // namespace

Outcome createSchema(SqlDatabase& database) {
    SqlTx tx(database);
    for (const char* statement : kTables)
        tx.exec(statement);
    // Notices are created once, with the database; an operator may edit or empty them later.
    if (tx.scalar(0, "SELECT COUNT(*) FROM meta WHERE key = 'notices_created'") == 0) {
        int position = 0;
        for (const auto& notice : kDefaultNotices)
            tx.exec("INSERT INTO announcements (title, url, position) VALUES (?, ?, ?)",
                    notice.title, notice.url, ++position);
        tx.exec("INSERT INTO meta (key, value) VALUES ('notices_created', ?)",
                std::to_string(nowSeconds()));
    }
    // A data folder from before the usage table: its files summed once.
    if (tx.scalar(0, "SELECT COUNT(*) FROM meta WHERE key = 'usage_summed'") == 0) {
        tx.exec("DELETE FROM usage");
        tx.exec(
            "INSERT INTO usage (account_id, state, bytes)"
            " SELECT account_id, state, SUM(size) FROM files GROUP BY account_id, state");
        tx.exec("INSERT INTO meta (key, value) VALUES ('usage_summed', '1')");
    }
    tx.exec("INSERT OR IGNORE INTO meta (key, value) VALUES ('schema_version', '1')");
    if (!tx.commit())
        return Outcome::failure("cannot create the tables: " + tx.error());
    return Outcome::success();
}

}  // namespace nubexa::standin
