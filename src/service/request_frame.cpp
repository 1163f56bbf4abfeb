#include "service/request_frame.h"

#include <algorithm>
#include <utility>

#include "service/text_codec.h"

namespace nubexa {

namespace {
thread_local bool t_lastSendAnswered = true;
}  // namespace

bool RequestFrame::lastSendAnswered() {
    return t_lastSendAnswered;
}

RequestFrame::RequestFrame(std::string apiHost, FrameOptions options)
    : m_apiHost(std::move(apiHost)), m_options(options) {}

std::string RequestFrame::sendOnce(const std::string& url) const {
    HttpFetcher fetcher(m_options.limits);
    fetcher.setVerbose(m_options.verbose);
    std::string body;
    // A transfer that failed part-way leaves a cut document: that is no answer either.
    std::string answer;
    if (fetcher.perform(url, body) == 0)
        answer = decodeAnswer(body);
    t_lastSendAnswered = !answer.empty();
    return answer;
}

std::string RequestFrame::send(const std::string& url, Repeat repeat) const {
    if (repeat == Repeat::kNever)
        return sendOnce(url);
    return sendUntil(url, [](const std::string&) { return true; });
}

std::string RequestFrame::sendUntil(const std::string& url,
                                    const std::function<bool(const std::string&)>& accept) const {
    const int attempts = std::max(1, m_options.attempts);
    bool answered = false;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        std::string answer = sendOnce(url);
        answered = answered || !answer.empty();
        if (!answer.empty() && accept(answer))
            return answer;
    }
    t_lastSendAnswered = answered;
    return {};
}

}  // namespace nubexa
