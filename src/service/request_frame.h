#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "service/http_fetcher.h"
#include "service/service_result.h"

namespace nubexa {

// How often and how long the frame tries. The defaults are what the client uses.
struct FrameOptions {
    int attempts = 3;  // in all, for requests that repeat on no answer
    FetchLimits limits;
    bool verbose = false;
    std::string caFile;  // see HttpFetcher::setCaFile
    // Raised to end every request in flight and refuse new ones (see HttpFetcher). Null: never.
    std::shared_ptr<const std::atomic<bool>> stop;
};

// The limits for an answer that grows with the user's tree, scaled from a plain request's: a
// service answering 100,000 files takes seconds before its first byte, and more when busy. A
// service that is down is still told at once (connect) and one that hangs by the stall limit.
FetchLimits largeAnswerLimits(const FetchLimits& plain);

// Whether a request is sent again when it gets no answer.
enum class Repeat { kBounded, kNever };

// Sends requests and decodes their answers. Immutable after construction, so any thread may
// share one frame.
class RequestFrame {
public:
    using Accept = std::function<bool(const std::string&)>;

    RequestFrame(std::string apiHost, FrameOptions options = {});

    const std::string& apiHost() const { return m_apiHost; }
    const FrameOptions& options() const { return m_options; }

    // The decoded answer of `url`, or why there is none: kNoAnswer when nothing came after the
    // attempts (kBounded: up to `attempts` identical requests), kMalformed when answers came
    // but `accept` (when given) took none of them, kStopped when the stop flag was raised,
    // kUntrusted at once (no repeat) when the peer's certificate could not be verified.
    ServiceResult<std::string> fetch(const std::string& url, Repeat repeat,
                                     const Accept& accept = {}) const;
    // fetch() of an answer the service makes in one piece for a whole tree, which grows with
    // the tree: it is given longer to come and more room (see largeAnswerLimits), and is asked
    // for once: three minute-long waits in a row would only hold up whoever waits for it.
    // `callStop` (null: none) ends it as the frame's own stop flag does.
    ServiceResult<std::string> fetchLarge(const std::string& url,
                                          const std::atomic<bool>* callStop = nullptr) const;

    // The decoded answer of one request; empty when there was none (refused, timed out, cut,
    // stopped, or an empty body).
    std::string sendOnce(const std::string& url) const;
    // fetch(...).value: empty when none came.
    std::string send(const std::string& url, Repeat repeat) const;
    std::string sendUntil(const std::string& url, const Accept& accept) const;

    bool stopped() const { return m_options.stop && m_options.stop->load(); }

    // "证书无法验证：" naming the host and libcurl's reason, for the last request refused
    // that way; empty when none was.
    std::string certificateProblem() const;

private:
    struct Attempt {
        std::string answer;
        bool untrusted = false;
    };
    Attempt tryOnce(const std::string& url, const FetchLimits& limits,
                    const std::atomic<bool>* callStop = nullptr) const;
    ServiceResult<std::string> fetchWith(const std::string& url, Repeat repeat,
                                         const Accept& accept, const FetchLimits& limits,
                                         const std::atomic<bool>* callStop = nullptr) const;

    std::string m_apiHost;
    FrameOptions m_options;
    mutable std::mutex m_problemMutex;
    mutable std::string m_certificateProblem;
};

}  // namespace nubexa
