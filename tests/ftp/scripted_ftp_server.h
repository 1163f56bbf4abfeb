#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace nubexa::test {

// One control connection of the scripted server, driven by a test's script on the server's
// thread. Every wait is bounded (kWait), so a script never hangs a test.
class ScriptedSession {
public:
    static constexpr std::chrono::milliseconds kWait{5000};

    void send(std::string_view text);
    // One byte at a time, `gap` apart.
    void sendBytewise(std::string_view text, std::chrono::milliseconds gap);
    void pause(std::chrono::milliseconds duration);

    // The next command line without its line end; empty on time-out or at the client's end.
    std::string readCommand();
    // Reads the next command and checks that it starts with `prefix`; a mismatch is recorded
    // as the server's failure.
    bool expect(std::string_view prefix);
    // Whether the next command starts with `prefix`, without reading it (a command a client
    // sends only sometimes, REST say).
    bool nextIs(std::string_view prefix);

    // Greeting 220, USER 331, PASS 230.
    void login();
    // Answers every further command until QUIT (221) or the client's end: SYST 215, CWD 250,
    // PWD 257, TYPE 200, anything else 502.
    void serveUntilQuit();

    // Listens for one data connection on a fresh loopback port and returns the PASV reply.
    std::string openPassive();
    bool acceptData();
    void sendData(std::string_view bytes);
    // Everything the client sends on the data connection until it closes it.
    std::string receiveData();
    void closeData();
    void closeControl();

    // Offers the last command received (for scripts that branch on it).
    const std::string& lastCommand() const { return m_lastCommand; }

private:
    friend class ScriptedFtpServer;
    ScriptedSession(int control, class ScriptedFtpServer& server)
        : m_control(control), m_server(server) {}
    // Waits (bounded) until a whole command line is buffered; false at time-out or the end.
    bool lineArrived();

    int m_control;
    int m_listener = -1;
    int m_data = -1;
    std::string m_input;
    std::string m_lastCommand;
    ScriptedFtpServer& m_server;
};

// An FTP server on a loopback port whose replies a test scripts, for what a real server will
// not do on request: one connection, or `connections` one after another, each running the
// script. The script runs on the server's own thread; the destructor ends and joins it.
class ScriptedFtpServer {
public:
    using Script = std::function<void(ScriptedSession&)>;

    explicit ScriptedFtpServer(Script script, int connections = 1);
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    std::uint16_t port() const { return m_port; }
    // Every command line received, in order.
    std::vector<std::string> commands() const;
    bool sawCommand(std::string_view prefix) const;
    // Script expectations that did not hold.
    std::vector<std::string> failures() const;
    // Waits until the script has run to its end; false after the time limit.
    bool waitDone(std::chrono::milliseconds limit = std::chrono::seconds(10)) const;

private:
    friend class ScriptedSession;
    void record(const std::string& command);
    void fail(const std::string& message);
    void run();

    Script m_script;
    const int m_connections;
    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_done{false};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_commands;
    std::vector<std::string> m_failures;
    std::thread m_thread;
};

}  // namespace nubexa::test
