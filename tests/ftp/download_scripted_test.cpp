#include <signal.h>
#include <sys/resource.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <future>
#include <optional>

#include "child_process.h"
#include "ftp/local_folder.h"
#include "ftp/passive_address.h"
#include "ftp/small_file.h"
#include "ftp_test_harness.h"
#include "scripted_ftp_server.h"

namespace nubexa::test {
namespace {

using namespace std::chrono_literals;

// One RETR as a script serves it.
struct RetrScript {
    std::string passiveReply;  // empty: a real passive port
    // Changes the reply of the real passive port before it is sent.
    std::function<std::string(std::string)> rewritePassive = [](std::string reply) {
        return reply;
    };
    // The answer to SIZE, asked for a task without a listed size; empty: not asked.
    std::string sizeReply;
    bool acceptData = true;
    std::string restReply = "350 Restarting\r\n";
    std::string retrReply = "150 Opening BINARY connection\r\n";
    std::vector<std::string> chunks;
    std::chrono::milliseconds gap{0};
    std::string completion = "226 Transfer complete\r\n";
    bool completionWithPreliminary = false;  // 150 and 226 in one read, before any data
    bool closeData = true;
    bool dropControl = false;  // hang up the control connection after the data
    std::string sizeAfter;     // the answer to a SIZE after the completion; empty: none
};

void serveRetr(ScriptedSession& s, const RetrScript& r) {
    s.login();
    if (s.expect("TYPE I"))
        s.send("200 binary\r\n");
    if (!r.sizeReply.empty() && s.expect("SIZE"))
        s.send(r.sizeReply);
    if (!s.expect("PASV"))
        return;
    s.send(r.passiveReply.empty() ? r.rewritePassive(s.openPassive()) : r.passiveReply);
    if (!r.passiveReply.empty()) {
        s.serveUntilQuit();
        return;
    }
    if (r.acceptData)
        s.acceptData();
    // REST comes only before a resumed transfer.
    if (s.nextIs("REST")) {
        s.readCommand();
        s.send(r.restReply);
        if (r.restReply.rfind("350", 0) != 0) {
            s.serveUntilQuit();
            return;
        }
    }
    if (!s.expect("RETR"))
        return;
    if (r.retrReply[0] != '1') {
        s.send(r.retrReply);
        s.serveUntilQuit();
        return;
    }
    s.send(r.completionWithPreliminary ? r.retrReply + r.completion : r.retrReply);
    for (const auto& chunk : r.chunks) {
        s.sendData(chunk);
        s.pause(r.gap);
    }
    if (r.dropControl) {
        s.closeControl();
        s.closeData();
        return;
    }
    if (!r.closeData) {
        s.serveUntilQuit();  // data stays open and silent
        return;
    }
    s.closeData();
    if (!r.completionWithPreliminary)
        s.send(r.completion);
    if (!r.sizeAfter.empty() && s.expect("SIZE"))
        s.send(r.sizeAfter);
    s.serveUntilQuit();
}

std::vector<std::string> split(const std::string& bytes, std::vector<std::size_t> sizes) {
    std::vector<std::string> chunks;
    std::size_t at = 0;
    for (auto size : sizes) {
        chunks.push_back(bytes.substr(at, size));
        at += size;
    }
    return chunks;
}

// What `nubexa-cli ftp get` meets: SIZE answered (with `size`) only in binary mode (as RFC 3659
// allows), or never; the data, or at `stallAtRetr` a 150 and then nothing until the client goes.
void serveCommandLineGet(ScriptedSession& s, const std::string& bytes,
                         std::optional<std::size_t> size, bool stallAtRetr = false) {
    s.send("220 scripted server ready\r\n");
    bool binary = false;
    for (std::string line = s.readCommand(); !line.empty(); line = s.readCommand()) {
        const auto is = [&line](const char* verb) { return line.rfind(verb, 0) == 0; };
        if (is("USER")) {
            s.send("331 password please\r\n");
        } else if (is("PASS")) {
            s.send("230 signed in\r\n");
        } else if (is("TYPE I")) {
            binary = true;
            s.send("200 binary\r\n");
        } else if (is("SIZE")) {
            s.send(binary && size ? "213 " + std::to_string(*size) + "\r\n"
                                  : "550 not in ASCII mode\r\n");
        } else if (is("PASV")) {
            s.send(s.openPassive());
            s.acceptData();
        } else if (is("REST")) {
            s.send("350 Restarting\r\n");
        } else if (is("RETR")) {
            s.send("150 Opening\r\n");
            if (stallAtRetr) {
                // Each read ends after a bounded wait, at once when the client is gone.
                for (int wait = 0; wait < 6 && s.readCommand().empty(); ++wait) {
                }
                return;
            }
            s.sendData(bytes);
            s.closeData();
            s.send("226 Transfer complete\r\n");
        } else if (is("QUIT")) {
            s.send("221 bye\r\n");
            return;
        } else {
            s.send(is("SYST") ? "215 UNIX\r\n" : "502 no\r\n");
        }
    }
}

class ScriptedDownload : public FtpTest {
protected:
    // Signs in, runs Download, and returns its result once the script is done.
    int download(ScriptedFtpServer& server, TransferTask& task,
                 FtpOptions options = fastOptions()) {
        auto client = makeClient(server.port(), options);
        if (!client->FtpLogin())
            return -1;
        const int result = client->Download(task);
        client.reset();
        EXPECT_TRUE(server.waitDone());
        EXPECT_TRUE(server.failures().empty()) << server.failures().front();
        return result;
    }

