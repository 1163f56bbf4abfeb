#include "bench_world.h"

#include <sqlite3.h>
#include <unistd.h>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/main_frame.h"
#include "app/main_wnd.h"
#include "app/sign_in_window.h"
#include "pages/x_page_my_disk.h"
#include "standin/local_standin.h"

namespace nubexa::bench {

BenchWorld::BenchWorld(const std::string& name)
    : m_work(std::filesystem::temp_directory_path() /
             ("nubexa-bench-" + name + "-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(m_work + "/home");
    std::filesystem::create_directories(m_work + "/program");
    std::error_code error;
    std::filesystem::create_directory_symlink(std::filesystem::absolute("src/app/image"),
                                              m_work + "/program/image", error);
    std::string whyNot;
    m_service = standin::startLocalStandin(m_work + "/service", {}, whyNot);
    m_started = m_service != nullptr;
    if (!m_started)
        std::fprintf(stderr, "stand-in: %s\n", whyNot.c_str());
}

BenchWorld::~BenchWorld() {
    if (m_service)
        m_service->stop();
    std::error_code error;
    std::filesystem::remove_all(m_work, error);
}

bool BenchWorld::seedFolder(const std::string& name, int files, const std::string& content) {
    const std::string data = m_work + "/service/";
    sqlite3* db = nullptr;
    if (sqlite3_open((data + "nubexa.db").c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    sqlite3_busy_timeout(db, 5000);
    const std::string size = content.empty() ? "1000 + n.i" : std::to_string(content.size());
    const std::string sql =
        "BEGIN;"
        "INSERT INTO folders (account_id, parent_id, name, created)"
        " SELECT id, 0, '" +
        name +
        "', strftime('%s') FROM accounts WHERE name = 'demo';"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(files) +
        ") INSERT INTO files (account_id, folder_id, name, ext, size, md5, state, created)"
        " SELECT f.account_id, f.id, '文件 ' || n.i, '.jpg', " +
        size +
        ", 'x', 1, strftime('%s')"
        " FROM n, folders f WHERE f.name = '" +
        name +
        "';"
        "COMMIT;";
    char* error = nullptr;
    bool done = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK;
    if (!done)
        std::fprintf(stderr, "seeding: %s\n", error != nullptr ? error : "?");
    sqlite3_free(error);
    // The file server keeps content/<account>/<file id>.
    const std::string query =
        "SELECT files.account_id, files.id FROM files JOIN folders ON"
        " files.folder_id = folders.id WHERE folders.name = '" +
        name + "'";
    sqlite3_stmt* statement = nullptr;
    if (done && !content.empty() &&
        sqlite3_prepare_v2(db, query.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
        const std::string original = m_work + "/seeded-content";
        std::ofstream(original, std::ios::binary) << content;
        while (done && sqlite3_step(statement) == SQLITE_ROW) {
            const std::string folder =
                data + "content/" + std::to_string(sqlite3_column_int64(statement, 0));
            std::filesystem::create_directories(folder);
            std::error_code linkError;
            std::filesystem::create_hard_link(
                original, folder + "/" + std::to_string(sqlite3_column_int64(statement, 1)),
                linkError);
            done = !linkError;
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return done;
}

app::ClientEnvironment BenchWorld::environment() {
    app::ClientEnvironment environment;
    environment.homeFolder = m_work + "/home/";
    environment.programFolder = m_work + "/program/";
    environment.config.apiHost = "127.0.0.1:" + std::to_string(m_service->httpPort());
    environment.config.webHost = environment.config.apiHost;
    environment.notifier = &m_notifier;
    environment.browser = &m_browser;
    environment.useTray = false;
    return environment;
}

std::unique_ptr<app::CMainWnd> BenchWorld::signedInClient(
    const app::ClientEnvironment& environment) {
    auto client = std::make_unique<app::CMainWnd>(environment);
    pages::CXPageMyDisk::installInto(*client);
    client->OpenWindow();
    client->signInWindow()->accountEdit()->setText(QStringLiteral("demo"));
    client->signInWindow()->passwordEdit()->setText(QStringLiteral("demo123"));
    client->SignIn("0");
    if (!QTest::qWaitFor([&] { return client->mainFrame() && client->mainFrame()->isVisible(); },
                         10000)) {
        std::fprintf(stderr, "main window not shown\n");
        return nullptr;
    }
    return client;
}

}  // namespace nubexa::bench
