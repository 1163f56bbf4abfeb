#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>
#include <vector>

#include "canned_server.h"
#include "service/http_fetcher.h"
#include "service/request_frame.h"
#include "service_fixture.h"
#include "support/refusing_port.h"

namespace nubexa::test {
namespace {

FrameOptions quick() {
    FrameOptions options;
    options.limits.connectTimeoutMs = 500;
    options.limits.totalTimeoutMs = 300;
    return options;
}

TEST(HttpFetcher, AppendsTheAnswerAndTracesWhenVerbose) {
    CannedServer server;
    server.answer("/a", "<x/>");
    const std::string url = "http://" + server.host() + "/a?k=v";

    HttpFetcher quiet;
    EXPECT_FALSE(quiet.verbose());
    std::string body = "kept:";
    testing::internal::CaptureStdout();
    EXPECT_EQ(quiet.perform(url, body), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(body, "kept:<x/>");

    HttpFetcher loud;
    loud.setVerbose(true);
    body.clear();
    testing::internal::CaptureStdout();
    EXPECT_EQ(loud.perform(url, body), 0);
    const std::string trace = testing::internal::GetCapturedStdout();
    EXPECT_NE(trace.find("[HEADER_OUT]GET /a?k=v HTTP/1.1"), std::string::npos) << trace;
    EXPECT_NE(trace.find("[HEADER_IN]HTTP/1.1 200"), std::string::npos) << trace;
    EXPECT_NE(trace.find("[DATA_IN]<x/>"), std::string::npos) << trace;
}

TEST(HttpFetcher, AnAnswerBeyondTheLimitIsCutAndCountsAsNone) {
    CannedServer server;
    server.answer("/big", std::string(5000, 'x'));
    FrameOptions options;
    options.limits.maxBodyBytes = 1000;
    std::string body;
    EXPECT_NE(HttpFetcher(options.limits).perform("http://" + server.host() + "/big", body), 0);
    EXPECT_EQ(RequestFrame(server.host(), options).sendOnce("http://" + server.host() + "/big"),
              "");
}

// A stop that comes between the frame's check and the request: the request ends before it
// starts, and leaves no libcurl handle behind (LeakSanitizer checks at the end of the run).
TEST(HttpFetcher, AStopSetBeforeTheRequestEndsItWithoutAHandleLeft) {
    const RefusingPort closed;
    std::atomic<bool> stop{true};
    HttpFetcher fetcher;
    fetcher.setStopFlag(&stop);
    std::string body;
    EXPECT_EQ(fetcher.perform("http://127.0.0.1:" + std::to_string(closed.port()) + "/x", body),
              CURLE_ABORTED_BY_CALLBACK);
}

TEST(RequestFrame, RepeatsTheIdenticalRequestThreeTimesInAllThenGivesUp) {
    CannedServer server;  // unknown paths answer with an empty body: no answer
    const RequestFrame frame(server.host());
    const std::string url = "http://" + server.host() + "/S.asmx/Op?uid=1&sign=X";
    EXPECT_EQ(frame.send(url, Repeat::kBounded), "");
    EXPECT_EQ(server.targets(), std::vector<std::string>(3, "/S.asmx/Op?uid=1&sign=X"));

    server.clearTargets();
    EXPECT_EQ(frame.send(url, Repeat::kNever), "");
    EXPECT_EQ(server.targets().size(), 1u);

    // An answer on the second attempt ends the repeats.
    server.clearTargets();
    server.answerInTurn("/S.asmx/Op", {"", "%3Cok%2F%3E"});
    EXPECT_EQ(frame.send(url, Repeat::kBounded), "<ok/>");
    EXPECT_EQ(server.targets().size(), 2u);
}

TEST(RequestFrame, TellsNoAnswerFromAnUnreadableAnswer) {
    const RefusingPort closedPort;
    const std::string host = "127.0.0.1:" + std::to_string(closedPort.port());
    std::string body;
    EXPECT_NE(HttpFetcher().perform("http://" + host + "/x", body), 0);
    EXPECT_EQ(body, "");
    const auto closed = RequestFrame(host).fetch("http://" + host + "/x", Repeat::kBounded);
    EXPECT_EQ(closed.value, "");
    EXPECT_EQ(closed.failure, Failure::kNoAnswer);

    // Answers that the caller cannot take are not the network failing.
    CannedServer server;
    server.answer("/ok", "<ok/>");
    const auto refused = RequestFrame(server.host())
                             .fetch("http://" + server.host() + "/ok", Repeat::kBounded,
                                    [](const std::string&) { return false; });
    EXPECT_EQ(refused.failure, Failure::kMalformed);
    EXPECT_EQ(server.targets().size(), 3u);
}

TEST(RequestFrame, AStallingServerIsCutByTheTimeOutOnEveryAttempt) {
    CannedServer server;
    server.stall("/slow");
    const std::string url = "http://" + server.host() + "/slow";
    EXPECT_EQ(RequestFrame(server.host(), quick()).send(url, Repeat::kBounded), "");
    EXPECT_EQ(server.targets().size(), 3u);
}

// A listening socket whose queue is full: further connects hang in the handshake, as they do
// toward a host that drops packets.
class StalledListener {
public:
    StalledListener() {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 0);
        socklen_t length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        // Connect until one does not complete: from then on the queue drops handshakes.
        for (int i = 0; i < 16; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            m_fillers.push_back(fd);
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            pollfd wait{fd, POLLOUT, 0};
            if (::poll(&wait, 1, 200) == 0)
                break;
        }
    }
    ~StalledListener() {
        for (const int fd : m_fillers)
            ::close(fd);
        ::close(m_listener);
    }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    int m_listener = -1;
    int m_port = 0;
    std::vector<int> m_fillers;
};

TEST(RequestFrame, AStopEndsAStalledConnectAtOnceAndRefusesNewRequests) {
    StalledListener stalled;
    ServiceConfig config;
    config.apiHost = stalled.host();
    ServiceClient client(config, "/nonexistent/");  // the real limits: 3 s per connect
    auto listing = std::async(std::launch::async, [&] {
        return client.fetchListing({ListingKind::kFolder, "1", "T", "name", "0", "0", {}});
    });
    ASSERT_EQ(listing.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout)
        << "the connect did not stall";
    const auto stopped = std::chrono::steady_clock::now();
    client.stopRequests();
    const auto result = listing.get();
    const auto took = std::chrono::steady_clock::now() - stopped;
    EXPECT_EQ(result.failure, Failure::kStopped);
    // Without the stop it would wait 3 s for each of three attempts.
    EXPECT_LT(took, std::chrono::milliseconds(2500));
    std::printf("stop during a stalled connect returned after %lld ms\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));

    EXPECT_EQ(client.signIn("a", "b").failure, Failure::kStopped);
}

// With the real limits a stalled attempt ends by itself (the 3 s total time-out).
class FrameOnService : public ServiceTest {};

TEST_F(FrameOnService, FolderMoveFailsAfterOneCutAttempt) {
    m_server.stall("/fileservice.asmx/FolderMove");
    EXPECT_EQ(client().FolderMove("u", "t", "5", "0"), 0);
    EXPECT_EQ(sent("/fileservice.asmx/FolderMove").size(), 1u);
}

// A sync round's listing of a whole tree is given a minute to come; the round's own stop (the
// user signing out) ends the wait at once, and nothing else of the client stops with it.
TEST_F(FrameOnService, AStalledTreeListingEndsWithItsCallersStop) {
    const std::string kTree = "/UserService.asmx/GetFilesWhitPath";
    m_server.stall(kTree);
    m_server.answer("/fileservice.asmx/FolderMove", "<root><result>1</result></root>");
    ServiceClient& service = client();
    std::atomic<bool> stop{false};
    auto listing =
        std::async(std::launch::async, [&] { return service.treeBelow("u", "t", "3", &stop); });
    ASSERT_TRUE(m_server.waitForRequests(kTree, 1));
    stop = true;
    ASSERT_EQ(listing.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(listing.get().failure, Failure::kStopped);
    EXPECT_EQ(sent(kTree).size(), 1u);
    EXPECT_EQ(service.FolderMove("u", "t", "5", "0"), 1);
}

TEST_F(FrameOnService, EveryValueArrivesWholeAndIsSignedAsTheServiceDecodesIt) {
    // '&', '=', '%', '#', quotes, space, UTF-8 and control bytes as %XX: no value can end early
    // or add a parameter, and the sign covers the values themselves.
    m_server.answer("/fileservice.asmx/FileShare", accepted());
    const std::string description = "说明 a&b=%41\"#\x01";
    EXPECT_EQ(client().FileShare("u", "t", "7", "p&w", "5", description), "1");
    const std::string target = m_server.lastTarget();
    EXPECT_EQ(target,
              "/fileservice.asmx/FileShare?uid=u&token=t&fids=7&downpwd=p%26w&downValue=5"
              "&description=%E8%AF%B4%E6%98%8E%20a%26b%3D%2541%22%23%01&sign=" +
                  md5Hex("ut7p&w5" + description));
}

}  // namespace
}  // namespace nubexa::test