    // Signs in and fetches `name` whole into memory, bounded by `limit`.
    SmallFile fetch(ScriptedFtpServer& server, const std::string& name, std::int64_t limit) {
        auto client = makeClient(server.port(), fastOptions());
        if (!client->FtpLogin())
            return {};
        SmallFile file = fetchSmallFile(*client, name, limit);
        client.reset();
        EXPECT_TRUE(server.waitDone());
        EXPECT_TRUE(server.failures().empty()) << server.failures().front();
        return file;
    }
};

TEST_F(ScriptedDownload, SmallFilesCompleteAndMarkTheRowFinished) {
    const std::string bytes = patternBytes(3000);
    RetrScript retr;
    retr.chunks = split(bytes, {1024, 1024, 952});
    retr.gap = 5ms;
    ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, retr); });
    auto task = addDownload("815.bin", "photo.bin", 3000);
    EXPECT_EQ(download(server, task), 1);
    EXPECT_EQ(readFile(localFile("photo.bin")), bytes);
    const auto stored = row(task.id);
    EXPECT_EQ(stored.transferSize, 3000);
    EXPECT_EQ(stored.transferSchedule, 100);
    EXPECT_EQ(stored.status, task_status::kRunning);
    const std::vector<std::string> expected = {"USER u", "PASS p",       "TYPE I",
                                               "PASV",   "RETR 815.bin", "QUIT"};
    EXPECT_EQ(server.commands(), expected);

    RetrScript emptyRetr;
    emptyRetr.sizeReply = "213 0\r\n";
    ScriptedFtpServer empty([&](ScriptedSession& s) { serveRetr(s, emptyRetr); });
    auto zero = addDownload("816.txt", "empty.txt", 0);
    EXPECT_EQ(download(empty, zero), 1);
    EXPECT_TRUE(std::filesystem::exists(localFile("empty.txt")));
    EXPECT_EQ(std::filesystem::file_size(localFile("empty.txt")), 0u);
    // Finished rows leave the downloading list; a 0-byte one too.
    EXPECT_EQ(row(zero.id).transferSchedule, 100);
}

TEST_F(ScriptedDownload, EveryReplyTheStandardAllowsAroundTheDataIsAccepted) {
    const std::string bytes = patternBytes(3000);
    const std::pair<const char*, const char*> replies[] = {
        {"125 Data connection already open. Transfer starting.\r\n", "226 Transfer complete\r\n"},
        {"150 Opening BINARY connection\r\n", "250 Requested file action okay\r\n"},
        {"125 Using existing data connection\r\n", "250 Closing data connection\r\n"}};
    for (const auto& [start, done] : replies) {
        RetrScript retr;
        retr.retrReply = start;
        retr.completion = done;
        retr.chunks = {bytes};
        ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, retr); });
        auto task = addDownload("7.bin", std::string("seven") + start[2] + done[1], 3000);
        EXPECT_EQ(download(server, task), 1) << start << done;
        EXPECT_EQ(readFile(localFile(task.localFileName)), bytes);
        EXPECT_EQ(row(task.id).transferSchedule, 100);
    }
}

// A listener on another loopback address, where a hostile passive reply points.
class Decoy {
public:
    Decoy(const char* host, std::uint16_t port) : m_fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        ::inet_pton(AF_INET, host, &address.sin_addr);
        const int one = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        m_listening = ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                      ::listen(m_fd, 4) == 0;
    }
    ~Decoy() { ::close(m_fd); }
    bool listening() const { return m_listening; }
    bool wasReached() const {
        pollfd entry{m_fd, POLLIN, 0};
        return ::poll(&entry, 1, 0) > 0;
    }

private:
    int m_fd;
    bool m_listening = false;
};

TEST_F(ScriptedDownload, APassiveReplyNamingAnotherHostIsNeverConnectedTo) {
    const std::string bytes = patternBytes(2000);
    std::unique_ptr<Decoy> decoy;
    RetrScript retr;
    retr.chunks = {bytes};
    // The same port on 127.0.0.2: only the named host tells the two listeners apart.
    retr.rewritePassive = [&](std::string reply) {
        decoy = std::make_unique<Decoy>("127.0.0.2", parsePassiveReply(reply)->port);
        return reply.replace(reply.find("(127,0,0,1,"), 11, "(127,0,0,2,");
    };
    ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, retr); });
    auto task = addDownload("8.bin", "eight.bin", 2000);
    EXPECT_EQ(download(server, task), 1);
    EXPECT_EQ(readFile(localFile("eight.bin")), bytes);
    ASSERT_TRUE(decoy && decoy->listening());
    EXPECT_FALSE(decoy->wasReached());
}

TEST_F(ScriptedDownload, CompletionArrivingWithThePreliminaryReplyKeepsRepliesInStep) {
    const std::string bytes = patternBytes(5000);
    RetrScript retr;
    retr.chunks = {bytes};
    retr.completionWithPreliminary = true;
    ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, retr); });
    std::vector<std::string> trace;
    FtpOptions options = fastOptions();
    options.trace = [&](const std::string& text) { trace.push_back(text); };
    auto task = addDownload("1.bin", "one.bin", 5000);
    EXPECT_EQ(download(server, task, options), 1);
    EXPECT_EQ(readFile(localFile("one.bin")), bytes);
    // QUIT is judged on its own 221, not on the 226 that came early.
    const auto quit = std::find(trace.begin(), trace.end(), "QUIT\r\n");
    ASSERT_NE(quit, trace.end());
    ASSERT_NE(quit + 1, trace.end());
    EXPECT_EQ(quit[1], "221 bye\r\n\n");
}

