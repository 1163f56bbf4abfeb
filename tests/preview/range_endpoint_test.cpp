// The player's range endpoint against the stand-in: ranges byte for byte (the middle, open to
// the end, the last bytes, a seek), HEAD, 416, a wrong token, a malformed request, only
// loopback listening, an end that joins a request still in flight, and one sign-in serving
// range after range, a dropped one included.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <ace/Log_Msg.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/notifier.h"
#include "preview/http_range.h"
#include "session/client_session.h"
#include "standin/demo/sample_content.h"
#include "standin/standin_service.h"
#include "support/temp_dir.h"

namespace nubexa::test {
namespace {

using Clock = std::chrono::steady_clock;

struct HttpAnswer {
    int status = -1;
    std::map<std::string, std::string> fields;  // names in lower case
    std::string body;
};

int connectTo(const char* host, std::uint16_t port) {
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ::inet_pton(AF_INET, host, &address.sin_addr);
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}

// Reads until the server closes (every answer is Connection: close), within 20 s.
std::string readToEnd(int socket) {
    std::string text;
    char buffer[65536];
    const auto limit = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < limit) {
        pollfd wait{socket, POLLIN, 0};
        if (::poll(&wait, 1, 200) <= 0)
            continue;
        const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

HttpAnswer parseAnswer(const std::string& text) {
    HttpAnswer answer;
    const auto end = text.find("\r\n\r\n");
    if (text.size() < 12 || end == std::string::npos)
        return answer;
    answer.status = std::stoi(text.substr(9, 3));
    std::size_t at = text.find("\r\n") + 2;
    while (at < end) {
        const auto lineEnd = text.find("\r\n", at);
        const std::string line = text.substr(at, lineEnd - at);
        const auto colon = line.find(':');
        std::string name = line.substr(0, colon);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        answer.fields[name] = line.substr(line.find_first_not_of(' ', colon + 1));
        at = lineEnd + 2;
    }
    answer.body = text.substr(end + 4);
    return answer;
}

HttpAnswer request(std::uint16_t port, const std::string& head) {
    const int socket = connectTo("127.0.0.1", port);
    if (socket < 0)
        return {};
    ::send(socket, head.data(), head.size(), MSG_NOSIGNAL);
    const std::string text = readToEnd(socket);
    ::close(socket);
    return parseAnswer(text);
}

HttpAnswer get(std::uint16_t port, const std::string& path, const std::string& range = {},
               const std::string& method = "GET") {
    std::string head = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!range.empty())
        head += "Range: " + range + "\r\n";
    return request(port, head + "\r\n");
}

// A player's request whose first bytes came: its socket, still open, and those bytes; -1
// when nothing came within 10 s.
std::pair<int, std::string> firstBytesOf(std::uint16_t port, const std::string& head) {
    const int player = connectTo("127.0.0.1", port);
    if (player < 0)
        return {-1, {}};
    ::send(player, head.data(), head.size(), MSG_NOSIGNAL);
    char first[64];
    pollfd wait{player, POLLIN, 0};
    const ssize_t got = ::poll(&wait, 1, 10000) > 0 ? ::recv(player, first, sizeof first, 0) : -1;
    if (got <= 0) {
        ::close(player);
        return {-1, {}};
    }
    return {player, std::string(first, static_cast<std::size_t>(got))};
}

// An IPv4 address of this machine that is not loopback, when it has one.
std::string outsideAddress() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return {};
    std::string found;
    for (ifaddrs* entry = list; entry != nullptr && found.empty(); entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if ((ntohl(address->sin_addr.s_addr) >> 24) == 127)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
        found = text;
    }
    ::freeifaddrs(list);
    return found;
}

// The stand-in (its demo data, in clear text or over TLS with its own authority) and a session
// signed in to it with transfers started, the way the desktop client holds one.
class SignedInStandin {
public:
    explicit SignedInStandin(const std::string& folder, bool tls = false) {
        ACE_Log_Msg::instance()->priority_mask(0, ACE_Log_Msg::PROCESS);
        standin::ServiceOptions options;
        options.dataFolder = folder + "/data";
        options.httpHost = "127.0.0.1";
        options.httpPort = 0;
        options.ftp.port = 0;
        options.seedDemo = true;
        options.tlsSelfSigned = tls;
        options.logSink = [signIns = m_signIns](const std::string& line) {
            if (line.find(" USER ") != std::string::npos)
                ++*signIns;
        };
        m_service = std::make_unique<standin::StandinService>(options);
        if (const auto started = m_service->start(); !started.ok) {
            ADD_FAILURE() << started.message;
            return;
        }
        SessionConfig config;
        config.databasePath = folder + "/bin.db";
        config.programFolder = folder + "/";
        config.service.apiHost = std::string(tls ? "https://localhost:" : "127.0.0.1:") +
                                 std::to_string(m_service->httpPort());
        if (tls) {
            config.service.caFile = m_service->tlsAuthority();
            config.service.ftpTls = FtpTls::kRequire;
        }
        session = std::make_unique<ClientSession>(config, m_notifier);
        PasswordSignIn signIn;
        signIn.account = "demo";
        signIn.password = "demo123";
        if (!session->signIn(signIn).ok()) {
            ADD_FAILURE() << "the demo user did not sign in";
            return;
        }
        TransferSettings settings;
        settings.programFolder = folder + "/";
        settings.ftp.trace = nullptr;
        settings.startAtOnce = false;
        session->startTransfers(settings, m_view);
    }
    ~SignedInStandin() {
        session.reset();
        if (m_service)
            m_service->stop();
    }

