#include "service/http_fetcher.h"

#include <curl/curl.h>

#include <cstdio>
#include <mutex>

namespace nubexa {

namespace {

struct Sink {
    std::string* body;
    std::size_t limit;
};

// Returning anything but the byte count makes libcurl abort the transfer.
std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* userData) {
    auto* sink = static_cast<Sink*>(userData);
    if (sink == nullptr || sink->body == nullptr || data == nullptr)
        return 0;
    const std::size_t bytes = size * count;
    if (sink->body->size() + bytes > sink->limit)
        return 0;
    sink->body->append(data, bytes);
    return bytes;
}

int traceEvent(CURL*, curl_infotype type, char* data, std::size_t size, void*) {
    const char* tag = nullptr;
    switch (type) {
        case CURLINFO_HEADER_IN:
            tag = "[HEADER_IN]";
            break;
        case CURLINFO_HEADER_OUT:
            tag = "[HEADER_OUT]";
            break;
        case CURLINFO_DATA_IN:
            tag = "[DATA_IN]";
            break;
        case CURLINFO_DATA_OUT:
            tag = "[DATA_OUT]";
            break;
        default:
            return 0;
    }
    std::printf("%s%.*s\n", tag, static_cast<int>(size), data);
    return 0;
}

// How often a request that may be stopped looks at its flag.
constexpr int kStopPollMs = 50;

// curl_easy_perform through a multi handle of its own, so that the wait can be cut short: a
// progress callback would be asked only about once a second while libcurl connects.
CURLcode performStoppable(CURL* handle, const std::atomic<bool>& stop) {
    CURLM* multi = curl_multi_init();
    if (multi == nullptr)
        return CURLE_OUT_OF_MEMORY;
    curl_multi_add_handle(multi, handle);
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    int running = 1;
    while (!stop.load()) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) {
            int left = 0;
            result = CURLE_RECV_ERROR;
            while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
                if (message->msg == CURLMSG_DONE)
                    result = message->data.result;
            }
            break;
        }
        curl_multi_poll(multi, nullptr, 0, kStopPollMs, nullptr);
    }
    curl_multi_remove_handle(multi, handle);
    curl_multi_cleanup(multi);
    return result;
}

// curl_global_init is not safe to race; the first request of any thread does it once.
void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

HttpFetcher::HttpFetcher(FetchLimits limits) : m_limits(limits) {}

bool HttpFetcher::isCertificateProblem(int code) {
    return code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CACERT_BADFILE ||
           code == CURLE_SSL_CERTPROBLEM || code == CURLE_SSL_ISSUER_ERROR;
}

int HttpFetcher::perform(const std::string& url, std::string& body, std::string* why) const {
    // Asked before a handle exists: a stop that came first must not leave one behind.
    if (m_stop != nullptr && m_stop->load())
        return CURLE_ABORTED_BY_CALLBACK;
    initialiseCurlOnce();
    CURL* handle = curl_easy_init();
    if (handle == nullptr)
        return 2;
    Sink sink{&body, body.size() + m_limits.maxBodyBytes};
    if (m_verbose) {
        curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, traceEvent);
    }
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    // Stated, not inherited: no build or environment may turn verification off. Redirects stay
    // off too (libcurl's default), so a peer can never move a request to another host.
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    if (!m_caFile.empty())
        curl_easy_setopt(handle, CURLOPT_CAINFO, m_caFile.c_str());
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, nullptr);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, m_limits.connectTimeoutMs);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, m_limits.lowSpeedBytesPerSecond);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, m_limits.lowSpeedSeconds);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, m_limits.totalTimeoutMs);
    const CURLcode result =
        m_stop != nullptr ? performStoppable(handle, *m_stop) : curl_easy_perform(handle);
    curl_easy_cleanup(handle);
    if (why != nullptr && result != CURLE_OK)
        *why = error[0] != '\0' ? error : curl_easy_strerror(result);
    return static_cast<int>(result);
}

}  // namespace nubexa