TEST_F(ScriptedDownload, ShortDataIsCompleteOnlyWhenTheServerSaysSoWithinTheTolerance) {
    struct Case {
        std::int64_t recorded;
        std::size_t sent;
        std::string completion;  // empty: the server hangs up after the data
        int result;
    };
    for (const Case& c :
         {Case{3000, 2500, "226 Transfer complete\r\n", 1},
          Case{3000, 2500, "426 Connection closed; transfer aborted\r\n", 0},
          Case{5000, 2000, "226 Transfer complete\r\n", 0},
          // More than listed: never more is kept, and it is not complete,
          // whatever the server says.
          Case{1000, 2500, "226 Transfer complete\r\n", 0}, Case{1000, 2500, "", 0}}) {
        const std::string bytes = patternBytes(c.sent, 7);
        RetrScript retr;
        retr.chunks = {bytes.substr(0, 1200), bytes.substr(1200)};
        retr.completion = c.completion;
        retr.dropControl = c.completion.empty();
        ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, retr); });
        const std::string name = "short" + std::to_string(c.recorded) + c.completion.substr(0, 3) +
                                 (retr.dropControl ? "cut" : "");
        auto task = addDownload("9.bin", name, c.recorded);
        EXPECT_EQ(download(server, task), c.result) << c.completion;
        const std::size_t kept = std::min(c.sent, static_cast<std::size_t>(c.recorded));
        EXPECT_EQ(readFile(c.result == 1 ? localFile(name) : partialFile(name)),
                  bytes.substr(0, kept));
        EXPECT_EQ(std::filesystem::exists(localFile(name)), c.result == 1);
        const auto stored = row(task.id);
        EXPECT_EQ(stored.transferSize, static_cast<std::int64_t>(kept));
        if (c.result == 1) {
            EXPECT_EQ(stored.transferSchedule, 100);
            EXPECT_EQ(stored.fileSize, static_cast<std::int64_t>(c.sent));
        } else {
            EXPECT_EQ(stored.status, task_status::kWaiting);  // ended early
            EXPECT_LT(stored.transferSchedule, 100);
        }
    }
}

TEST_F(ScriptedDownload, BrokenSetUpsFailWithoutTouchingTheRow) {
    struct Case {
        const char* what;
        RetrScript retr;
        bool quitSent;
    };
    RetrScript noParens;
    RetrScript badAddress;
    badAddress.passiveReply = "227 Entering Passive Mode (127,0,0,1,300,1)\r\n";
    RetrScript noNumbers;
    noNumbers.passiveReply = "227 Entering Passive Mode\r\n";
    RetrScript refused;
    refused.passiveReply = "500 PASV not understood\r\n";
    RetrScript restRefused;
    restRefused.restReply = "502 REST not implemented\r\n";
    RetrScript noFile;
    noFile.retrReply = "550 No such file\r\n";
    RetrScript cantOpen;
    cantOpen.retrReply = "425 Can't open data connection\r\n";
    RetrScript aborted;
    aborted.retrReply = "426 Connection closed\r\n";
    for (const Case& c : {Case{"no address", badAddress, false},
                          Case{"no numbers", noNumbers, false}, Case{"PASV refused", refused, true},
                          Case{"REST refused", restRefused, true}, Case{"RETR 550", noFile, true},
                          Case{"RETR 425", cantOpen, true}, Case{"RETR 426", aborted, true}}) {
        ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, c.retr); });
        // REST goes only before a resumed transfer: that case continues a file of 50 bytes.
        const bool resumed = c.retr.restReply[0] != '3';
        const std::string name = std::string("f-") + c.what;
        if (resumed)
            writeFile(localFile(name), std::string(50, 'x'));
        auto task = addDownload("2.bin", name, 100);
        if (resumed) {
            recordDone(task.id, 50, 100);
            task = reload(task.id);
        }
        EXPECT_EQ(download(server, task), 0) << c.what;
        EXPECT_EQ(server.sawCommand("QUIT"), c.quitSent) << c.what;
        EXPECT_EQ(server.sawCommand("REST 50"), resumed) << c.what;
        EXPECT_FALSE(server.sawCommand("RETR") && resumed) << c.what;
        const auto stored = row(task.id);
        EXPECT_EQ(stored.status, task_status::kRunning) << c.what;  // the worker gives it back
        EXPECT_EQ(stored.transferSize, resumed ? 50 : 0) << c.what;
    }
}

TEST_F(ScriptedDownload, PassiveReplyWithoutParenthesesStillFindsTheAddress) {
    const std::string bytes = patternBytes(10);
    RetrScript retr;
    retr.chunks = {bytes};
    retr.rewritePassive = [](std::string reply) {
        reply.erase(std::remove(reply.begin(), reply.end(), '('), reply.end());
        reply.erase(std::remove(reply.begin(), reply.end(), ')'), reply.end());
        return reply;
    };
    ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, retr); });
    auto task = addDownload("3.bin", "three.bin", 10);
    EXPECT_EQ(download(server, task), 1);
    EXPECT_EQ(readFile(localFile("three.bin")), bytes);
}

TEST_F(ScriptedDownload, DataThatStopsOrNeverComesEndsTheRunUnfinished) {
    const std::string bytes = patternBytes(4096);
    RetrScript silent;  // 150, then no data and no end
    silent.closeData = false;
    RetrScript dropped;  // the server hangs up in mid-transfer
    dropped.chunks = {bytes.substr(0, 2048)};
    dropped.dropControl = true;
    RetrScript noConnection;  // 150 although the data connection was never accepted
    noConnection.acceptData = false;
    noConnection.closeData = false;
    for (const auto* retr : {&silent, &dropped, &noConnection}) {
        ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, *retr); });
        auto task = addDownload(
            "4.bin",
            "four" + std::to_string(retr->chunks.size()) + std::to_string(retr->acceptData), 4096);
        EXPECT_EQ(download(server, task), 0);
        const auto stored = row(task.id);
        EXPECT_EQ(stored.status, task_status::kWaiting);
        EXPECT_EQ(stored.transferSize, retr == &dropped ? 2048 : 0);
        EXPECT_EQ(std::filesystem::file_size(partialFile(stored.localFileName)),
                  static_cast<std::uintmax_t>(stored.transferSize));
    }
}

