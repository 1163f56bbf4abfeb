// nubexa-cli as a user runs it: its own process, its own bin.db under NUBEXA_HOME, the
// stand-in service of the fixture.
#include <signal.h>
#include <sys/stat.h>

#include <httplib.h>

#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "cli_fixture.h"
#include "ftp/child_process.h"
#include "session/run_lock.h"
#include "store/user_log.h"
#include "support/test_certificates.h"
#include "transfer/transfer_page_text.h"

namespace nubexa::test {
namespace {

TEST_F(CliTest, CommandsQueueTransferAndReportThroughTheClientsOwnQueue) {
    EXPECT_EQ(login("wrong-password"), 1);
    ASSERT_EQ(login("demo123"), 0) << m_output;
    EXPECT_NE(m_output.find("signed in as 演示用户"), std::string::npos) << m_output;
    // Recorded as the sign-in window records it, the password remembered.
    const auto last =
        m_cliGate->run([](LocalStore& store) { return UserLog(store).readLastUser(); });
    ASSERT_TRUE(last);
    EXPECT_EQ(last->userName, m_client->account().uid);
    EXPECT_EQ(last->password, "demo123");
    // A first sign-in chooses automatic resume, as the desktop client's does.
    EXPECT_EQ(last->autoResume, "1");

    ASSERT_EQ(cli({"ls"}), 0) << m_output;
    EXPECT_NE(m_output.find("照片/"), std::string::npos);
    EXPECT_NE(m_output.find("欢迎使用Nubexa.txt\t123 B"), std::string::npos) << m_output;
    EXPECT_EQ(cli({"ls", "/照片/nope"}), 1);

    const std::string upload = makeFile("file.bin", 300000, 8);
    makeFile("tree/a.txt", 10, 9);
    makeFile("tree/sub/b.txt", 20, 10);
    makeFile("tree/q?.txt", 5, 12);
    ASSERT_EQ(::mkfifo((localDir() + "/tree/pipe").c_str(), 0644), 0);
    // Something was left out (the pipe): done, with a status of its own.
    ASSERT_EQ(cli({"put", upload, localDir() + "/tree", "--to", "/照片"}), 3) << m_output;
    // Which names were mapped and what was left out, one line each.
    EXPECT_NE(m_output.find("  renamed: " + localDir() + "/tree/q?.txt -> q？.txt\n"),
              std::string::npos)
        << m_output;
    EXPECT_NE(m_output.find("  skipped: " + localDir() +
                            "/tree/pipe (not a regular file (a pipe, socket or device))\n"),
              std::string::npos)
        << m_output;
    // Said once, line by line: not summed again in the core's words.
    EXPECT_EQ(m_output.find("全角"), std::string::npos) << m_output;
    const std::string back = localDir() + "/back";
    std::filesystem::create_directories(back);
    ASSERT_EQ(cli({"get", "/projects", "\\欢迎使用Nubexa.txt", "--to", back}), 0) << m_output;
    ASSERT_EQ(cli({"queue"}), 0);
    EXPECT_NE(
        m_output.find("\tupload\t" + upload + "\t/照片/file.bin\t293.0 KiB\t0%\t0 KB/s\twaiting"),
        std::string::npos)
        << m_output;
    EXPECT_EQ(cliRows().size(), 7u);

    ASSERT_EQ(cli({"run", "--interval", "0.2"}), 0) << m_output;
    EXPECT_NE(m_output.find("7 completed, 0 failed, 0 waiting"), std::string::npos) << m_output;
    EXPECT_EQ(readFile(back + "/projects/data.bin").size(), 1u << 20);
    EXPECT_FALSE(readFile(back + "/projects/README.md").empty());
    EXPECT_EQ(readFile(back + "/欢迎使用Nubexa.txt").size(), 123u);
    ASSERT_EQ(cli({"ls", "/照片"}), 0);
    EXPECT_NE(m_output.find("file.bin\t293.0 KiB\t20"), std::string::npos) << m_output;
    ASSERT_EQ(cli({"ls", "/照片/tree/sub"}), 0);
    EXPECT_NE(m_output.find("b.txt\t20 B"), std::string::npos) << m_output;
    ASSERT_EQ(cli({"queue"}), 0);
    EXPECT_EQ(m_output, "ID\tDIRECTION\tLOCAL\tREMOTE\tSIZE\tPROGRESS\tSPEED\tSTATE\n");

    // The task commands on a queued task.
    ASSERT_EQ(cli({"put", makeFile("later.bin", 100, 11)}), 0);
    const std::string id = std::to_string(cliRows().back().id);
    EXPECT_EQ(cli({"pause", id}), 0);
    EXPECT_EQ(m_output, "task " + id + " paused\n");
    ASSERT_EQ(cli({"queue"}), 0);
    EXPECT_NE(m_output.find("\t0 KB/s\tpaused\n"), std::string::npos) << m_output;
    EXPECT_EQ(cli({"run", "--interval", "0.2"}), 0) << "a paused task is not run";
    EXPECT_NE(m_output.find("0 completed, 0 failed, 1 waiting\n1 paused task(s) wait for"),
              std::string::npos)
        << m_output;
    EXPECT_EQ(cliRows().back().status, task_status::kWaiting);
    EXPECT_EQ(cli({"resume", id}), 0);
    ASSERT_EQ(cli({"queue"}), 0);
    EXPECT_NE(m_output.find("\twaiting\n"), std::string::npos) << m_output;
    EXPECT_EQ(cli({"delete", id}), 0);
    EXPECT_EQ(cliRows().back().status, task_status::kDeleted);
    EXPECT_EQ(cli({"delete", id}), 1);
    EXPECT_EQ(cli({"pause", "999"}), 1);

    // Queued and transferred in one command and one sign-in.
    ASSERT_EQ(cli({"put", makeFile("now.bin", 70000, 13), "--run"}), 0) << m_output;
    EXPECT_NE(m_output.find("1 completed, 0 failed, 0 waiting"), std::string::npos) << m_output;
    const std::string now = localDir() + "/now";
    std::filesystem::create_directories(now);
    ASSERT_EQ(cli({"get", "/now.bin", "--to", now, "--run"}), 0) << m_output;
    EXPECT_EQ(readFile(now + "/now.bin"), readFile(localDir() + "/now.bin"));
    // While another process transfers the queue, the task is queued and left to that one.
    const std::string later = localDir() + "/later";
    std::filesystem::create_directories(later);
    {
        const RunLock elsewhere(home() + "/bin.db");
        ASSERT_TRUE(elsewhere.held());
        EXPECT_EQ(cli({"get", "/now.bin", "--to", later, "--run"}), 1) << m_output;
        EXPECT_NE(m_output.find("is transferring the tasks of"), std::string::npos) << m_output;
    }
    EXPECT_EQ(cliRows().back().status, task_status::kWaiting);
    ASSERT_EQ(cli({"run", "--interval", "0.2"}), 0) << m_output;
    EXPECT_EQ(readFile(later + "/now.bin"), readFile(now + "/now.bin"));

    // Usage errors.
    EXPECT_EQ(cli({}), 2);
    EXPECT_EQ(cli({"put"}), 2);
    for (const char* bad : {"abc", "0", "-3", "1.5", "99999999999999999999"}) {
        EXPECT_EQ(cli({"pause", bad}), 2) << bad;
        EXPECT_NE(m_output.find("TASK-ID must be a positive whole number"), std::string::npos)
            << m_output;
        EXPECT_LT(m_output.size(), 200u) << m_output;
    }
    for (const char* bad : {"0", "-5s", "10x", "m", "5 m"}) {
        EXPECT_EQ(cli({"run", "--give-up-after", bad}), 2) << bad;
        EXPECT_NE(m_output.find("--give-up-after must be a duration"), std::string::npos)
            << m_output;
    }
    EXPECT_EQ(cli({"bogus"}), 2);
    EXPECT_NE(m_output.find("unknown command 'bogus'"), std::string::npos) << m_output;
    EXPECT_EQ(cli({"help", "run"}), 0);
    EXPECT_NE(m_output.find("--limit-rate"), std::string::npos) << m_output;
    EXPECT_EQ(cli({"get", "/x"}), 2) << "--to is required";
    EXPECT_EQ(cli({"run", "--limit-rate", "fast"}), 2);
}

TEST_F(CliTest, WhatCanOnlyFailLaterIsRefusedAtQueueTimeAndLeavesTheQueueAsItWas) {
    ASSERT_EQ(login("demo123"), 0) << m_output;
    const std::string down = localDir() + "/down";
    std::filesystem::create_directories(down);
    const std::string aFile = makeFile("plain.txt", 10, 1);

    EXPECT_EQ(cli({"get", "/欢迎使用Nubexa.txt", "--to", aFile}), 1);
    EXPECT_NE(m_output.find(aFile + " is a file, not a folder"), std::string::npos) << m_output;
    EXPECT_EQ(cli({"get", "/欢迎使用Nubexa.txt", "--to", down + "/missing"}), 1);
    EXPECT_NE(m_output.find("no such local folder"), std::string::npos) << m_output;
    writeFile(down + "/欢迎使用Nubexa.txt", "mine");
    EXPECT_EQ(cli({"get", "/欢迎使用Nubexa.txt", "--to", down}), 1);
    EXPECT_NE(m_output.find("exists already"), std::string::npos) << m_output;
    EXPECT_EQ(readFile(down + "/欢迎使用Nubexa.txt"), "mine");
    EXPECT_TRUE(cliRows().empty());

    // The same transfer queued twice is one task.
    std::filesystem::remove(down + "/欢迎使用Nubexa.txt");
    ASSERT_EQ(cli({"get", "/欢迎使用Nubexa.txt", "--to", down}), 0) << m_output;
    ASSERT_EQ(cli({"get", "/欢迎使用Nubexa.txt", "--to", down}), 0) << m_output;
    EXPECT_NE(m_output.find("already queued as task"), std::string::npos) << m_output;
    ASSERT_EQ(cli({"put", aFile}), 0) << m_output;
    ASSERT_EQ(cli({"put", aFile}), 0) << m_output;
    EXPECT_NE(m_output.find("already queued as task"), std::string::npos) << m_output;
    EXPECT_EQ(cliRows().size(), 2u);
    EXPECT_EQ(cli({"put", "/tmp/.."}), 1);
    EXPECT_NE(m_output.find("the top of the file system cannot be uploaded"), std::string::npos)
        << m_output;
    EXPECT_EQ(cliRows().size(), 2u);
    // A folder of which nothing can go: not success, and not the failure of a whole command
    // either; a later failure still outweighs it.
    std::filesystem::create_directories(localDir() + "/nothing");
    std::filesystem::create_symlink("gone", localDir() + "/nothing/dangling");
    EXPECT_EQ(cli({"put", localDir() + "/nothing"}), 3) << m_output;
    EXPECT_NE(m_output.find("queued 0 file(s)"), std::string::npos) << m_output;
    std::filesystem::create_directories(localDir() + "/nothing2");
    std::filesystem::create_symlink("gone", localDir() + "/nothing2/dangling");
    EXPECT_EQ(cli({"put", localDir() + "/nothing2", localDir() + "/absent"}), 1) << m_output;

    // --db naming a file that is not a database: refused, the file untouched.
    const std::string notes = makeFile("notes.txt", 4000, 7);
    const std::string before = readFile(notes);
    EXPECT_EQ(cli({"--db", notes, "queue"}), 2);
    EXPECT_NE(m_output.find("is not a bin.db"), std::string::npos) << m_output;
    EXPECT_EQ(readFile(notes), before);
    EXPECT_FALSE(std::filesystem::exists(notes + "-wal"));

    // A protected folder opens only with its password, as on the disk page.
    EXPECT_EQ(cliWithInput({"ls", "/私密资料", "--folder-password-stdin"}, "0000\n"), 1);
    EXPECT_NE(m_output.find("wrong password for folder \\私密资料"), std::string::npos) << m_output;
    EXPECT_EQ(m_output.find("账号备忘"), std::string::npos) << m_output;
    ASSERT_EQ(cliWithInput({"ls", "/私密资料", "--folder-password-stdin"}, "1234\n"), 0)
        << m_output;
    EXPECT_NE(m_output.find("账号备忘.txt\t"), std::string::npos) << m_output;

    // Listings for scripts.
    ASSERT_EQ(cli({"ls", "--bytes"}), 0) << m_output;
    EXPECT_NE(m_output.find("欢迎使用Nubexa.txt\t123\t"), std::string::npos) << m_output;
    ASSERT_EQ(cli({"ls", "--json"}), 0) << m_output;
    EXPECT_NE(m_output.find("\"name\": \"欢迎使用Nubexa.txt\""), std::string::npos) << m_output;
    EXPECT_NE(m_output.find("\"size\": 123"), std::string::npos) << m_output;
}

TEST_F(CliTest, GetTakesListedIdsAndContinuesAFolderOnlyWhenAskedShowingWholeRemotePaths) {
    ASSERT_EQ(login("demo123"), 0) << m_output;
    const std::string down = localDir() + "/down";
    std::filesystem::create_directories(down);

    // The id column of "ls" is what get --id takes, for a file and for a folder.
    ASSERT_EQ(cli({"ls"}), 0) << m_output;
    const auto idOf = [&](const std::string& name) {
        const auto line = m_output.find(name + "\t");
        const auto end = m_output.find('\n', line);
        const auto tab = m_output.rfind('\t', end);
        return line == std::string::npos ? std::string() : m_output.substr(tab + 1, end - tab - 1);
    };
    const std::string fileId = idOf("欢迎使用Nubexa.txt");  // "id=N"
    ASSERT_EQ(fileId.rfind("id=", 0), 0u) << m_output;
    const std::string number = fileId.substr(3);
    // Folders and files are numbered apart (the demo's 照片 has the welcome file's number):
    // where both have the number, it is not guessed.
    ASSERT_EQ(idOf("照片/"), fileId) << m_output;
    EXPECT_EQ(cli({"get", "--id", fileId, "--to", down}), 1);
    EXPECT_NE(m_output.find("write folder:" + number + " or file:" + number), std::string::npos)
        << m_output;
    EXPECT_TRUE(cliRows().empty());
    ASSERT_EQ(cli({"get", "--id", "file:" + number, "--to", down}), 0) << m_output;
    EXPECT_NE(m_output.find("download /欢迎使用Nubexa.txt"), std::string::npos) << m_output;
    EXPECT_EQ(cli({"get", "--id", "987654321", "--to", down}), 1);
    EXPECT_NE(m_output.find("no file or folder with id 987654321"), std::string::npos) << m_output;

    // A folder that exists locally is refused, and continued with --skip-existing: what is
    // there stays, the rest is queued under its whole remote path.
    std::filesystem::create_directories(down + "/projects");
    writeFile(down + "/projects/README.md", "mine");
    EXPECT_EQ(cli({"get", "/projects", "--to", down}), 1);
    EXPECT_NE(m_output.find("--skip-existing"), std::string::npos) << m_output;
    EXPECT_EQ(cliRows().size(), 1u);
    ASSERT_EQ(cli({"get", "/projects", "--to", down, "--skip-existing"}), 0) << m_output;
    EXPECT_NE(m_output.find("skipped 1 file(s) that exist already"), std::string::npos) << m_output;
    const auto queued = cliRows().size();
    ASSERT_EQ(cli({"get", "/projects", "--to", down, "--skip-existing"}), 0) << m_output;
    EXPECT_NE(m_output.find("1 file(s) were queued already"), std::string::npos) << m_output;
    EXPECT_EQ(cliRows().size(), queued);
    ASSERT_EQ(cli({"queue"}), 0);
    EXPECT_NE(m_output.find("\t/projects/data.bin\t"), std::string::npos) << m_output;
    EXPECT_EQ(m_output.find("README.md"), std::string::npos) << m_output;
    ASSERT_EQ(cli({"run", "--interval", "0.2"}), 0) << m_output;
    EXPECT_EQ(readFile(down + "/projects/README.md"), "mine");
    EXPECT_EQ(readFile(down + "/projects/data.bin").size(), 1u << 20);
}

TEST_F(CliTest, LogoutForgetsTheRememberedSignIn) {
    ASSERT_EQ(login("demo123"), 0) << m_output;
    ASSERT_EQ(login("demo123"), 0) << m_output;  // two sign-in rows
    ASSERT_EQ(cli({"logout"}), 0) << m_output;
    const auto passwords = m_cliGate->run([](LocalStore& store) {
        auto query = store.prepareQuery("SELECT count(*) FROM t_user_log WHERE password != ''");
        query.next();
        return query.intAt(0);
    });
    EXPECT_EQ(passwords, 0);
    EXPECT_EQ(cli({"ls"}), 1);
    EXPECT_NE(m_output.find("not signed in"), std::string::npos) << m_output;
}

TEST_F(CliTest, ARefusedCertificateIsSaidAsSuchNeverAsAWrongPassword) {
    ASSERT_EQ(login("demo123"), 0) << m_output;
    // The same service over HTTPS with a certificate of an authority nobody configured.
    const TestCertificates certificates;
    standin::ServiceOptions options;
    options.dataFolder = m_dir.path() + "/tls-service";
    options.httpPort = 0;
    options.ftp.port = 0;
    options.seedDemo = true;
    options.logSink = [](const std::string&) {};
    options.tls = certificates.trusted();
    standin::StandinService service(options);
    ASSERT_TRUE(service.start().ok);
    writeFile(home() + "/nubexa.ini", "[service]\napi_host = https://127.0.0.1:" +
                                          std::to_string(service.httpPort()) + "\n");
    for (const bool remembered : {true, false}) {
        EXPECT_EQ(remembered ? cli({"ls"}) : login("demo123"), 1);
        EXPECT_NE(m_output.find("see ca_file"), std::string::npos) << m_output;
        EXPECT_EQ(m_output.find("password"), std::string::npos) << m_output;
        EXPECT_EQ(m_output.find("refused"), std::string::npos) << m_output;
    }
    service.stop();
}

TEST_F(CliTest, BeforeAnySignInCommandsSaySoAndFail) {
    EXPECT_EQ(cli({"ls"}), 1);
    EXPECT_NE(m_output.find("not signed in"), std::string::npos) << m_output;
    EXPECT_EQ(cli({"queue"}), 1);
    EXPECT_EQ(cli({"run"}), 1);
}

TEST_F(CliTest, InterruptedOrKilledRunsLoseNothingAndTheNextRunFinishes) {
    std::map<std::string, std::string> downloads;
    for (const char* name : {"r1.bin", "r2.bin"}) {
        downloads[name] = patternBytes(3 << 20, static_cast<unsigned>(downloads.size() + 20));
        putRemoteFile({}, name, downloads[name]);
    }
    makeFile("up/l1.bin", 3 << 20, 31);
    makeFile("up/l2.bin", 3 << 20, 32);
    const std::string down = localDir() + "/down";
    std::filesystem::create_directories(down);
    ASSERT_EQ(login("demo123"), 0) << m_output;
    ASSERT_EQ(cli({"put", localDir() + "/up"}), 0) << m_output;  // a folder upload
    ASSERT_EQ(cli({"get", "/r1.bin", "/r2.bin", "--to", down}), 0) << m_output;
    ASSERT_EQ(cliRows().size(), 4u);

    const auto allMoving = [&](const std::vector<StoredTask>& before) {
        const auto rows = cliRows();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].transferSize <= before[i].transferSize)
                return false;
        }
        return true;
    };
    const std::vector<std::string> slowRun{"run", "--limit-rate", "256K", "--interval", "0.2"};

    // Ctrl-C: every transfer stops and stays resumable.
    {
        const auto before = cliRows();
        ChildProcess run;
        ASSERT_TRUE(run.start(command(slowRun), outputFile()));
        ASSERT_TRUE(waitUntil([&] { return allMoving(before); }, 60s)) << readFile(outputFile());
        run.signalGroup(SIGINT);
        EXPECT_EQ(run.wait(20s), std::optional<int>(130));
        EXPECT_NE(readFile(outputFile()).find("every task stays resumable"), std::string::npos);
        for (const auto& row : cliRows()) {
            EXPECT_EQ(row.status, task_status::kWaiting) << row.localFileName;
            EXPECT_FALSE(finished(row)) << row.localFileName;
        }
        // Nothing moves now, and "queue" says so.
        ASSERT_EQ(cli({"queue"}), 0);
        EXPECT_EQ(m_output.find("running"), std::string::npos) << m_output;
        EXPECT_NE(m_output.find("\t0 KB/s\twaiting\n"), std::string::npos) << m_output;
    }
    // SIGKILL: nothing is written at all.
    {
        const auto before = cliRows();
        ChildProcess run;
        ASSERT_TRUE(run.start(command(slowRun), outputFile()));
        ASSERT_TRUE(waitUntil([&] { return allMoving(before); }, 60s)) << readFile(outputFile());
        run.signalGroup(SIGKILL);
        EXPECT_EQ(run.wait(20s), std::optional<int>(128 + SIGKILL));
    }
    ASSERT_EQ(cli({"run", "--interval", "0.2"}), 0) << m_output;

    const auto rows = cliRows();
    ASSERT_EQ(rows.size(), 4u) << "no task lost or added";
    for (const auto& row : rows)
        EXPECT_TRUE(finished(row)) << row.localFileName;
    for (const auto& [name, bytes] : downloads)
        EXPECT_EQ(readFile(down + "/" + name), bytes) << name;
    // The service holds each upload once, with the bytes it was sent (it checks the digest).
    ASSERT_EQ(rows[0].ranType, "1");
    const auto files = remoteFiles(rows[0].parentId);
    EXPECT_EQ(files.count("l1.bin"), 1u);
    EXPECT_EQ(files.count("l2.bin"), 1u);
    EXPECT_EQ(files.count("l1 (2).bin") + files.count("l2 (2).bin"), 0u);
}

