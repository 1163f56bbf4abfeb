#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <chrono>
#include <filesystem>

#include "ftp_test_client.h"
#include "standin_fixture.h"

extern char** environ;

namespace nubexa::test {
namespace {

// nubexa-service as a child process: its first stdout line is read, and it is always ended.
class ServiceProcess {
public:
    // unprivileged: run as nobody when the tests run as root, so file permissions hold.
    ServiceProcess(const std::vector<std::string>& args, const std::string& errorFile,
                   bool unprivileged = false) {
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0)
            return;
        std::vector<std::string> all{NUBEXA_SERVICE_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls between fork and exec.
            const int error = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            ::dup2(pipeFds[1], 1);
            ::dup2(error, 2);
            if (unprivileged && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(90);
            ::execve(argv[0], argv.data(), environ);
            ::_exit(91);
        }
        ::close(pipeFds[1]);
        m_out = pipeFds[0];
    }

    ~ServiceProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            ::close(m_out);
    }

    // The first line on stdout, or empty when none comes within the limit.
    std::string firstLine() {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (line.find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd entry{m_out, POLLIN, 0};
            if (::poll(&entry, 1, 200) <= 0)
                continue;
            char chunk[256];
            const ssize_t n = ::read(m_out, chunk, sizeof chunk);
            if (n <= 0)
                break;
            line.append(chunk, static_cast<std::size_t>(n));
        }
        return line.substr(0, line.find('\n'));
    }

    // Signals it (0: none) and waits for its end; its exit code, or -1.
    int finish(int signal) {
        if (m_pid <= 0)
            return -1;
        if (signal != 0)
            ::kill(m_pid, signal);
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline)
                return -1;
            ::usleep(10000);
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
};

int portAfter(const std::string& line, const std::string& key) {
    const auto at = line.find(key + "=127.0.0.1:");
    return at == std::string::npos ? 0 : std::atoi(line.c_str() + at + key.size() + 11);
}

// A port that is taken for as long as the object lives.
struct TakenPort {
    TakenPort() {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd, 1);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~TakenPort() { ::close(fd); }
    int fd = -1;
    int port = 0;
};

class ServiceProcessTest : public ::testing::Test {
protected:
    std::string errors() const { return readFile(m_dir.file("stderr")); }
    ServiceProcess launch(std::vector<std::string> args, bool unprivileged = false) {
        return ServiceProcess(args, m_dir.file("stderr"), unprivileged);
    }

    TempDir m_dir;
};

TEST_F(ServiceProcessTest, AnnouncesItsFreePortsServesAndEndsCleanlyOnSignals) {
    const std::string data = m_dir.file("data");
    for (const int signal : {SIGTERM, SIGINT}) {
        ServiceProcess service = launch(
            {"--data", data, "--http", "127.0.0.1:0", "--ftp", "127.0.0.1:0", "--seed-demo"});
        const std::string line = service.firstLine();
        ASSERT_EQ(line.rfind("nubexa-service listening http=127.0.0.1:", 0), 0u)
            << line << errors();
        const int http = portAfter(line, "http");
        const int ftp = portAfter(line, "ftp");
        ASSERT_GT(http, 0);
        ASSERT_GT(ftp, 0);

        httplib::Client client("127.0.0.1", http);
        client.set_read_timeout(20, 0);
        const auto answer = client.Get("/OAuthService.asmx/Login?uid=demo&pwd=demo123");
        ASSERT_TRUE(answer);
        EXPECT_EQ(Answer(answer->body).attr("client", "ftp_port"), std::to_string(ftp));
        FtpTestClient ftpClient;
        EXPECT_EQ(ftpClient.connect(ftp), 220);

        EXPECT_EQ(service.finish(signal), 0) << errors();
        EXPECT_NE(errors().find(signal == SIGTERM ? "stopping (SIGTERM)" : "stopping (SIGINT)"),
                  std::string::npos);
        EXPECT_NE(errors().find("GET /OAuthService.asmx/Login 200"), std::string::npos);
    }
}

// The data folder holds passwords, session tokens, reset links and uploads: nothing in it may
// be read by another local user, whatever umask the service was started with, and a folder
// an older version left readable is made private at the next start.
TEST_F(ServiceProcessTest, NothingInTheDataFolderIsForOtherUsers) {
    const std::string data = m_dir.file("data");
    auto everything = [&] {
        std::vector<std::pair<std::string, mode_t>> entries;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(data)) {
            struct stat info {};
            ::lstat(entry.path().c_str(), &info);
            entries.emplace_back(entry.path().string(), info.st_mode);
        }
        struct stat top {};
        ::lstat(data.c_str(), &top);
        entries.emplace_back(data, top.st_mode);
        return entries;
    };
    auto expectPrivate = [&](const char* when) {
        int files = 0;
        for (const auto& [path, mode] : everything()) {
            EXPECT_EQ(mode & 077, 0u) << when << ": " << path;
            files += S_ISREG(mode) ? 1 : 0;
        }
        EXPECT_GT(files, 10) << when;
    };
    const std::vector<std::string> args{
        "--data", data,          "--http",      "127.0.0.1:0",
        "--ftp",  "127.0.0.1:0", "--seed-demo", "--tls-self-signed"};
    const mode_t inherited = ::umask(0);  // the widest a parent could hand down
    {
        ServiceProcess service = launch(args);
        ::umask(inherited);
        ASSERT_FALSE(service.firstLine().empty()) << errors();
        // The database's WAL and shared-memory files exist while it runs.
        EXPECT_TRUE(std::filesystem::exists(data + "/nubexa.db-wal"));
        expectPrivate("while running");
        EXPECT_EQ(service.finish(SIGTERM), 0);
    }
    for (const auto& [path, mode] : everything())
        ::chmod(path.c_str(), S_ISDIR(mode) ? 0755 : 0644);
    ServiceProcess again = launch(args);
    ASSERT_FALSE(again.firstLine().empty()) << errors();
    expectPrivate("after a start on an older folder");
    EXPECT_EQ(again.finish(SIGTERM), 0);
    EXPECT_NE(errors().find("other users could read are now the owner's only"), std::string::npos)
        << errors();
}