TEST_F(ScriptedDownload, AnExistingLocalFileIsOnlyContinuedWhenTheTaskStartedIt) {
    writeFile(localFile("mine.txt"), "precious");
    {
        ScriptedFtpServer server([](ScriptedSession& s) {
            s.login();
            s.serveUntilQuit();
        });
        auto task = addDownload("5.txt", "mine.txt", 8);
        EXPECT_EQ(download(server, task), 0);
        EXPECT_EQ(readFile(localFile("mine.txt")), "precious");
        EXPECT_FALSE(server.sawCommand("PASV"));
        ASSERT_EQ(m_notifier.messages().size(), 1u);
        EXPECT_EQ(m_notifier.messages()[0].caption, "");
        EXPECT_EQ(m_notifier.messages()[0].text,
                  "本地路径已经存在该文件，不能下载。失败文件名为:mine.txt");
    }
    // The partial file of a task of an earlier version, under the real name: bytes past the
    // recorded count are cut, the rest continued.
    const std::string bytes = patternBytes(6000, 3);
    writeFile(localFile("part.bin"), bytes.substr(0, 2048) + "garbage past the record");
    RetrScript rest;
    rest.chunks = {bytes.substr(2048)};
    ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, rest); });
    auto task = addDownload("6.bin", "part.bin", 6000);
    recordDone(task.id, 2048, 6000);
    task = reload(task.id);
    EXPECT_EQ(download(server, task), 1);
    EXPECT_TRUE(server.sawCommand("REST 2048"));
    EXPECT_EQ(readFile(localFile("part.bin")), bytes);

    // Recorded bytes but the partial file is gone: start again at 0.
    RetrScript whole;
    whole.chunks = {bytes};
    ScriptedFtpServer again([&](ScriptedSession& s) { serveRetr(s, whole); });
    auto lost = addDownload("7.bin", "lost.bin", 6000);
    recordDone(lost.id, 4096, 6000);
    lost = reload(lost.id);
    EXPECT_EQ(download(again, lost), 1);
    EXPECT_FALSE(again.sawCommand("REST")) << "a start at 0 needs no REST";
    EXPECT_EQ(readFile(localFile("lost.bin")), bytes);
    EXPECT_EQ(m_notifier.messages().size(), 1u);
}

TEST_F(ScriptedDownload, LocalNamesResolveAgainstTheTaskFolderNeverTheProcessDirectory) {
    const auto before = std::filesystem::current_path();
    const std::string bytes = patternBytes(100, 12);
    RetrScript retr;
    retr.chunks = {bytes};
    ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, retr); });
    auto task = addDownload("11.bin", "here.bin", 100);
    task.localPath.clear();  // falls back to the folder ChangeLocalDir recorded
    auto client = makeClient(server.port());
    ASSERT_TRUE(client->FtpLogin());
    EXPECT_TRUE(client->ChangeLocalDir(local()));
    EXPECT_FALSE(client->ChangeLocalDir(local() + "/missing"));
    EXPECT_TRUE(client->ChangeLocalDir(local()));
    EXPECT_EQ(client->Download(task), 1);
    EXPECT_EQ(std::filesystem::current_path(), before);
    EXPECT_EQ(readFile(localFile("here.bin")), bytes);

    // A name that would leave the folder is refused before anything is asked of the server.
    ScriptedFtpServer other([](ScriptedSession& s) {
        s.login();
        s.serveUntilQuit();
    });
    auto escape = addDownload("12.bin", "../escape.bin", 10);
    auto second = makeClient(other.port());
    ASSERT_TRUE(second->FtpLogin());
    EXPECT_EQ(second->Download(escape), 0);
    second.reset();
    ASSERT_TRUE(other.waitDone());
    EXPECT_FALSE(other.sawCommand("PASV"));
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("escape.bin")));
}

TEST_F(ScriptedDownload, ALinkPlantedInTheDownloadFolderIsNeverWrittenThrough) {
    const std::string bytes = patternBytes(3000, 8);
    // A link to a file that does not exist yet: following it would create the file.
    const std::string target = m_dir.file("planted-target");
    std::filesystem::create_symlink(target, localFile("fresh.bin"));
    // The partial file of a started task replaced by a link to a file of the user's.
    writeFile(m_dir.file("precious"), "precious");
    writeFile(localFile("started.bin"), bytes.substr(0, 1024));
    std::filesystem::remove(localFile("started.bin"));
    std::filesystem::create_symlink(m_dir.file("precious"), localFile("started.bin"));

    auto fresh = addDownload("10.bin", "fresh.bin", 3000);
    auto started = addDownload("11.bin", "started.bin", 3000);
    recordDone(started.id, 1024, 3000);
    started = reload(started.id);
    for (auto* task : {&fresh, &started}) {
        RetrScript retr;
        retr.chunks = {bytes.substr(static_cast<std::size_t>(task->transferSize))};
        ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, retr); });
        auto client = makeClient(server.port());
        ASSERT_TRUE(client->FtpLogin());
        EXPECT_EQ(client->Download(*task), 0) << task->localFileName;
    }
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(readFile(m_dir.file("precious")), "precious");
}

