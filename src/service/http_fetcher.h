#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <utility>

namespace nubexa {

// Limits of one web request. The defaults are the service's: 3 s to connect, 3 s for the whole
// exchange, and an exchange slower than 1 byte/s for 5 s is cut. Tests shorten them.
struct FetchLimits {
    long connectTimeoutMs = 3000;
    long totalTimeoutMs = 3000;
    long lowSpeedBytesPerSecond = 1;
    long lowSpeedSeconds = 5;
    // An answer that grows beyond this is cut; real answers stay far below it.
    std::size_t maxBodyBytes = 16 * 1024 * 1024;
};

// One HTTP GET. Created on the stack of the operation that sends; any thread may use its own
// fetcher. The libcurl handles behind it belong to the thread and outlive the fetcher, so
// that the thread's next request reuses the connection (and TLS session) when the peer kept
// it open, and connects anew when it did not.
class HttpFetcher {
public:
    explicit HttpFetcher(FetchLimits limits = {});

    // libcurl's verbose mode with the trace printed to standard output. Off by default.
    void setVerbose(bool on) { m_verbose = on; }
    bool verbose() const { return m_verbose; }
    // The authority (PEM file) an HTTPS peer must chain to; empty: the system's store. The
    // peer and its host name are always verified.
    void setCaFile(std::string path) { m_caFile = std::move(path); }
    // A request in flight ends within about 50 ms after `*stop` turns true, connect included.
    // Null: never. The flag must outlive perform().
    void setStopFlag(const std::atomic<bool>* stop) { m_stop = stop; }
    // A second flag that ends it as well: the caller's own (a sync round being stopped), beside
    // the client's. Null: none.
    void setCallStopFlag(const std::atomic<bool>* stop) { m_callStop = stop; }

    // Sends `url` and appends the answer bytes to `body`. Returns the libcurl result code
    // (0 = success, 2 when no easy handle could be created, 42 when stopped). Callers judge the
    // body, not the code: an empty body is "no answer".
    // `why`, when given, receives libcurl's text for a failure.
    int perform(const std::string& url, std::string& body, std::string* why = nullptr) const;

    // Whether a result code means the peer's certificate could not be verified (or the
    // authority to verify it against could not be read).
    static bool isCertificateProblem(int code);

    // How many connections the requests of the calling thread have opened so far.
    static long connectionsOpenedOnThisThread();

private:
    FetchLimits m_limits;
    std::string m_caFile;
    bool m_verbose = false;
    bool stopRaised() const;

    const std::atomic<bool>* m_stop = nullptr;
    const std::atomic<bool>* m_callStop = nullptr;
};

}  // namespace nubexa
