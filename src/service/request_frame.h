#pragma once

#include <functional>
#include <string>

#include "service/http_fetcher.h"

namespace nubexa {

// How often and how long the frame tries. The defaults are what the client uses.
struct FrameOptions {
    int attempts = 3;  // in all, for requests that repeat on no answer
    FetchLimits limits;
    bool verbose = false;
};

// Whether a request is sent again when it gets no answer.
enum class Repeat { kBounded, kNever };

// Sends requests and decodes their answers. Immutable after construction, so any thread may
// share one frame.
class RequestFrame {
public:
    RequestFrame(std::string apiHost, FrameOptions options = {});

    const std::string& apiHost() const { return m_apiHost; }
    const FrameOptions& options() const { return m_options; }

    // The decoded answer of one request; empty when there was none (refused, timed out, cut,
    // or an empty body).
    std::string sendOnce(const std::string& url) const;

    // kBounded: the identical request up to `attempts` times until an answer comes.
    // Empty when none came.
    std::string send(const std::string& url, Repeat repeat) const;

    // Like send(kBounded), but an answer also counts as none unless `accept` takes it.
    std::string sendUntil(const std::string& url,
                          const std::function<bool(const std::string&)>& accept) const;

    // Whether the last send of the calling thread got any answer at all: tells "the network
    // failed" from a refusal or an unreadable answer after an operation returned its failure.
    static bool lastSendAnswered();

private:
    std::string m_apiHost;
    FrameOptions m_options;
};

}  // namespace nubexa