TEST_F(ScriptedDownload, ASubFolderSwappedForALinkSendsNothingOutsideTheDownloadFolder) {
    // A folder download made local/album/disc1/ and disc2/; then disc1 became a link.
    const std::string outside = m_dir.file("outside");
    std::filesystem::create_directories(outside);
    std::filesystem::create_directories(localFile("album/disc2"));
    std::filesystem::create_symlink(outside, localFile("album/disc1"));
    const auto folderTask = [&](const std::string& remote, const std::string& subFolder) {
        auto task = addDownload(remote, "track.bin", 3000);
        task.localRoot = local() + "/";
        task.localPath = localFile(subFolder);
        return task;
    };
    ScriptedFtpServer refusing([](ScriptedSession& s) {
        s.login();
        s.serveUntilQuit();
    });
    auto swapped = folderTask("31.bin", "album/disc1/");
    auto client = makeClient(refusing.port());
    ASSERT_TRUE(client->FtpLogin());
    EXPECT_EQ(client->Download(swapped), 0);
    EXPECT_EQ(client->lastRunEnd(), RunEnd::kRefused);
    EXPECT_NE(client->lastRefusal().find(localFile("album/disc1/")), std::string::npos);
    client.reset();
    ASSERT_TRUE(refusing.waitDone());
    EXPECT_FALSE(refusing.sawCommand("PASV"));
    EXPECT_TRUE(std::filesystem::is_empty(outside));

    const std::string bytes = patternBytes(3000, 31);
    RetrScript retr;
    retr.chunks = {bytes};
    ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, retr); });
    auto sound = folderTask("32.bin", "album/disc2/");
    EXPECT_EQ(download(server, sound), 1);
    EXPECT_EQ(readFile(localFile("album/disc2/track.bin")), bytes);

    // Both ways of walking refuse every link below the root and any way up; the root itself
    // is the user's choice, a link included.
    std::filesystem::create_symlink(local(), m_dir.file("chosen"));
    for (const auto walk : {LocalFolder::Walk::kAuto, LocalFolder::Walk::kComponentByComponent}) {
        LocalFolder folder;
        EXPECT_FALSE(folder.open(local(), "album/disc1/", walk));
        EXPECT_FALSE(folder.open(local(), "album/disc1", walk));
        EXPECT_FALSE(folder.open(local(), "album/../../outside/", walk));
        EXPECT_FALSE(folder.open(local(), "/tmp/", walk));
        EXPECT_TRUE(folder.open(m_dir.file("chosen"), "album/disc2/", walk));
        EXPECT_EQ(folder.entry("track.bin"), LocalFolder::Entry::kFile);
    }
}

TEST_F(ScriptedDownload, OffsetsBeyondFourGigabytesAreKeptWhole) {
    constexpr std::int64_t kDone = 5LL << 30;  // 5 GiB already on disk (a sparse file)
    const std::string tail = patternBytes(4000, 13);
    writeFile(localFile("huge.iso"), "");
    std::filesystem::resize_file(localFile("huge.iso"), static_cast<std::uintmax_t>(kDone));
    RetrScript retr;
    retr.chunks = {tail};
    ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, retr); });
    auto task = addDownload("13.iso", "huge.iso", kDone + 4000);
    recordDone(task.id, kDone, kDone + 4000);
    task = reload(task.id);
    EXPECT_EQ(task.transferSize, kDone);
    EXPECT_EQ(download(server, task), 1);
    EXPECT_TRUE(server.sawCommand("REST 5368709120"));
    EXPECT_EQ(std::filesystem::file_size(localFile("huge.iso")),
              static_cast<std::uintmax_t>(kDone + 4000));
    const auto stored = row(task.id);
    EXPECT_EQ(stored.transferSize, kDone + 4000);
    EXPECT_EQ(stored.fileSize, kDone + 4000);
    EXPECT_EQ(stored.transferSchedule, 100);
}

TEST_F(ScriptedDownload, AFullDiskCountsOnlyTheBytesThatWereWritten) {
    const std::string bytes = patternBytes(1 << 20, 5);
    RetrScript retr;
    retr.chunks = split(bytes, std::vector<std::size_t>(16, 65536));
    ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, retr); });
    auto task = addDownload("8.bin", "full.bin", bytes.size());
    auto client = makeClient(server.port());
    ASSERT_TRUE(client->FtpLogin());

    // The process may write no file past 300000 bytes: the disk is full from there on.
    constexpr rlim_t kLimit = 300000;
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = kLimit;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const int result = client->Download(task);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result, 0);
    client.reset();
    ASSERT_TRUE(server.waitDone());
    const auto stored = row(task.id);
    EXPECT_EQ(stored.status, task_status::kWaiting);
    EXPECT_EQ(stored.transferSize, static_cast<std::int64_t>(kLimit));
    EXPECT_EQ(readFile(partialFile("full.bin")), bytes.substr(0, kLimit));
}

TEST_F(ScriptedDownload, PauseDuringAStalledLineStopsWithoutWaitingForData) {
    const std::string bytes = patternBytes(8192);
    RetrScript retr;
    retr.chunks = {bytes.substr(0, 4096)};
    retr.closeData = false;  // then the line stalls
    ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, retr); });
    auto task = addDownload("10.bin", "stall.bin", 8192);
    FtpOptions options = fastOptions();
    options.limits.dataIdle = 60s;
    auto client = makeClient(server.port(), options);
    ASSERT_TRUE(client->FtpLogin());
    auto running = std::async(std::launch::async, [&] { return client->Download(task); });
    ASSERT_TRUE(waitUntil([&] { return row(task.id).transferSize == 4096; }));
    setStatusPaused(task.id);
    const auto paused = row(task.id);
    // Far less than the data time limit: the status is read while no byte moves.
    ASSERT_EQ(running.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(running.get(), 1);
    const auto after = row(task.id);
    EXPECT_EQ(after.status, task_status::kWaiting);
    EXPECT_EQ(after.transferSize, paused.transferSize);
    EXPECT_EQ(after.transferSchedule, paused.transferSchedule);
}