// Small files finish without a progress write before their last one: killed in the middle of
// many, every task seen finished stays finished with its file on the service, and the next run
// finishes the rest.
TEST_F(CliTest, AKilledRunOfSmallFilesKeepsEveryFinishedTask) {
    constexpr int kFiles = 40;
    for (int i = 0; i < kFiles; ++i)
        makeFile("many/f" + std::to_string(i) + ".bin", 4000, static_cast<unsigned>(50 + i));
    ASSERT_EQ(login("demo123"), 0) << m_output;
    ASSERT_EQ(cli({"put", localDir() + "/many"}), 0) << m_output;
    const auto finishedNames = [&] {
        std::set<std::string> names;
        for (const auto& row : cliRows()) {
            if (finished(row))
                names.insert(row.localFileName);
        }
        return names;
    };

    std::set<std::string> seenFinished;
    {
        ChildProcess run;
        ASSERT_TRUE(
            run.start(command({"run", "--limit-rate", "64K", "--interval", "0.2"}), outputFile()));
        ASSERT_TRUE(waitUntil(
            [&] {
                seenFinished = finishedNames();
                return seenFinished.size() >= 3 || !run.running();
            },
            60s));
        run.signalGroup(SIGKILL);
        EXPECT_EQ(run.wait(20s), std::optional<int>(128 + SIGKILL)) << readFile(outputFile());
    }
    const auto afterKill = finishedNames();
    ASSERT_LT(afterKill.size(), static_cast<std::size_t>(kFiles)) << "killed before the end";
    const auto rows = cliRows();
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kFiles));
    const auto killed = remoteFiles(rows[0].parentId);
    for (const auto& name : seenFinished) {
        EXPECT_EQ(afterKill.count(name), 1u) << name;
        EXPECT_EQ(killed.count(name), 1u) << name;
    }

    ASSERT_EQ(cli({"run", "--interval", "0.2"}), 0) << m_output;
    EXPECT_EQ(finishedNames().size(), static_cast<std::size_t>(kFiles));
    const auto files = remoteFiles(rows[0].parentId);
    for (int i = 0; i < kFiles; ++i)
        EXPECT_EQ(files.count("f" + std::to_string(i) + ".bin"), 1u) << i;
    EXPECT_EQ(files.size(), static_cast<std::size_t>(kFiles));
}

