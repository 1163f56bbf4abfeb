#pragma once

#include <httplib.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nubexa::test {

// A real HTTP server on an ephemeral loopback port that answers each path with a canned body
// (or holds the request until the server stops) and records every request target exactly as
// it arrived on the wire.
class CannedServer {
public:
    CannedServer();
    ~CannedServer();
    CannedServer(const CannedServer&) = delete;
    CannedServer& operator=(const CannedServer&) = delete;

    // "127.0.0.1:<port>".
    std::string host() const;

    // Answers requests for `path` (e.g. "/fileservice.asmx/FolderMove") with `body`;
    // unknown paths get an empty body.
    void answer(const std::string& path, const std::string& body);
    // Answers the next requests of `path` with these bodies in turn, then with the last one.
    void answerInTurn(const std::string& path, std::vector<std::string> bodies);
    // Holds requests for `path` without answering until the server stops.
    void stall(const std::string& path);
    // Holds requests for `path` until release(path), then answers them as usual.
    void hold(const std::string& path);
    void release(const std::string& path);
    // Waits (10 s at most) until `count` requests of `path` have arrived.
    bool waitForRequests(const std::string& path, std::size_t count);

    // Raw request targets ("/path?query") in arrival order.
    std::vector<std::string> targets() const;
    std::vector<std::string> targetsOf(const std::string& path) const;
    std::string lastTarget() const;
    void clearTargets();

private:
    void handle(const httplib::Request& request, httplib::Response& response);

    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_stopping = false;
    std::map<std::string, std::vector<std::string>> m_answers;
    std::map<std::string, std::size_t> m_served;
    std::map<std::string, bool> m_stalled;
    std::map<std::string, bool> m_held;
    std::condition_variable m_arrived;
    std::vector<std::string> m_targets;
};

// Canned answers.
std::string accepted(const std::string& inner = {});  // <root><result>1</result>inner</root>
std::string refused(const std::string& inner = {});   // result 0

// Independent MD5 (OpenSSL called here, not through the client): 32 upper-case hex.
std::string md5Hex(const std::string& text);

// The value of `key` in the raw query of `target`; empty when missing.
std::string queryValue(const std::string& target, const std::string& key);

}  // namespace nubexa::test