// A picture read into memory: whole within its limit, and nothing kept when the file is larger,
// missing, or cut without the server's word. No row, no file.
TEST_F(ScriptedDownload, ASmallFileIsReadWholeOrNotAtAll) {
    const std::string bytes = patternBytes(700, 9);
    RetrScript whole;
    whole.chunks = split(bytes, {300, 400});
    ScriptedFtpServer wholeServer([&](ScriptedSession& s) { serveRetr(s, whole); });
    const SmallFile fetched = fetch(wholeServer, "face.png", 700);
    EXPECT_EQ(fetched.outcome, SmallFile::Outcome::kFetched);
    EXPECT_EQ(fetched.bytes, bytes);

    RetrScript flood;
    flood.chunks = {patternBytes(2 << 20, 4)};
    ScriptedFtpServer floodServer([&](ScriptedSession& s) { serveRetr(s, flood); });
    const SmallFile large = fetch(floodServer, "big.png", 1 << 20);
    EXPECT_EQ(large.outcome, SmallFile::Outcome::kTooLarge);
    EXPECT_TRUE(large.bytes.empty());

    RetrScript missing;
    missing.retrReply = "550 No such file\r\n";
    ScriptedFtpServer missingServer([&](ScriptedSession& s) { serveRetr(s, missing); });
    const SmallFile absent = fetch(missingServer, "gone.png", 1 << 20);
    EXPECT_EQ(absent.outcome, SmallFile::Outcome::kMissing);
    EXPECT_EQ(replyCode(absent.reply), "550");

    RetrScript cut;
    cut.chunks = {bytes.substr(0, 200)};
    cut.dropControl = true;
    ScriptedFtpServer cutServer([&](ScriptedSession& s) { serveRetr(s, cut); });
    const SmallFile part = fetch(cutServer, "cut.png", 1 << 20);
    EXPECT_EQ(part.outcome, SmallFile::Outcome::kFailed);
    EXPECT_TRUE(part.bytes.empty());

    EXPECT_TRUE(m_notifier.messages().empty());
    EXPECT_TRUE(std::filesystem::is_empty(local()));
}

TEST_F(ScriptedDownload, AServerSendingMoreThanListedCannotFillTheDisk) {
    // 10 MiB for a file listed at 1 KiB.
    const std::string flood = patternBytes(10 << 20, 4);
    RetrScript retr;
    retr.chunks = {flood};
    ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, retr); });
    auto task = addDownload("9.txt", "nine.txt", 1024);
    EXPECT_EQ(download(server, task), 0);
    EXPECT_EQ(readFile(partialFile("nine.txt")), flood.substr(0, 1024));
    const auto stored = row(task.id);
    EXPECT_EQ(stored.status, task_status::kWaiting);
    EXPECT_EQ(stored.fileSize, 1024);
}

TEST_F(ScriptedDownload, AnUnfinishedDownloadTakesItsNameOnlyWhenComplete) {
    const std::string bytes = patternBytes(6000, 21);
    RetrScript cut;
    cut.chunks = {bytes.substr(0, 2048)};
    cut.dropControl = true;
    ScriptedFtpServer first([&](ScriptedSession& s) { serveRetr(s, cut); });
    auto task = addDownload("21.bin", "report.pdf", 6000);
    EXPECT_EQ(download(first, task), 0);
    EXPECT_FALSE(std::filesystem::exists(localFile("report.pdf")));
    EXPECT_EQ(readFile(partialFile("report.pdf")), bytes.substr(0, 2048));

    RetrScript rest;
    rest.chunks = {bytes.substr(2048)};
    ScriptedFtpServer second([&](ScriptedSession& s) { serveRetr(s, rest); });
    // Running again, as a worker starts it.
    m_gate.run([&](LocalStore& store) { TaskTable(store).resume(task.id); });
    task = reload(task.id);
    EXPECT_EQ(download(second, task), 1);
    EXPECT_TRUE(second.sawCommand("REST 2048"));
    EXPECT_EQ(readFile(localFile("report.pdf")), bytes);
    EXPECT_FALSE(std::filesystem::exists(partialFile("report.pdf")));
    EXPECT_EQ(row(task.id).transferSchedule, 100);

    // A 0-byte partial file (a kill before the first byte, a disk full at the first write) is
    // the task's own: the next run starts it again instead of refusing it.
    writeFile(partialFile("empty-start.bin"), "");
    RetrScript whole;
    whole.chunks = {bytes};
    ScriptedFtpServer third([&](ScriptedSession& s) { serveRetr(s, whole); });
    auto restarted = addDownload("22.bin", "empty-start.bin", 6000);
    EXPECT_EQ(download(third, restarted), 1);
    EXPECT_EQ(readFile(localFile("empty-start.bin")), bytes);
    EXPECT_TRUE(m_notifier.messages().empty());

    // A file that takes the name while the download runs is never replaced: the finished
    // bytes wait beside it and the task is refused.
    RetrScript raced;
    raced.chunks = {bytes};
    raced.rewritePassive = [&](std::string reply) {
        writeFile(localFile("raced.txt"), "theirs");
        return reply;
    };
    ScriptedFtpServer fourth([&](ScriptedSession& s) { serveRetr(s, raced); });
    auto late = addDownload("23.bin", "raced.txt", 6000);
    auto client = makeClient(fourth.port());
    ASSERT_TRUE(client->FtpLogin());
    EXPECT_EQ(client->Download(late), 0);
    EXPECT_EQ(client->lastRunEnd(), RunEnd::kRefused);
    EXPECT_EQ(readFile(localFile("raced.txt")), "theirs");
    EXPECT_EQ(readFile(partialFile("raced.txt")), bytes);
    EXPECT_LT(row(late.id).transferSchedule, 100);
}

