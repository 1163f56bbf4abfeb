#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nubexa {

// Where the endpoint's bytes come from: the file on the disk, read from an offset.
class RangeSource {
public:
    using Sink = std::function<bool(const char* data, std::size_t size)>;  // false: stop
    virtual ~RangeSource() = default;
    // Hands bytes [offset, offset + length) to `sink` in order; true when all of them went.
    // Called on the endpoint's connection threads, several at once; ends soon after `stop`.
    virtual bool read(std::int64_t offset, std::int64_t length, const Sink& sink,
                      const std::atomic<bool>& stop) = 0;
};

// A player's way to a disk file while it is still coming: a loopback-only HTTP/1.1 endpoint
// on a free port whose one address carries a random token. GET and HEAD, with a Range (one
// range, 206) or without (200); a range the file does not have is 416, any other address
// 404, a peer that is not on this machine 403. Each request reads exactly its bytes from the
// source; nothing is written to disk. One connection per request (Connection: close).
// Made, started and destroyed by one owner; the destructor stops every connection and joins
// every thread it started.
class RangeEndpoint {
public:
    struct File {
        std::int64_t size = 0;
        std::string contentType = "application/octet-stream";
    };
    RangeEndpoint(File file, RangeSource& source);
    ~RangeEndpoint();
    RangeEndpoint(const RangeEndpoint&) = delete;
    RangeEndpoint& operator=(const RangeEndpoint&) = delete;

    // Binds 127.0.0.1 on a free port and starts answering; false with `problem` otherwise.
    bool start(std::string& problem);
    // "http://127.0.0.1:PORT/TOKEN", for the player.
    std::string url() const;
    std::uint16_t port() const { return m_port; }
    // The address the endpoint listens on.
    static constexpr const char* kBoundAddress = "127.0.0.1";

private:
    struct Connection;

    void acceptLoop();
    void serve(int socket);
    void answer(int socket, const std::string& head);
    bool sendAll(int socket, const char* data, std::size_t size);
    void reapFinished();

    const File m_file;
    RangeSource& m_source;
    const std::string m_token;
    std::uint16_t m_port = 0;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_stop{false};
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Connection>> m_connections;  // guarded by m_mutex
};

}  // namespace nubexa
