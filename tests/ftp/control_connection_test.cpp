#include <ace/Log_Msg.h>
#include <ace/Log_Msg_Callback.h>
#include <ace/Log_Record.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "ftp/encrypted_hosts.h"
#include "ftp_test_harness.h"
#include "scripted_ftp_server.h"
#include "support/refusing_port.h"

namespace nubexa::test {
namespace {

using namespace std::chrono_literals;

class ControlConnection : public FtpTest {};

TEST_F(ControlConnection, MultiLineGreetingsOfEveryShapeSignIn) {
    std::string longLine = "220 " + std::string(200 * 1024, 'w') + "\r\n";
    std::string manyLines = "220-first\r\n";
    for (int i = 0; i < 400; ++i)
        manyLines += "220-more " + std::to_string(i) + "\r\n";
    manyLines += "220 done\r\n";
    for (const std::string& greeting :
         {std::string("220-Welcome\r\n220-to the server\r\n220 ready\r\n"), longLine, manyLines,
          std::string("220 he\0llo \x01\x1b[0m\r\n", 18)}) {
        ScriptedFtpServer server([&](ScriptedSession& s) {
            s.send(greeting);
            if (s.expect("USER"))
                s.send("331 ok\r\n");
            if (s.expect("PASS"))
                s.send("230 in\r\n");
            s.serveUntilQuit();
        });
        auto client = makeClient(server.port());
        EXPECT_TRUE(client->FtpLogin()) << greeting.substr(0, 40);
        EXPECT_TRUE(client->Syst());
        EXPECT_TRUE(client->Quit());
        client.reset();
        ASSERT_TRUE(server.waitDone());
        EXPECT_TRUE(server.failures().empty());
    }
}

TEST_F(ControlConnection, RefusedSignInsSendNothingMore) {
    struct Case {
        std::string greeting, userReply;
        std::vector<std::string> expected;
    };
    for (const Case& c : {Case{"421 too many users\r\n", "", {}},
                          Case{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", "", {}},
                          Case{"220 hi\r\n", "530 go away\r\n", {"USER u"}}}) {
        ScriptedFtpServer server([&](ScriptedSession& s) {
            s.send(c.greeting);
            if (!c.userReply.empty() && s.expect("USER"))
                s.send(c.userReply);
            s.readCommand();  // anything the client still sends shows up in commands()
        });
        auto client = makeClient(server.port());
        EXPECT_FALSE(client->FtpLogin()) << c.greeting;
        client.reset();
        ASSERT_TRUE(server.waitDone());
        EXPECT_EQ(server.commands(), c.expected) << c.greeting;
    }
}

TEST_F(ControlConnection, AUserThatNeedsNoPasswordIsSignedInWithoutPass) {
    const std::string bytes = patternBytes(1000, 35);
    ScriptedFtpServer server([&](ScriptedSession& s) {
        s.send("220 hi\r\n");
        if (s.expect("USER"))
            s.send("230 Login successful.\r\n");
        if (s.expect("TYPE I"))
            s.send("200 binary\r\n");
        if (s.expect("PASV")) {
            s.send(s.openPassive());
            s.acceptData();
        }
        if (s.expect("RETR")) {
            s.send("150 Opening\r\n");
            s.sendData(bytes);
            s.closeData();
            s.send("226 Transfer complete\r\n");
        }
        s.serveUntilQuit();
    });
    auto client = makeClient(server.port());
    ASSERT_TRUE(client->FtpLogin());
    auto task = addDownload("35.bin", "anonymous.bin", 1000);
    EXPECT_EQ(client->Download(task), 1);
    client.reset();
    ASSERT_TRUE(server.waitDone());
    EXPECT_TRUE(server.failures().empty()) << server.failures().front();
    EXPECT_FALSE(server.sawCommand("PASS"));
    EXPECT_EQ(readFile(localFile("anonymous.bin")), bytes);
}

TEST_F(ControlConnection, AServerThatWasEncryptedBeforeIsNeverUsedInClearText) {
    // AUTH TLS refused on both connections, as by a machine in the way.
    ScriptedFtpServer server(
        [](ScriptedSession& s) {
            s.send("220 hi\r\n");
            if (s.expect("AUTH TLS"))
                s.send("500 AUTH not understood\r\n");
            if (s.readCommand().rfind("USER", 0) != 0)
                return;  // the client went away
            s.send("331 ok\r\n");
            if (s.expect("PASS"))
                s.send("230 in\r\n");
            s.serveUntilQuit();
        },
        2);
    FtpOptions options = fastOptions();
    options.tls = {FtpSecurity::kTlsIfOffered, "", encryptedHostsIn(m_dir.path())};
    auto first = makeClient(server.port(), options);
    EXPECT_TRUE(first->FtpLogin());
    EXPECT_TRUE(first->signedInClear());
    first.reset();
    // What a protected sign-in to the same server leaves.
    options.tls.encryptedHosts->rememberEncrypted("127.0.0.1", server.port());
    auto second = makeClient(server.port(), options);
    EXPECT_FALSE(second->FtpLogin());
    EXPECT_FALSE(second->signedInClear());
    EXPECT_NE(second->securityProblem().find("signed in over TLS before"), std::string::npos)
        << second->securityProblem();
    second.reset();
    ASSERT_TRUE(server.waitDone());
    const auto commands = server.commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "PASS p"), 1);
}

TEST_F(ControlConnection, LateBurstsOfKind3AreReadAtSignInAndOtherwiseByLaterCommands) {
    auto script = [](ScriptedSession& s) {
        s.send("220 hi\r\n");
        if (s.expect("USER"))
            s.send("331 ok\r\n");
        if (s.expect("PASS"))
            s.send("230 first\r\n");
        s.pause(150ms);
        s.send("230 second\r\n");
        s.pause(150ms);
        s.send("230 third\r\n");
        s.serveUntilQuit();
    };
    {
        ScriptedFtpServer server(script);
        auto client = makeClient(server.port(), fastOptions(), 3);
        EXPECT_TRUE(client->FtpLogin());
        EXPECT_TRUE(client->Syst());
    }
    {
        ScriptedFtpServer server(script);
        auto client = makeClient(server.port(), fastOptions(), 0);
        EXPECT_TRUE(client->FtpLogin());
        EXPECT_FALSE(client->Syst());  // judged on the second 230
    }
}

TEST_F(ControlConnection, WithoutTheGreetingFlagUserIsSentAtOnce) {
    ScriptedFtpServer server([](ScriptedSession& s) {
        if (s.expect("USER"))
            s.send("331 ok\r\n");
        if (s.expect("PASS"))
            s.send("230 in\r\n");
        s.serveUntilQuit();
    });
    auto client = makeClient(server.port());
    EXPECT_TRUE(client->ConnectAndLogin(false));
    EXPECT_TRUE(client->Quit());
}

TEST_F(ControlConnection, RepliesTrickledOrSplitAreWholeReplies) {
    ScriptedFtpServer server([](ScriptedSession& s) {
        s.sendBytewise("220-slow\r\n220 greeting\r\n", 2ms);
        if (s.expect("USER")) {
            s.send("33");
            s.pause(300ms);
            s.send("1 split reply\r");
            s.pause(100ms);
            s.send("\n");
        }
        if (s.expect("PASS"))
            s.sendBytewise("230 ok\r\n", 5ms);
        if (s.expect("SYST"))
            s.send("215 UNIX\r\n");
        if (s.expect("CWD"))
            s.send("250 ok\r\n");
        if (s.expect("PWD"))
            s.send("257 \"/x\"\r\n");
        s.serveUntilQuit();
    });
    auto client = makeClient(server.port());
    EXPECT_TRUE(client->FtpLogin());
    EXPECT_TRUE(client->Syst());
    EXPECT_TRUE(client->ChangeDir("\\photos\\trip\\"));
    EXPECT_TRUE(client->Quit());
    client.reset();
    ASSERT_TRUE(server.waitDone());
    EXPECT_TRUE(server.failures().empty());
    EXPECT_TRUE(server.sawCommand("CWD \\photos\\trip\\"));
}

TEST_F(ControlConnection, SilentOrVanishingServersEndEachReplyWithinItsLimit) {
    {
        ScriptedFtpServer server([](ScriptedSession& s) { s.pause(3s); });
        auto client = makeClient(server.port());
        EXPECT_FALSE(client->FtpLogin());
    }
    {
        // 421 in mid-session, then the server hangs up: every later step fails at once.
        ScriptedFtpServer server([](ScriptedSession& s) {
            s.login();
            if (s.expect("SYST"))
                s.send("421 shutting down\r\n");
            s.closeControl();
        });
        auto client = makeClient(server.port());
        EXPECT_TRUE(client->FtpLogin());
        EXPECT_FALSE(client->Syst());
        const auto start = std::chrono::steady_clock::now();
        client->ChangeDir("\\a");
        client->Quit();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "a closed connection waits";
    }
}

TEST_F(ControlConnection, ArgumentsWithLineBreaksNeverReachTheServer) {
    ScriptedFtpServer server([](ScriptedSession& s) {
        s.login();
        s.serveUntilQuit();
    });
    auto client = makeClient(server.port());
    ASSERT_TRUE(client->FtpLogin());
    EXPECT_FALSE(client->ChangeDir("a\r\nDELE precious.txt"));
    EXPECT_FALSE(client->Rename("a", "b\nDELE x"));
    EXPECT_TRUE(client->Quit());
    client.reset();
    ASSERT_TRUE(server.waitDone());
    for (const auto& command : server.commands())
        EXPECT_EQ(command.find("DELE"), std::string::npos) << command;
}

class LogCapture : public ACE_Log_Msg_Callback {
public:
    LogCapture() {
        ACE_LOG_MSG->msg_callback(this);
        ACE_LOG_MSG->set_flags(ACE_Log_Msg::MSG_CALLBACK);
    }
    ~LogCapture() override {
        ACE_LOG_MSG->clr_flags(ACE_Log_Msg::MSG_CALLBACK);
        ACE_LOG_MSG->msg_callback(nullptr);
    }
    void log(ACE_Log_Record& record) override {
        entries.emplace_back(record.type(), record.msg_data());
        files.push_back(ACE_LOG_MSG->file());
    }
    std::vector<std::pair<unsigned long, std::string>> entries;
    std::vector<std::string> files;
};

TEST_F(ControlConnection, ClosedPortFailsAtOnceWithTheConnectionFailedEntry) {
    const RefusingPort closed;
    LogCapture capture;
    auto client = makeClient(closed.port());
    EXPECT_FALSE(client->FtpLogin());
    EXPECT_FALSE(client->FtpLogin());  // the caller's retry on the same object
    ASSERT_EQ(capture.entries.size(), 2u);
    EXPECT_EQ(capture.entries[0].first, static_cast<unsigned long>(LM_ERROR));
    EXPECT_NE(capture.entries[0].second.find("connection failed"), std::string::npos);
    EXPECT_EQ(capture.entries[0].second.find("/n"), std::string::npos) << "one line, no \"/n\"";
    EXPECT_EQ(capture.files[0], "ftp_client");
}

TEST_F(ControlConnection, AStopEndsAStalledConnectOrAReplyWaitAtOnce) {
    // A listener whose queue is full drops further connection requests: connects stall.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<int> queued;
    for (int i = 0; i < 4; ++i) {
        queued.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        ::connect(queued.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ScriptedFtpServer silent([](ScriptedSession& s) { s.pause(4s); });

    for (const std::uint16_t port : {ntohs(address.sin_port), silent.port()}) {
        std::atomic<bool> stop{false};
        FtpOptions options = fastOptions();
        options.limits.connect = 10s;
        options.limits.reply = 10s;
        options.stopRequest = &stop;
        auto client = makeClient(port, options);
        std::thread raise([&stop] {
            std::this_thread::sleep_for(200ms);
            stop = true;
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(client->FtpLogin());
        // Far below either limit (the stop is seen within a poll slice).
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << port;
        raise.join();
    }
    for (const int fd : queued)
        ::close(fd);
    ::close(listener);
}

TEST_F(ControlConnection, AConnectionIsReusableOnlyUntilTheServerSpeaksUnasked) {
    ScriptedFtpServer server([](ScriptedSession& s) {
        s.login();
        if (s.expect("SYST"))
            s.send("215 UNIX\r\n");
        s.pause(1s);
        s.send("421 Idle timeout\r\n");  // a server closing an idle connection
        s.closeControl();
    });
    auto client = makeClient(server.port());
    ASSERT_TRUE(client->FtpLogin());
    EXPECT_TRUE(client->Syst());
    EXPECT_TRUE(client->reusable());
    ASSERT_TRUE(server.waitDone());
    EXPECT_FALSE(client->reusable());
}

}  // namespace
}  // namespace nubexa::test
