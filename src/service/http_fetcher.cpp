#include "service/http_fetcher.h"

#include <curl/curl.h>

#include <cstdio>
#include <functional>
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

// How often a request that may be stopped looks at its flag; a request that may not waits
// for its sockets or libcurl's own timers only.
constexpr int kStopPollMs = 50;
constexpr int kIdlePollMs = 1000;

// Every request goes through a multi handle, so that a wait can be cut short (a progress
// callback would be asked only about once a second while libcurl connects), and so that one
// connection cache serves all requests of a thread.
// `stoppable`: `stopped` may turn true, so the waits are short.
CURLcode performOn(CURLM* multi, CURL* handle, bool stoppable,
                   const std::function<bool()>& stopped) {
    curl_multi_add_handle(multi, handle);
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    int running = 1;
    while (!stopped()) {
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
        curl_multi_poll(multi, nullptr, 0, stoppable ? kStopPollMs : kIdlePollMs, nullptr);
    }
    // A request cut in the middle closes its connection; a whole one leaves it in the cache.
    curl_multi_remove_handle(multi, handle);
    return result;
}

// The multi handle first: closing its connections may still use the easy handle's TLS
// sessions.
void release(CURLM* multi, CURL* easy) {
    if (multi != nullptr)
        curl_multi_cleanup(multi);
    if (easy != nullptr)
        curl_easy_cleanup(easy);
}

// The handles one thread keeps between its requests: the connection to the service stays
// open (HTTP keep-alive) and a TLS session is resumed. A peer that closed an idle connection
// costs only a new connect, which libcurl makes by itself.
class ThreadHandles {
public:
    ThreadHandles() = default;
    ~ThreadHandles() { release(m_multi, m_easy); }
    ThreadHandles(const ThreadHandles&) = delete;
    ThreadHandles& operator=(const ThreadHandles&) = delete;

    // Made at the first request of the thread; false when libcurl could not make them.
    bool ready() {
        if (m_easy == nullptr)
            m_easy = curl_easy_init();
        if (m_multi == nullptr)
            m_multi = curl_multi_init();
        return m_easy != nullptr && m_multi != nullptr;
    }
    CURL* easy() const { return m_easy; }
    CURLM* multi() const { return m_multi; }

    // Set while a request of this thread runs on them; a nested request gets handles of its
    // own.
    bool busy = false;
    long connectionsOpened = 0;

private:
    CURL* m_easy = nullptr;
    CURLM* m_multi = nullptr;
};

thread_local ThreadHandles t_handles;

// The thread's handles for one request, or handles of its own when they are taken.
class HandleLease {
public:
    HandleLease() {
        if (!t_handles.busy && t_handles.ready()) {
            t_handles.busy = true;
            m_kept = true;
            m_easy = t_handles.easy();
            m_multi = t_handles.multi();
            // Options of the last request are gone; its connections and TLS sessions stay.
            curl_easy_reset(m_easy);
            return;
        }
        m_easy = curl_easy_init();
        m_multi = curl_multi_init();
    }
    ~HandleLease() {
        long opened = 0;
        if (m_easy != nullptr &&
            curl_easy_getinfo(m_easy, CURLINFO_NUM_CONNECTS, &opened) == CURLE_OK)
            t_handles.connectionsOpened += opened;
        if (m_kept) {
            // Nothing may point into the request that ends here.
            curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, nullptr);
            curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, nullptr);
            t_handles.busy = false;
            return;
        }
        release(m_multi, m_easy);
    }
    HandleLease(const HandleLease&) = delete;
    HandleLease& operator=(const HandleLease&) = delete;

    bool valid() const { return m_easy != nullptr && m_multi != nullptr; }
    CURL* easy() const { return m_easy; }
    CURLM* multi() const { return m_multi; }

private:
    bool m_kept = false;
    CURL* m_easy = nullptr;
    CURLM* m_multi = nullptr;
};

// curl_global_init is not safe to race; the first request of any thread does it once.
void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

HttpFetcher::HttpFetcher(FetchLimits limits) : m_limits(limits) {}

long HttpFetcher::connectionsOpenedOnThisThread() {
    return t_handles.connectionsOpened;
}

bool HttpFetcher::isCertificateProblem(int code) {
    return code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CACERT_BADFILE ||
           code == CURLE_SSL_CERTPROBLEM || code == CURLE_SSL_ISSUER_ERROR;
}

bool HttpFetcher::stopRaised() const {
    return (m_stop != nullptr && m_stop->load()) || (m_callStop != nullptr && m_callStop->load());
}

int HttpFetcher::perform(const std::string& url, std::string& body, std::string* why) const {
    // Asked before a handle exists: a stop that came first must not leave one behind.
    if (stopRaised())
        return CURLE_ABORTED_BY_CALLBACK;
    initialiseCurlOnce();
    const HandleLease lease;
    if (!lease.valid())
        return 2;
    CURL* handle = lease.easy();
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
        performOn(lease.multi(), handle, m_stop || m_callStop, [this] { return stopRaised(); });
    if (why != nullptr && result != CURLE_OK)
        *why = error[0] != '\0' ? error : curl_easy_strerror(result);
    return static_cast<int>(result);
}

}  // namespace nubexa