TEST_F(ServiceProcessTest, RefusesToStartWhenAPortIsTaken) {
    const TakenPort taken;
    ServiceProcess web =
        launch({"--data", m_dir.file("data"), "--http", "127.0.0.1:" + std::to_string(taken.port),
                "--ftp", "127.0.0.1:0"});
    EXPECT_EQ(web.finish(0), 2);
    EXPECT_NE(errors().find("cannot listen for HTTP on 127.0.0.1:" + std::to_string(taken.port) +
                            ": Address already in use"),
              std::string::npos)
        << errors();

    ServiceProcess files = launch({"--data", m_dir.file("data"), "--http", "127.0.0.1:0", "--ftp",
                                   "127.0.0.1:" + std::to_string(taken.port)});
    EXPECT_EQ(files.finish(0), 2);
    EXPECT_NE(errors().find("cannot listen for FTP"), std::string::npos) << errors();
}

TEST_F(ServiceProcessTest, RefusesADataFolderItMayNotWrite) {
    // Readable and searchable for everyone, writable for nobody but its owner.
    ::chmod(m_dir.path().c_str(), 0755);
    const std::string data = m_dir.file("read-only");
    ::mkdir(data.c_str(), 0555);
    ServiceProcess service =
        launch({"--data", data, "--http", "127.0.0.1:0", "--ftp", "127.0.0.1:0"}, true);
    EXPECT_EQ(service.finish(0), 2);
    EXPECT_NE(errors().find("the data folder " + data + "/ is not writable: Permission denied"),
              std::string::npos)
        << errors();
}

TEST_F(ServiceProcessTest, RefusesADataFolderItCannotUseAndBadArguments) {
    writeFile(m_dir.file("plain-file"), "not a folder");
    ServiceProcess blocked = launch({"--data", m_dir.file("plain-file") + "/data", "--http",
                                     "127.0.0.1:0", "--ftp", "127.0.0.1:0"});
    EXPECT_EQ(blocked.finish(0), 2);
    EXPECT_NE(
        errors().find("the data folder " + m_dir.file("plain-file") + "/data/ cannot be created"),
        std::string::npos)
        << errors();

    const std::string data = m_dir.file("shared");
    ServiceProcess first =
        launch({"--data", data, "--http", "127.0.0.1:0", "--ftp", "127.0.0.1:0"});
    ASSERT_FALSE(first.firstLine().empty());
    ServiceProcess second =
        launch({"--data", data, "--http", "127.0.0.1:0", "--ftp", "127.0.0.1:0"});
    EXPECT_EQ(second.finish(0), 2);
    EXPECT_NE(errors().find("is in use by another nubexa-service"), std::string::npos) << errors();
    EXPECT_EQ(first.finish(SIGTERM), 0);

    ServiceProcess bad = launch({"--data", data, "--http", "localhost", "--ftp", "127.0.0.1:0"});
    EXPECT_EQ(bad.finish(0), 2);
    EXPECT_NE(errors().find("expected HOST:PORT"), std::string::npos) << errors();
    ServiceProcess range = launch({"--data", data, "--http", "127.0.0.1:0", "--ftp", "127.0.0.1:0",
                                   "--ftp-passive-ports", "9000-8000"});
    EXPECT_EQ(range.finish(0), 2);
}

TEST_F(ServiceProcessTest, PassivePortsAndThePublicHostFollowTheOptions) {
    const TakenPort probe;  // a free neighbourhood is likely around a fresh ephemeral port
    const int low = probe.port + 1;
    const std::string range = std::to_string(low) + "-" + std::to_string(low + 20);
    ServiceProcess service =
        launch({"--data", m_dir.file("data"), "--http", "127.0.0.1:0", "--ftp", "127.0.0.1:0",
                "--seed-demo", "--ftp-passive-ports", range, "--public-host", "files.nubexa.test"});
    const std::string line = service.firstLine();
    ASSERT_FALSE(line.empty()) << errors();
    httplib::Client client("127.0.0.1", portAfter(line, "http"));
    const auto answer = client.Get("/OAuthService.asmx/Login?uid=demo&pwd=demo123");
    ASSERT_TRUE(answer) << line;
    const Answer signIn(answer->body);
    EXPECT_EQ(signIn.attr("client", "ftp_host"), "files.nubexa.test");
    FtpTestClient ftp;
    ASSERT_EQ(ftp.connect(portAfter(line, "ftp")), 220);
    ASSERT_TRUE(ftp.login(signIn.attr("client", "ftp_username"), signIn.attr("client", "ftp_pwd")));
    const std::string reply = ftp.command("EPSV");
    const int port = std::atoi(reply.c_str() + reply.find("|||") + 3);
    EXPECT_GE(port, low) << reply;
    EXPECT_LE(port, low + 20) << reply;
    EXPECT_EQ(service.finish(SIGTERM), 0);
}

}  // namespace
}  // namespace nubexa::test