    // The demo's projects/data.bin: 1 MiB of noise.
    MediaFile noiseFile() {
        if (!session)
            return {};
        const auto top = session->list(ListingKind::kFolder, "0");
        std::string projects;
        if (top.tables)
            for (const auto& folder : listedEntries(top.tables->disk_folders))
                if (folder.name == "projects")
                    projects = folder.id;
        const auto listed = session->list(ListingKind::kFolder, projects);
        if (listed.tables)
            for (const auto& file : listedEntries(listed.tables->disk_files))
                if (file.name == "data" && file.ext == ".bin")
                    return {file.id + file.ext, std::stoll(file.size), "video/mp4"};
        return {};
    }
    static std::string noise() { return standin::makeNoise(1 << 20, 20240601); }
    // Sign-ins at the file server so far.
    int signIns() const { return *m_signIns; }

    std::unique_ptr<ClientSession> session;

private:
    std::shared_ptr<std::atomic<int>> m_signIns = std::make_shared<std::atomic<int>>(0);
    std::unique_ptr<standin::StandinService> m_service;
    RecordingNotifier m_notifier;
    NoTransferView m_view;
};

std::uint16_t portOf(const std::string& url) {
    const auto colon = url.rfind(':');
    return static_cast<std::uint16_t>(std::stoi(url.substr(colon + 1)));
}

std::string pathOf(const std::string& url) {
    return url.substr(url.find('/', 7));
}

class RangeEndpointTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_file = m_world.noiseFile();
        ASSERT_EQ(m_file.size, 1 << 20);
    }

    std::unique_ptr<MediaStream> open() {
        std::string problem;
        auto stream = m_world.session->openMediaStream(m_file, problem);
        EXPECT_TRUE(stream) << problem;
        return stream;
    }

    TempDir m_dir;
    SignedInStandin m_world{m_dir.path()};
    MediaFile m_file;
    const std::string m_bytes = SignedInStandin::noise();
};

