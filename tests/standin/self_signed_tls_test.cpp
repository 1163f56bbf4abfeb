// --tls-self-signed: the local authority is made once and kept, the host certificate follows the
// public host, and a client that trusts the authority reaches the web side over HTTPS.
#include <gtest/gtest.h>

#include <httplib.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <sys/stat.h>

#include <cstdio>

#include "standin/standin_service.h"
#include "standin/util/tls_certificates.h"
#include "support/temp_dir.h"

namespace nubexa::test {
namespace {

bool certificateNames(const std::string& path, const std::string& host) {
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr)
        return false;
    X509* certificate = PEM_read_X509(file, nullptr, nullptr, nullptr);
    std::fclose(file);
    const bool named =
        certificate != nullptr && X509_check_host(certificate, host.c_str(), 0, 0, nullptr) == 1;
    X509_free(certificate);
    return named;
}

struct Started {
    std::string authority;
    std::string host;
};

Started startOnce(const TempDir& dir, const std::string& publicHost) {
    standin::ServiceOptions options;
    options.dataFolder = dir.file("data");
    options.httpPort = 0;
    options.ftp.port = 0;
    options.tlsSelfSigned = true;
    options.publicHost = publicHost;
    options.logSink = [](const std::string&) {};
    standin::StandinService service(options);
    const auto started = service.start();
    EXPECT_TRUE(started.ok) << started.message;
    if (!started.ok)
        return {};

    httplib::SSLClient client("127.0.0.1", service.httpPort());
    client.set_ca_cert_path(service.tlsAuthority().c_str());
    client.enable_server_certificate_verification(true);
    client.set_connection_timeout(5, 0);
    client.set_read_timeout(5, 0);
    const auto page = client.Get("/home");
    EXPECT_TRUE(page && page->status == 200) << "HTTPS with the printed authority";
    Started files{readFile(service.tlsAuthority()), readFile(dir.file("data/tls/host.pem"))};
    service.stop();
    return files;
}

TEST(SelfSignedTls, TheAuthorityIsMadeOnceAndTheHostCertificateFollowsThePublicHost) {
    TempDir dir;
    const Started first = startOnce(dir, "");
    ASSERT_FALSE(first.authority.empty());
    EXPECT_TRUE(certificateNames(dir.file("data/tls/host.pem"), "localhost"));

    const Started again = startOnce(dir, "");
    EXPECT_EQ(again.authority, first.authority);
    EXPECT_EQ(again.host, first.host);

    // A new public host gets a certificate of its own from the same authority, so clients that
    // already trust it go on working.
    const Started named = startOnce(dir, "nubexa.example");
    EXPECT_EQ(named.authority, first.authority);
    EXPECT_NE(named.host, first.host);
    EXPECT_TRUE(certificateNames(dir.file("data/tls/host.pem"), "nubexa.example"));
}

// A key issued again was written into the old file, which kept whatever mode it had.
TEST(SelfSignedTls, AKeyIssuedAgainIsTheOwnersAloneWhateverFileItReplaces) {
    TempDir dir;
    std::string error;
    const auto authority = standin::LocalAuthority::create("test authority", error);
    ASSERT_TRUE(authority) << error;
    for (const char* name : {"host.pem", "host-key.pem"}) {
        writeFile(dir.file(name), "an older file anyone could read");
        ::chmod(dir.file(name).c_str(), 0644);
    }
    ASSERT_TRUE(
        authority->issue({{"localhost"}}, dir.file("host.pem"), dir.file("host-key.pem"), error))
        << error;
    for (const char* name : {"host.pem", "host-key.pem"}) {
        struct stat info {};
        ASSERT_EQ(::stat(dir.file(name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
        EXPECT_NE(readFile(dir.file(name)).find("-----BEGIN"), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace nubexa::test
