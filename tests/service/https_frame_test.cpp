// The web client over HTTPS: verified against a configured authority, refused with a clear
// message (and nothing sent) for every certificate it cannot verify.
#include <gtest/gtest.h>

#include <httplib.h>

#include <atomic>
#include <thread>

#include "service/service_client.h"
#include "support/test_certificates.h"

namespace nubexa::test {
namespace {

// An HTTPS server on loopback that signs anyone in and counts the requests that reached it.
class HttpsService {
public:
    explicit HttpsService(const standin::TlsFiles& files)
        : m_server(files.certificate.c_str(), files.key.c_str()) {
        m_server.Get("/OAuthService.asmx/Login", [this](const httplib::Request&,
                                                        httplib::Response& response) {
            ++requests;
            response.set_content(
                R"(<root><result>1</result><client uid="7" token="T" ftp_host="127.0.0.1")"
                R"( ftp_port="21"/></root>)",
                "text/xml");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        EXPECT_TRUE(waitUntil([this] { return m_server.is_running(); }));
    }
    ~HttpsService() {
        m_server.stop();
        m_thread.join();
    }
    std::string host() const { return "https://127.0.0.1:" + std::to_string(m_port); }

    std::atomic<int> requests{0};

private:
    httplib::SSLServer m_server;
    std::thread m_thread;
    int m_port = 0;
};

ServiceConfig configFor(const HttpsService& service, const std::string& caFile) {
    ServiceConfig config;
    config.apiHost = service.host();
    config.caFile = caFile;
    return config;
}

TEST(HttpsFrame, SignsInOverAVerifiedConnectionAndRefusesWhatCannotBeVerified) {
    TestCertificates certificates;
    {
        HttpsService service(certificates.trusted());
        ServiceClient client(configFor(service, certificates.authority()), "/nonexistent/");
        const auto signedIn = client.signIn("a", "b");
        EXPECT_TRUE(signedIn.ok()) << describeFailure(signedIn.failure);
        EXPECT_EQ(client.account().uid, "7");
        EXPECT_EQ(client.frame().certificateProblem(), "");

        // Our own authority is not in the system's store: without ca_file nothing is trusted.
        ServiceClient systemStore(configFor(service, ""), "/nonexistent/");
        EXPECT_EQ(systemStore.signIn("a", "b").failure, Failure::kUntrusted);
        EXPECT_EQ(service.requests.load(), 1);
    }
    for (const auto& refused : certificates.refused()) {
        HttpsService service(*refused.files);
        ServiceClient client(configFor(service, certificates.authority()), "/nonexistent/");
        const auto signedIn = client.signIn("a", "b");
        EXPECT_EQ(signedIn.failure, Failure::kUntrusted) << refused.label;
        EXPECT_TRUE(signedIn.networkFailed());
        EXPECT_EQ(client.account().uid, "") << refused.label;
        // Said once, naming the host, and never repeated: the password was not sent.
        const std::string problem = client.frame().certificateProblem();
        EXPECT_EQ(problem.rfind("证书无法验证：" + service.host() + "（", 0), 0u) << problem;
        EXPECT_EQ(service.requests.load(), 0) << refused.label;
    }
}

TEST(HttpsFrame, AnUnreadableAuthorityFileRefusesInsteadOfTrustingAnything) {
    TestCertificates certificates;
    HttpsService service(certificates.trusted());
    ServiceClient client(configFor(service, certificates.authority() + ".missing"),
                         "/nonexistent/");
    EXPECT_EQ(client.signIn("a", "b").failure, Failure::kUntrusted);
    EXPECT_EQ(service.requests.load(), 0);
}

}  // namespace
}  // namespace nubexa::test