TEST_F(RangeEndpointTest, RangesArriveByteForByteAndASeekIsANewRange) {
    const auto stream = open();
    ASSERT_TRUE(stream);
    const std::string url = stream->url();
    ASSERT_EQ(url.rfind("http://127.0.0.1:", 0), 0u);
    const std::uint16_t port = portOf(url);
    const std::string path = pathOf(url);

    HttpAnswer middle = get(port, path, "bytes=300000-399999");
    EXPECT_EQ(middle.status, 206);
    EXPECT_EQ(middle.fields["content-range"], "bytes 300000-399999/1048576");
    EXPECT_EQ(middle.fields["content-length"], "100000");
    EXPECT_EQ(middle.fields["content-type"], "video/mp4");
    EXPECT_TRUE(middle.body == m_bytes.substr(300000, 100000));

    // Open to the end, and past the end (cut to the file), and the last bytes.
    HttpAnswer tail = get(port, path + "/data.bin", "bytes=1048000-");
    EXPECT_EQ(tail.status, 206);
    EXPECT_EQ(tail.fields["content-range"], "bytes 1048000-1048575/1048576");
    EXPECT_TRUE(tail.body == m_bytes.substr(1048000));
    HttpAnswer past = get(port, path, "bytes=1048570-2000000");
    EXPECT_EQ(past.fields["content-range"], "bytes 1048570-1048575/1048576");
    EXPECT_TRUE(past.body == m_bytes.substr(1048570));
    HttpAnswer last = get(port, path, "bytes=-10");
    EXPECT_TRUE(last.body == m_bytes.substr(1048576 - 10));

    // A seek back: the next range starts where the player now is.
    HttpAnswer back = get(port, path, "bytes=7-16");
    EXPECT_EQ(back.status, 206);
    EXPECT_TRUE(back.body == m_bytes.substr(7, 10));

    HttpAnswer head = get(port, path, "", "HEAD");
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.fields["content-length"], "1048576");
    EXPECT_EQ(head.fields["accept-ranges"], "bytes");
    EXPECT_TRUE(head.body.empty());

    HttpAnswer whole = get(port, path);
    EXPECT_EQ(whole.status, 200);
    EXPECT_TRUE(whole.body == m_bytes);
    // One range after the other: the two sign-ins begun as the stream opened serve them all.
    EXPECT_EQ(m_world.signIns(), 2);

    // A player that drops a range after its first bytes (a seek): the transfer it cut leaves
    // nothing behind on the kept connection for the next range.
    const auto [player, first] =
        firstBytesOf(port, "GET " + path + " HTTP/1.1\r\nRange: bytes=1000-\r\n\r\n");
    ASSERT_GE(player, 0);
    ::close(player);
    HttpAnswer after = get(port, path, "bytes=500000-500999");
    EXPECT_EQ(after.status, 206);
    EXPECT_TRUE(after.body == m_bytes.substr(500000, 1000));
}

TEST_F(RangeEndpointTest, WrongTokensRangesAndRequestsAreRefused) {
    const auto stream = open();
    ASSERT_TRUE(stream);
    const std::uint16_t port = portOf(stream->url());
    const std::string path = pathOf(stream->url());
    std::string wrong = path;
    wrong.back() = wrong.back() == '0' ? '1' : '0';

    EXPECT_EQ(get(port, wrong, "bytes=0-9").status, 404);
    EXPECT_EQ(get(port, path + "x").status, 404);
    EXPECT_EQ(get(port, "/").status, 404);
    HttpAnswer beyond = get(port, path, "bytes=1048576-");
    EXPECT_EQ(beyond.status, 416);
    EXPECT_EQ(beyond.fields["content-range"], "bytes */1048576");
    EXPECT_TRUE(beyond.body.empty());
    EXPECT_EQ(get(port, path, "bytes=-0").status, 416);
    EXPECT_EQ(get(port, path, "", "POST").status, 405);
    EXPECT_EQ(request(port, "GET " + path + "\r\n\r\n").status, 400);
    EXPECT_EQ(
        request(port, "GET " + path + " HTTP/1.1\r\nRange: bytes=0-1\r\nRange: bytes=2-3\r\n\r\n")
            .status,
        400);
    // Another stream of the same file has a token of its own.
    const auto other = open();
    ASSERT_TRUE(other);
    EXPECT_NE(pathOf(other->url()), path);
    EXPECT_EQ(get(port, pathOf(other->url())).status, 404);
}

TEST_F(RangeEndpointTest, OnlyLoopbackListensAndTheEndJoinsARequestInFlight) {
    auto stream = open();
    ASSERT_TRUE(stream);
    const std::uint16_t port = portOf(stream->url());
    const std::string path = pathOf(stream->url());
    // Another loopback address reaches it; the machine's own outside address does not.
    const int loopback = connectTo("127.0.0.1", port);
    EXPECT_GE(loopback, 0);
    ::close(loopback);
    if (const std::string outside = outsideAddress(); !outside.empty()) {
        EXPECT_LT(connectTo(outside.c_str(), port), 0) << outside;
    }

    // A player that reads the start of the whole file and then stalls.
    const auto [player, first] = firstBytesOf(port, "GET " + path + " HTTP/1.1\r\n\r\n");
    ASSERT_GE(player, 0);
    stream.reset();  // joins its threads, the stalled request's included
    EXPECT_LT(connectTo("127.0.0.1", port), 0);
    // Whatever came is the start of the answer, and then the connection closed.
    const HttpAnswer answer = parseAnswer(first + readToEnd(player));
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.body, m_bytes.substr(0, answer.body.size()));
    ::close(player);
}