TEST_F(ScriptedDownload, AKillBeforeTheFirstByteLeavesNothingThatBlocksTheSameCommand) {
    if (!*NUBEXA_CLI_PATH)
        GTEST_SKIP() << "nubexa-cli is not part of this build";
    const std::string bytes = patternBytes(5000, 22);
    int connection = 0;  // the server's thread only
    ScriptedFtpServer server(
        [&](ScriptedSession& s) { serveCommandLineGet(s, bytes, bytes.size(), connection++ == 0); },
        2);
    const std::string target = localFile("killed.bin");
    const std::vector<std::string> get = {
        NUBEXA_CLI_PATH, "--db", m_dir.file("cli.db"),
        "ftp",           "get",  "ftp://u:p@127.0.0.1:" + std::to_string(server.port()) + "/9.bin",
        target};
    const std::string log = m_dir.file("get.log");
    {
        ChildProcess child;
        ASSERT_TRUE(child.start(get, log));
        EXPECT_TRUE(
            waitUntil([&] { return std::filesystem::exists(partialFile("killed.bin")); }, 30s))
            << readFile(log);
        child.signalGroup(SIGKILL);
        EXPECT_EQ(child.wait(10s), 128 + SIGKILL);
    }
    EXPECT_EQ(std::filesystem::file_size(partialFile("killed.bin")), 0u);
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(runProgram(get, 60s, log), 0) << readFile(log);
    EXPECT_EQ(readFile(target), bytes);
    EXPECT_FALSE(std::filesystem::exists(partialFile("killed.bin")));
    EXPECT_TRUE(server.waitDone());
}

TEST_F(ScriptedDownload, AFileOfUnknownSizeIsBoundBySizeElseByTheLimitAndSaysWhichWasCrossed) {
    const std::string flood = patternBytes(300000, 41);
    struct Case {
        std::int64_t listed;    // 0 or less: unknown
        std::string sizeReply;  // empty: SIZE not asked
        std::size_t sent;
        int result;
        SizeProblem expected;
    };
    using Kind = SizeProblem::Kind;
    using Bound = SizeProblem::Bound;
    FtpOptions options = fastOptions();
    options.unknownSizeLimit = 100000;
    for (const Case& c : {
             Case{0, "213 2000\r\n", 2000, 1, {}},
             Case{-5, "213 2000\r\n", 300000, 0, {Kind::kLonger, Bound::kSizeAnswer, 2000, 2000}},
             Case{0,
                  "550 SIZE not allowed\r\n",
                  300000,
                  0,
                  {Kind::kLonger, Bound::kLimit, 100000, 100000}},
             Case{0, "550 SIZE not allowed\r\n", 5000, 1, {}},
             Case{3000, "", 300000, 0, {Kind::kLonger, Bound::kListed, 3000, 3000}},
             Case{9000, "", 5000, 0, {Kind::kShorter, Bound::kListed, 9000, 5000}},
         }) {
        RetrScript retr;
        retr.sizeReply = c.sizeReply;
        retr.chunks = {flood.substr(0, c.sent)};
        ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, retr); });
        const std::string name = "u" + std::to_string(c.listed) + "-" + std::to_string(c.sent) +
                                 c.sizeReply.substr(0, 3);
        auto task = addDownload("41.bin", name, c.listed);
        auto client = makeClient(server.port(), options);
        ASSERT_TRUE(client->FtpLogin());
        EXPECT_EQ(client->Download(task), c.result) << name;
        const SizeProblem& problem = client->lastSizeProblem();
        EXPECT_EQ(problem.kind, c.expected.kind) << name;
        if (c.result == 1) {
            EXPECT_EQ(readFile(localFile(name)), flood.substr(0, c.sent)) << name;
            continue;
        }
        EXPECT_EQ(client->lastRunEnd(), RunEnd::kRefused) << name;
        EXPECT_EQ(problem.bound, c.expected.bound) << name;
        EXPECT_EQ(problem.expected, c.expected.expected) << name;
        EXPECT_EQ(problem.received, c.expected.received) << name;
        EXPECT_EQ(client->lastRefusal(), sizeProblemText(problem));
        // Never more than the bound on the disk.
        EXPECT_EQ(readFile(partialFile(name)), flood.substr(0, problem.received)) << name;
    }

    // The same short data, but the server's SIZE still names the whole file: the data was cut
    // on the way (a proxy that went away), so the run fails to be tried again, not refused.
    RetrScript cut;
    cut.chunks = {flood.substr(0, 5000)};
    cut.sizeAfter = "213 9000\r\n";
    ScriptedFtpServer server([&](ScriptedSession& s) { serveRetr(s, cut); });
    auto task = addDownload("41.bin", "cut-on-the-way", 9000);
    auto client = makeClient(server.port(), options);
    ASSERT_TRUE(client->FtpLogin());
    EXPECT_EQ(client->Download(task), 0);
    EXPECT_EQ(client->lastRunEnd(), RunEnd::kFailed);
    EXPECT_EQ(client->lastSizeProblem().kind, Kind::kNone);
    EXPECT_EQ(readFile(partialFile("cut-on-the-way")), flood.substr(0, 5000));
}

