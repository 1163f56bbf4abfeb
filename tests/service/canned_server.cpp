#include "canned_server.h"

#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace nubexa::test {

CannedServer::CannedServer() {
    m_server.set_keep_alive_max_count(1);
    m_server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    });
    m_port = m_server.bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        throw std::runtime_error("cannot bind a loopback port");
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    // stop() only reaches a server that is already listening.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!m_server.is_running() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

CannedServer::~CannedServer() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_released.notify_all();
    m_server.stop();
    if (m_thread.joinable())
        m_thread.join();
}

std::string CannedServer::host() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

void CannedServer::answer(const std::string& path, const std::string& body) {
    answerInTurn(path, {body});
}

void CannedServer::answerInTurn(const std::string& path, std::vector<std::string> bodies) {
    std::lock_guard lock(m_mutex);
    m_answers[path] = std::move(bodies);
    m_served[path] = 0;
    m_stalled.erase(path);
}

void CannedServer::stall(const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_stalled[path] = true;
}

void CannedServer::hold(const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_held[path] = true;
}

void CannedServer::release(const std::string& path) {
    {
        std::lock_guard lock(m_mutex);
        m_held.erase(path);
    }
    m_released.notify_all();
}

bool CannedServer::waitForRequests(const std::string& path, std::size_t count) {
    std::unique_lock lock(m_mutex);
    const auto arrived = [&] {
        return std::count_if(m_targets.begin(), m_targets.end(), [&](const std::string& target) {
                   return target.substr(0, target.find('?')) == path;
               }) >= static_cast<std::ptrdiff_t>(count);
    };
    return m_arrived.wait_for(lock, std::chrono::seconds(10), arrived);
}

void CannedServer::handle(const httplib::Request& request, httplib::Response& response) {
    std::unique_lock lock(m_mutex);
    m_targets.push_back(request.target);
    m_arrived.notify_all();
    const std::string path = request.target.substr(0, request.target.find('?'));
    if (m_held.count(path) != 0) {
        m_released.wait_for(lock, std::chrono::seconds(10),
                            [&] { return m_stopping || m_held.count(path) == 0; });
    }
    if (m_stalled.count(path) != 0) {
        // Bounded so that a forgotten stop can never hang the test run.
        m_released.wait_for(lock, std::chrono::seconds(30), [this] { return m_stopping; });
        return;
    }
    std::string body;
    if (const auto found = m_answers.find(path);
        found != m_answers.end() && !found->second.empty()) {
        auto& served = m_served[path];
        body = found->second[std::min(served, found->second.size() - 1)];
        ++served;
    }
    response.set_content(body, "text/xml; charset=utf-8");
}

std::vector<std::string> CannedServer::targets() const {
    std::lock_guard lock(m_mutex);
    return m_targets;
}

std::vector<std::string> CannedServer::targetsOf(const std::string& path) const {
    std::vector<std::string> matching;
    for (const auto& target : targets()) {
        if (target.substr(0, target.find('?')) == path)
            matching.push_back(target);
    }
    return matching;
}

std::string CannedServer::lastTarget() const {
    std::lock_guard lock(m_mutex);
    return m_targets.empty() ? std::string() : m_targets.back();
}

void CannedServer::clearTargets() {
    std::lock_guard lock(m_mutex);
    m_targets.clear();
}

std::string accepted(const std::string& inner) {
    return "<root><result>1</result>" + inner + "</root>";
}

std::string refused(const std::string& inner) {
    return "<root><result>0</result>" + inner + "</root>";
}

std::string md5Hex(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr);
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02X", digest[i]);
        hex += pair;
    }
    return hex;
}

std::string queryValue(const std::string& target, const std::string& key) {
    const auto question = target.find('?');
    if (question == std::string::npos)
        return {};
    std::size_t start = question + 1;
    while (start <= target.size()) {
        auto end = target.find('&', start);
        if (end == std::string::npos)
            end = target.size();
        const std::string pair = target.substr(start, end - start);
        const auto equals = pair.find('=');
        if (pair.substr(0, equals) == key)
            return equals == std::string::npos ? std::string() : pair.substr(equals + 1);
        start = end + 1;
    }
    return {};
}

}  // namespace nubexa::test
