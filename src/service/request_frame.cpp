#include "service/request_frame.h"

#include <algorithm>
#include <utility>

#include "service/text_codec.h"

namespace nubexa {

const char* describeFailure(Failure failure) {
    switch (failure) {
        case Failure::kNone:
            return "done";
        case Failure::kRefused:
            return "refused by the service";
        case Failure::kNoAnswer:
            return "no answer from the service";
        case Failure::kMalformed:
            return "an answer that could not be read";
        case Failure::kStopped:
            return "stopped";
        case Failure::kStale:
            return "overtaken by a newer request";
        case Failure::kUntrusted:
            return "the service's certificate could not be verified";
    }
    return "unknown";
}

FetchLimits largeAnswerLimits(const FetchLimits& plain) {
    FetchLimits large = plain;
    large.totalTimeoutMs = plain.totalTimeoutMs * 20;
    large.lowSpeedSeconds = plain.lowSpeedSeconds * 6;
    large.maxBodyBytes = plain.maxBodyBytes * 16;
    return large;
}

RequestFrame::RequestFrame(std::string apiHost, FrameOptions options)
    : m_apiHost(std::move(apiHost)), m_options(std::move(options)) {}

RequestFrame::Attempt RequestFrame::tryOnce(const std::string& url, const FetchLimits& limits,
                                            const std::atomic<bool>* callStop) const {
    HttpFetcher fetcher(limits);
    fetcher.setVerbose(m_options.verbose);
    fetcher.setStopFlag(m_options.stop.get());
    fetcher.setCallStopFlag(callStop);
    fetcher.setCaFile(m_options.caFile);
    std::string body;
    std::string why;
    const int code = fetcher.perform(url, body, &why);
    if (HttpFetcher::isCertificateProblem(code)) {
        std::lock_guard lock(m_problemMutex);
        m_certificateProblem = "证书无法验证：" + m_apiHost + "（" + why + "）";
        return {{}, true};
    }
    {
        std::lock_guard lock(m_problemMutex);
        m_certificateProblem.clear();
    }
    // A transfer that failed part-way leaves a cut document: that is no answer either.
    if (code != 0)
        return {};
    return {decodeAnswer(std::move(body)), false};
}

std::string RequestFrame::certificateProblem() const {
    std::lock_guard lock(m_problemMutex);
    return m_certificateProblem;
}

std::string RequestFrame::sendOnce(const std::string& url) const {
    return tryOnce(url, m_options.limits).answer;
}

ServiceResult<std::string> RequestFrame::fetch(const std::string& url, Repeat repeat,
                                               const Accept& accept) const {
    return fetchWith(url, repeat, accept, m_options.limits);
}

ServiceResult<std::string> RequestFrame::fetchLarge(const std::string& url,
                                                    const std::atomic<bool>* callStop) const {
    return fetchWith(url, Repeat::kNever, {}, largeAnswerLimits(m_options.limits), callStop);
}

ServiceResult<std::string> RequestFrame::fetchWith(const std::string& url, Repeat repeat,
                                                   const Accept& accept, const FetchLimits& limits,
                                                   const std::atomic<bool>* callStop) const {
    const auto halted = [&] { return stopped() || (callStop != nullptr && callStop->load()); };
    const int attempts = repeat == Repeat::kNever ? 1 : std::max(1, m_options.attempts);
    bool answered = false;
    for (int attempt = 0; attempt < attempts && !halted(); ++attempt) {
        auto [answer, untrusted] = tryOnce(url, limits, callStop);
        if (untrusted)
            return ServiceResult<std::string>::failed(Failure::kUntrusted);
        if (answer.empty())
            continue;
        answered = true;
        if (!accept || accept(answer))
            return ServiceResult<std::string>::success(std::move(answer));
    }
    if (halted())
        return ServiceResult<std::string>::failed(Failure::kStopped);
    return ServiceResult<std::string>::failed(answered ? Failure::kMalformed : Failure::kNoAnswer);
}

std::string RequestFrame::send(const std::string& url, Repeat repeat) const {
    return fetch(url, repeat).value;
}

std::string RequestFrame::sendUntil(const std::string& url, const Accept& accept) const {
    return fetch(url, Repeat::kBounded, accept).value;
}

}  // namespace nubexa