// Between the program and the stand-in: passes every request on, except that GetUserInfo
// gets no answer (an empty body).
class UserInfoBlackHole {
public:
    explicit UserInfoBlackHole(int standInPort) : m_upstream("127.0.0.1", standInPort) {
        m_server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            if (request.path.find("GetUserInfo") != std::string::npos)
                return;
            std::lock_guard lock(m_mutex);
            if (auto answer = m_upstream.Get(request.target))
                response.set_content(answer->body, "text/xml; charset=utf-8");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        // stop() only reaches a server that is already listening.
        for (int i = 0; i < 10000 && !m_server.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~UserInfoBlackHole() {
        m_server.stop();
        m_thread.join();
    }
    int port() const { return m_port; }

private:
    std::mutex m_mutex;
    httplib::Client m_upstream;
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
};

TEST_F(CliTest, WithoutTheUsersDetailsTheNetworkIsBlamedAndNoFileIsRefusedForSize) {
    UserInfoBlackHole proxy(m_httpPort);
    writeFile(home() + "/nubexa.ini",
              "[service]\napi_host = 127.0.0.1:" + std::to_string(proxy.port()) + "\n");
    ASSERT_EQ(login("demo123"), 0) << m_output;
    EXPECT_NE(m_output.find("the network failed"), std::string::npos) << m_output;
    // An unknown upload limit is not a limit of 0 bytes.
    ASSERT_EQ(cli({"put", makeFile("small.bin", 1000, 3)}), 0) << m_output;
    EXPECT_EQ(m_output.find("单文件大小超过"), std::string::npos) << m_output;
    EXPECT_EQ(cliRows().size(), 1u);
}

}  // namespace
}  // namespace nubexa::test