// A player left open when the transfers end (signing out, leaving): the session ends its
// stream first, so that no range is read through a manager that is gone; the stream's owner
// destroys it later.
TEST_F(RangeEndpointTest, EndingTheTransfersEndsTheStreamsStillOpen) {
    auto stream = open();
    ASSERT_TRUE(stream);
    const std::uint16_t port = portOf(stream->url());
    const std::string path = pathOf(stream->url());
    EXPECT_EQ(get(port, path, "bytes=0-9").status, 206);
    m_world.session->endTransfers();
    EXPECT_LT(connectTo("127.0.0.1", port), 0);
    stream.reset();
}

// Hears one fetched file.
class OneFile : public RemoteFileListener {
public:
    void remoteFileFetched(const RemoteFileResult& result) override {
        std::lock_guard lock(m_mutex);
        m_result = result;
        m_arrived.notify_all();
    }
    std::optional<RemoteFileResult> wait() {
        std::unique_lock lock(m_mutex);
        m_arrived.wait_for(lock, std::chrono::seconds(20), [&] { return m_result.has_value(); });
        return m_result;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::optional<RemoteFileResult> m_result;
};

// The file server required to use TLS (certificates of the stand-in's own authority, verified):
// a small file fetched whole and a range played both arrive over it.
TEST(PreviewOverTls, FetchesAndRangesTravelEncrypted) {
    TempDir dir;
    SignedInStandin world(dir.path(), true);
    const MediaFile file = world.noiseFile();
    ASSERT_EQ(file.size, 1 << 20);
    const std::string bytes = SignedInStandin::noise();

    OneFile heard;
    world.session->fetchRemoteFile({"noise", file.remoteName, file.size}, heard);
    const auto fetched = heard.wait();
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->outcome, RemoteFileResult::Outcome::kFetched) << fetched->problem;
    EXPECT_TRUE(fetched->bytes == bytes);
    world.session->forgetRemoteFileListener(heard);

    std::string problem;
    const auto stream = world.session->openMediaStream(file, problem);
    ASSERT_TRUE(stream) << problem;
    HttpAnswer range = get(portOf(stream->url()), pathOf(stream->url()), "bytes=65536-131071");
    EXPECT_EQ(range.status, 206);
    EXPECT_TRUE(range.body == bytes.substr(65536, 65536));
}

TEST(HttpRangeTest, RangeFieldsAreReadAsTheStandardSays) {
    using Kind = RangeChoice::Kind;
    struct Case {
        const char* field;
        Kind kind;
        std::int64_t first;
        std::int64_t last;
    };
    const Case cases[] = {
        {"bytes=0-99", Kind::kPart, 0, 99},
        {"bytes=900-", Kind::kPart, 900, 999},
        {"bytes=-100", Kind::kPart, 900, 999},
        {"bytes=-5000", Kind::kPart, 0, 999},
        {"bytes=990-5000", Kind::kPart, 990, 999},
        {"BYTES = 1-2", Kind::kPart, 1, 2},
        {"bytes=1000-", Kind::kUnsatisfiable, 0, 0},
        {"bytes=-0", Kind::kUnsatisfiable, 0, 0},
        {"bytes=5-2", Kind::kWhole, 0, 999},
        {"bytes=0-1,5-6", Kind::kWhole, 0, 999},
        {"items=0-1", Kind::kWhole, 0, 999},
        {"bytes=x-1", Kind::kWhole, 0, 999},
        {"bytes=-", Kind::kWhole, 0, 999},
        {"bytes=99999999999999999999-", Kind::kWhole, 0, 999},
    };
    for (const Case& c : cases) {
        const RangeChoice choice = chooseRange(std::string(c.field), 1000);
        EXPECT_EQ(choice.kind, c.kind) << c.field;
        if (c.kind != Kind::kUnsatisfiable) {
            EXPECT_EQ(choice.first, c.first) << c.field;
            EXPECT_EQ(choice.last, c.last) << c.field;
        }
    }
    EXPECT_EQ(chooseRange(std::nullopt, 0).length(), 0);
    EXPECT_EQ(chooseRange(std::string("bytes=0-"), 0).kind, Kind::kUnsatisfiable);
    EXPECT_FALSE(parseRequestHead("GET / HTTP/1.1\r\nno colon\r\n\r\n"));
    EXPECT_FALSE(parseRequestHead("GET / HTTP/1.1\r\nRange: bytes=0-1\r\n"));
    EXPECT_FALSE(parseRequestHead("GET  HTTP/1.1\r\n\r\n"));
}

}  // namespace
}  // namespace nubexa::test
