// Queuing a local tree of 10,000 small files for upload (QueueFolderUpload against the stand-in
// service on loopback: the walk, one FolderAdd per folder, every row in one transaction),
// against the same rows inserted with one bracket, and so one commit, per file: through our
// gate (kept connection, WAL), and as a naive client does it (open the file, insert in
// autocommit with SQLite's default journal, read the id, close; timed on a sample).
#include <ace/Log_Msg.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/notifier.h"
#include "service/service_client.h"
#include "standin/local_standin.h"
#include "store/statements.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "transfer/transfer_manager.h"
#include "transfer/transfer_queue.h"

namespace {

using namespace nubexa;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 100;
constexpr std::size_t kNaiveSample = 1000;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void makeTree(const fs::path& root) {
    for (int folder = 0; folder < kFolders; ++folder) {
        const fs::path dir = root / ("folder" + std::to_string(folder));
        fs::create_directories(dir);
        for (int file = 0; file < kFilesPerFolder; ++file)
            std::ofstream(dir / ("file" + std::to_string(file) + ".txt")) << folder << ":" << file;
    }
}

std::vector<NewTaskRow> queuedRows(StoreGate& from) {
    std::vector<NewTaskRow> rows;
    from.run([&](LocalStore& store) {
        auto query = store.prepareQuery(
            "SELECT user_id,local_path,local_file_name,ftp_file_name,file_size,ftp_path,parent_id"
            " FROM t_process_list ORDER BY id");
        while (query.next()) {
            rows.push_back(NewTaskRow{query.textAt(0), query.textAt(1), query.textAt(2),
                                      query.textAt(3), query.int64At(4), task_status::kWaiting,
                                      query.textAt(5), query.textAt(6)});
        }
    });
    return rows;
}

// The rows the walk queued, inserted again with one bracket of our gate per file.
double insertOnePerBracket(const std::vector<NewTaskRow>& rows, const std::string& path) {
    StoreGate gate(path);
    gate.run([](LocalStore&) {});  // opened and made before the clock starts
    const auto start = Clock::now();
    for (const auto& row : rows) {
        gate.run([&](LocalStore& store) {
            TaskTable tasks(store);
            tasks.insertFolderUpload(row);
            tasks.lastInsertedId();
        });
    }
    return secondsSince(start);
}

// Seconds per row when each row opens the file, inserts in autocommit and closes.
double insertNaively(const std::vector<NewTaskRow>& rows, const std::string& path) {
    {
        StoreGate(path).run([](LocalStore&) {});
    }  // the schema
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=DELETE;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const std::size_t count = std::min(rows.size(), kNaiveSample);
    const auto start = Clock::now();
    for (std::size_t i = 0; i < count; ++i) {
        const NewTaskRow& row = rows[i];
        sqlite3_open(path.c_str(), &db);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, statements::kInsertFolderUpload, -1, &insert, nullptr);
        const std::string size = std::to_string(row.fileSize);
        const char* values[] = {row.userId.c_str(),
                                row.localPath.c_str(),
                                row.localFileName.c_str(),
                                row.ftpFileName.c_str(),
                                size.c_str(),
                                "2",
                                "1",
                                row.ftpPath.c_str(),
                                row.parentId.c_str()};
        for (int v = 0; v < 9; ++v)
            sqlite3_bind_text(insert, v + 1, values[v], -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_finalize(insert);
        sqlite3_last_insert_rowid(db);
        sqlite3_close(db);
    }
    return secondsSince(start) / static_cast<double>(count);
}

}  // namespace

int main() {
    ACE_Log_Msg::instance()->priority_mask(0, ACE_Log_Msg::PROCESS);
    // On disk, beside the build, not in a memory file system: commits cost what they cost.
    const fs::path work = fs::current_path() / ("bench-folder-queue-" + std::to_string(::getpid()));
    fs::create_directories(work);
    makeTree(work / "tree");

    std::string whyNot;
    auto service = standin::startLocalStandin((work / "data").string(), {}, whyNot);
    if (!service) {
        std::fprintf(stderr, "stand-in did not start: %s\n", whyNot.c_str());
        return 1;
    }
    int status = 0;
    {
        ServiceConfig config;
        config.apiHost = "127.0.0.1:" + std::to_string(service->httpPort());
        ServiceClient client(config, (work / "program").string() + "/");
        if (client.signIn("demo", "demo123").value != 1) {
            std::fprintf(stderr, "sign-in failed\n");
            return 1;
        }
        client.GetUserInfo(client.account().uid, client.account().token);
        StoreGate gate((work / "ours.db").string());
        gate.run([](LocalStore&) {});
        RecordingNotifier notifier;
        TransferSettings settings;
        settings.startAtOnce = false;  // queuing alone is measured
        TransferManager manager(gate, client, notifier, settings);
        NoTransferView view;
        TransferQueue queue(manager, view);

        const auto start = Clock::now();
        const auto result = queue.QueueFolderUpload((work / "tree").string(), RemoteFolder{});
        const double ours = secondsSince(start);
        const auto files = result.taskIds.size();
        if (files != static_cast<std::size_t>(kFolders * kFilesPerFolder)) {
            std::fprintf(stderr, "queued %zu files, expected %d\n", files,
                         kFolders * kFilesPerFolder);
            status = 1;
        }
        const auto rows = queuedRows(gate);
        const double perBracket = insertOnePerBracket(rows, (work / "per-file.db").string());
        const double naivePerRow = insertNaively(rows, (work / "naive.db").string());
        const double naive = naivePerRow * static_cast<double>(rows.size());
        const auto count = static_cast<double>(files);
        std::printf(
            "queued %zu files of %d folders in %.3f s (walk, FolderAdd, one transaction);"
            " the rows alone, one bracket per file: %.3f s with our gate, %.1f s naively"
            " (%.2f ms a row over %zu rows)\n",
            files, kFolders + 1, ours, perBracket, naive, naivePerRow * 1000,
            std::min(rows.size(), kNaiveSample));
        std::printf(
            "BENCH folder_queue files=%zu folders=%d queue_s=%.3f per_file_ms=%.4f "
            "bracket_per_file_s=%.3f bracket_per_file_ms=%.4f ratio_to_bracket_per_file=%.3f "
            "naive_per_file_ms=%.3f naive_s=%.1f ratio_to_naive=%.4f\n",
            files, kFolders + 1, ours, ours * 1000 / count, perBracket, perBracket * 1000 / count,
            ours / perBracket, naivePerRow * 1000, naive, ours / naive);
    }
    service->stop();
    std::error_code error;
    fs::remove_all(work, error);
    return status;
}
