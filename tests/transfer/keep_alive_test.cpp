// The web requests of one thread share a connection to the service: plain and over TLS, and a
// service that went away in between is simply connected to again.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "service/http_fetcher.h"
#include "standin/local_standin.h"
#include "standin/standin_service.h"
#include "support/temp_dir.h"

namespace nubexa::test {
namespace {

struct Fetched {
    int code = -1;
    std::string body;
};

// On a thread of its own, so that no earlier request of the test thread left a connection.
template <typename Steps>
void onFreshThread(Steps steps) {
    std::thread thread(steps);
    thread.join();
}

Fetched fetch(const HttpFetcher& fetcher, const std::string& url) {
    Fetched fetched;
    fetched.code = fetcher.perform(url, fetched.body);
    return fetched;
}

std::unique_ptr<standin::StandinService> startStandin(const std::string& data, int httpPort = 0) {
    std::string error;
    auto service = standin::startLocalStandin(data, {}, error, httpPort);
    EXPECT_TRUE(service) << error;
    return service;
}

TEST(KeepAlive, RequestsOfAThreadShareAConnectionAndAClosedOneIsMadeAgain) {
    TempDir dir;
    auto service = startStandin(dir.file("data"));
    ASSERT_TRUE(service);
    const int port = service->httpPort();
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/home";

    onFreshThread([&] {
        const HttpFetcher fetcher;
        const Fetched first = fetch(fetcher, url);
        // Another fetcher of the same thread: the connection belongs to the thread.
        const Fetched second = fetch(HttpFetcher(), url);
        EXPECT_EQ(first.code, 0);
        EXPECT_EQ(second.code, 0);
        EXPECT_FALSE(second.body.empty());
        EXPECT_EQ(HttpFetcher::connectionsOpenedOnThisThread(), 1);

        // The service goes away with the kept connection and comes back on the same port.
        service->stop();
        service = startStandin(dir.file("data"), port);
        ASSERT_TRUE(service);
        const Fetched afterRestart = fetch(fetcher, url);
        EXPECT_EQ(afterRestart.code, 0);
        EXPECT_FALSE(afterRestart.body.empty());
        EXPECT_EQ(HttpFetcher::connectionsOpenedOnThisThread(), 2);
    });
    // Each thread has its own connection.
    onFreshThread([&] {
        EXPECT_EQ(fetch(HttpFetcher(), url).code, 0);
        EXPECT_EQ(HttpFetcher::connectionsOpenedOnThisThread(), 1);
    });
    service->stop();
}

TEST(KeepAlive, TlsRequestsShareAVerifiedConnection) {
    TempDir dir;
    standin::ServiceOptions options;
    options.dataFolder = dir.file("data");
    options.httpPort = 0;
    options.ftp.port = 0;
    options.tlsSelfSigned = true;
    options.logSink = [](const std::string&) {};
    standin::StandinService service(options);
    const auto started = service.start();
    ASSERT_TRUE(started.ok) << started.message;
    const std::string url = "https://localhost:" + std::to_string(service.httpPort()) + "/home";

    onFreshThread([&] {
        HttpFetcher trusting;
        trusting.setCaFile(service.tlsAuthority());
        EXPECT_EQ(fetch(trusting, url).code, 0);
        EXPECT_EQ(fetch(trusting, url).code, 0);
        EXPECT_EQ(HttpFetcher::connectionsOpenedOnThisThread(), 1);

        // A request that trusts another authority never rides on the verified connection.
        HttpFetcher other;
        other.setCaFile(dir.file("none.pem"));
        const Fetched refused = fetch(other, url);
        EXPECT_TRUE(HttpFetcher::isCertificateProblem(refused.code)) << refused.code;
        EXPECT_TRUE(refused.body.empty());
        EXPECT_EQ(fetch(trusting, url).code, 0);
    });
    service.stop();
}

}  // namespace
}  // namespace nubexa::test