TEST_F(ScriptedDownload, TheCommandLineGetAsksSizeInBinaryAndCopesWithoutOne) {
    if (!*NUBEXA_CLI_PATH)
        GTEST_SKIP() << "nubexa-cli is not part of this build";
    const std::string bytes = patternBytes(5000, 3);
    for (const bool sizeKnown : {true, false}) {
        ScriptedFtpServer server([&](ScriptedSession& s) {
            serveCommandLineGet(s, bytes, sizeKnown ? std::optional(bytes.size()) : std::nullopt);
        });
        const std::string target = localFile(sizeKnown ? "known.bin" : "unknown.bin");
        const std::string url = "ftp://u:p@127.0.0.1:" + std::to_string(server.port()) + "/7.bin";
        const std::string log = m_dir.file("get.log");
        const std::string db = m_dir.file("cli.db");
        // --ssl with a server without TLS (it answers AUTH with 502): said every time.
        std::vector<std::string> get = {NUBEXA_CLI_PATH, "--db", db, "ftp", "get", url, target};
        if (!sizeKnown)
            get.push_back("--ssl");
        EXPECT_EQ(runProgram(get, 60s, log), 0) << readFile(log);
        EXPECT_EQ(readFile(log).find("refused encryption") != std::string::npos, !sizeKnown)
            << readFile(log);
        EXPECT_TRUE(readFile(target) == bytes) << target;
        StoreGate gate(db);
        const auto [size, schedule] = gate.run([](LocalStore& store) {
            auto query = store.prepareQuery(
                "SELECT file_size,transfer_schedule FROM t_process_list ORDER BY id DESC LIMIT 1");
            return query.next() ? std::pair(query.int64At(0), query.int64At(1))
                                : std::pair<std::int64_t, std::int64_t>(0, 0);
        });
        EXPECT_EQ(size, 5000) << "the row takes the real size at the end";
        EXPECT_EQ(schedule, 100);
        EXPECT_TRUE(server.waitDone());
    }

    // The server's data longer than the size it gave: said as such, not as an unfinished
    // transfer to run again.
    ScriptedFtpServer longer([&](ScriptedSession& s) { serveCommandLineGet(s, bytes, 2000); });
    const std::string log = m_dir.file("longer.log");
    EXPECT_EQ(runProgram({NUBEXA_CLI_PATH, "--db", m_dir.file("cli.db"), "ftp", "get",
                          "ftp://u:p@127.0.0.1:" + std::to_string(longer.port()) + "/8.bin",
                          localFile("longer.bin")},
                         60s, log),
              1);
    EXPECT_NE(readFile(log).find("the server sent more than the file's 2000 bytes"),
              std::string::npos)
        << readFile(log);
    EXPECT_FALSE(std::filesystem::exists(localFile("longer.bin")));
    EXPECT_TRUE(longer.waitDone());
}

TEST_F(ScriptedDownload, TheCommandLineGetReadsThePasswordFromStandardInputOrANetrcFile) {
    if (!*NUBEXA_CLI_PATH)
        GTEST_SKIP() << "nubexa-cli is not part of this build";
    const std::string bytes = patternBytes(1200, 51);
    ScriptedFtpServer server(
        [&](ScriptedSession& s) { serveCommandLineGet(s, bytes, bytes.size()); }, 2);
    const std::string host = "127.0.0.1:" + std::to_string(server.port());
    const std::string cli = NUBEXA_CLI_PATH;
    const std::string db = m_dir.file("cli.db");
    const std::string log = m_dir.file("sign-in.log");
    writeFile(m_dir.file("password"), "from-stdin\n");
    const std::string netrc = m_dir.file("netrc");
    writeFile(netrc,
              "machine other.example login x password y\n"
              "macdef init\nmachine 127.0.0.1 login u password macro\n\n"
              "machine 127.0.0.1\n  login u\n  password \"from netrc\"\n"
              "default login anonymous password guest\n");
    EXPECT_EQ(runProgram({"sh", "-c",
                          "exec '" + cli + "' --db '" + db +
                              "' ftp get --password-stdin 'ftp://u@" + host + "/51.bin' '" +
                              localFile("stdin.bin") + "' < '" + m_dir.file("password") + "'"},
                         60s, log),
              0)
        << readFile(log);
    EXPECT_EQ(runProgram({cli, "--db", db, "ftp", "get", "--netrc-file", netrc,
                          "ftp://" + host + "/51.bin", localFile("netrc.bin")},
                         60s, log),
              0)
        << readFile(log);
    EXPECT_TRUE(server.waitDone());
    const auto commands = server.commands();
    const auto seen = [&](const std::string& command) {
        return std::count(commands.begin(), commands.end(), command);
    };
    EXPECT_EQ(seen("USER u"), 2);
    EXPECT_EQ(seen("PASS from-stdin"), 1);
    EXPECT_EQ(seen("PASS from netrc"), 1);
    EXPECT_EQ(readFile(localFile("netrc.bin")), bytes);

    // A password given twice, or a netrc without the user's entry: refused before connecting.
    EXPECT_EQ(runProgram({cli, "--db", db, "ftp", "get", "--password-stdin",
                          "ftp://u:p@127.0.0.1:1/x", localFile("x")},
                         60s, log),
              2);
    EXPECT_NE(readFile(log).find("only once"), std::string::npos) << readFile(log);
    EXPECT_EQ(runProgram({cli, "--db", db, "ftp", "get", "--netrc-file", netrc,
                          "ftp://nobody@127.0.0.1:1/x", localFile("x")},
                         60s, log),
              2);
    EXPECT_NE(readFile(log).find("no login for 127.0.0.1"), std::string::npos) << readFile(log);
}

}  // namespace
}  // namespace nubexa::test
