// Cost of one full listing (GetFiles of a full table: signed request, answer decoding, XML
// reading, table update) against the bare HTTP exchange of the same answer with libcurl alone,
// both against the same loopback server in the same run.
#include <curl/curl.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "service/service_client.h"
#include "service/text_codec.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 200;

double elapsedMs(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A full table of files and a few hundred folders with Chinese names, written as the service
// writes its answers (UTF-8, "%" and "+" escaped).
std::string listingAnswer() {
    std::string body = "<root><result>1</result><parentid>0</parentid><files>";
    for (int i = 0; i < 1024; ++i) {
        const std::string n = std::to_string(i);
        body += "<file id=\"" + n + "\" name=\"照片 " + n +
                "\" ext=\".jpg\" size=\"123456\" isshare=\"0\" isoutlink=\"0\" ispwd=\"0\""
                " pwdtip=\"\" time=\"2026-12-08 14:03:00\" pwd=\"\"/>";
    }
    body += "</files><folders>";
    for (int i = 0; i < 300; ++i) {
        body += "<folder id=\"" + std::to_string(5000 + i) +
                "\" name=\"文件夹\" ispwd=\"0\" pwdtip=\"\" time=\"2026-12-08 14:03:00\""
                " isshare=\"0\" pwd=\"\"/>";
    }
    return body + "</folders></root>";
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::size_t discard(char*, std::size_t size, std::size_t count, void* total) {
    *static_cast<std::size_t*>(total) += size * count;
    return size * count;
}

}  // namespace

int main() {
    const std::string answer = listingAnswer();
    httplib::Server server;
    server.Get(".*", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(answer, "text/xml");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const std::string host = "127.0.0.1:" + std::to_string(port);

    nubexa::ServiceConfig config;
    config.apiHost = host;
    nubexa::ServiceClient client(config, "/nonexistent/");
    const std::string url = "http://" + host + "/UserService.asmx/GetFiles?uid=42&token=T";
    // Rounds alternate between the two, and the medians are compared: a busy moment of the
    // machine then weighs on both sides alike.
    std::vector<double> ours;
    std::vector<double> bare;
    int listed = 0;
    std::size_t bytes = 0;
    for (int i = 0; i < kRounds; ++i) {
        auto start = Clock::now();
        listed += client.GetFiles("42", "T", "0", "name", "0");
        ours.push_back(elapsedMs(start));

        start = Clock::now();
        CURL* handle = curl_easy_init();
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, discard);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &bytes);
        curl_easy_perform(handle);
        curl_easy_cleanup(handle);
        bare.push_back(elapsedMs(start));
    }
    server.stop();
    serving.join();

    const double oursMs = median(ours);
    const double bareMs = median(bare);
    std::printf(
        "listing of %zu bytes, %d rounds (%d read): GetFiles %.2f ms, bare libcurl %.2f ms "
        "(medians)\n",
        answer.size(), kRounds, listed, oursMs, bareMs);
    std::printf("BENCH service-listing ratio=%.3f ours_ms=%.2f bare_ms=%.2f rounds=%d\n",
                oursMs / bareMs, oursMs, bareMs, kRounds);
    return listed == kRounds && bytes == answer.size() * kRounds ? 0 : 1;
}
