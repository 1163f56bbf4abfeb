#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "service/service_config.h"
#include "service/transport_security.h"
#include "support/temp_dir.h"

namespace nubexa::test {
namespace {

TEST(ServiceConfig, DefaultsPointAtTheLocalStandIn) {
    TempDir dir;
    std::ostringstream errors;
    const ServiceConfig config = ServiceConfig::load(dir.file("missing.ini"), errors);
    EXPECT_EQ(config.apiHost, "127.0.0.1:18080");
    EXPECT_EQ(config.webHost, "127.0.0.1:18080");
    EXPECT_EQ(config.aboutHost, "127.0.0.1:18080");
    EXPECT_EQ(config.directLinkPrefix, "http://127.0.0.1:18080/d/");
    EXPECT_EQ(errors.str(), "");
}

TEST(ServiceConfig, ReadsTheServiceSectionAndReportsEachBadLineOnce) {
    TempDir dir;
    writeFile(dir.file("nubexa.ini"),
              "; comment\n"
              "[other]\n"
              "api_host = elsewhere:1\n"
              "[service]\n"
              "api_host = api.example.com:8080\n"
              "web_host=web.example.com\r\n"
              "community_host = [::1]:9000\n"
              "resource_host = bad host\n"
              "webhost_host = h:0\n"
              "about_host = evil.com/path?x=\n"
              "direct_link_prefix = http://d.example.com/l/\n"
              "no equals sign\n"
              "colour = blue\n"
              "[broken\n");
    std::ostringstream errors;
    const ServiceConfig config = ServiceConfig::load(dir.file("nubexa.ini"), errors);
    EXPECT_EQ(config.apiHost, "api.example.com:8080");
    EXPECT_EQ(config.webHost, "web.example.com");
    EXPECT_EQ(config.communityHost, "[::1]:9000");
    EXPECT_EQ(config.resourceHost, "127.0.0.1:18080");
    EXPECT_EQ(config.webhostHost, "127.0.0.1:18080");
    EXPECT_EQ(config.aboutHost, "127.0.0.1:18080");
    EXPECT_EQ(config.directLinkPrefix, "http://d.example.com/l/");
    const std::string report = errors.str();
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 7) << report;
    EXPECT_NE(report.find(":2: unknown section"), std::string::npos) << report;
    EXPECT_NE(report.find(":8: not HOST or HOST:PORT"), std::string::npos) << report;
    EXPECT_NE(report.find(":13: unknown key"), std::string::npos) << report;
}

TEST(ServiceConfig, LoadDefaultReadsNubexaHome) {
    TempDir dir;
    writeFile(dir.file("nubexa.ini"), "[service]\napi_host=127.0.0.1:5\n");
    const char* previous = std::getenv("NUBEXA_HOME");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("NUBEXA_HOME", dir.path().c_str(), 1);
    const ServiceConfig config = ServiceConfig::loadDefault();
    if (previous != nullptr) {
        ::setenv("NUBEXA_HOME", saved.c_str(), 1);
    } else {
        ::unsetenv("NUBEXA_HOME");
    }
    EXPECT_EQ(config.apiHost, "127.0.0.1:5");
}

TEST(ServiceConfig, HostsAreHostOrHostAndPort) {
    for (const std::string good : {"a", "a.b-c", "1.2.3.4:65535", "[fe80::1]", "[::1]:1"})
        EXPECT_TRUE(isValidHost(good)) << good;
    for (const std::string bad :
         {"", ":80", "a:", "a:65536", "a:x", "a b", "u@h", "h/p", "[::1", "[]", "h?x", "h#x"})
        EXPECT_FALSE(isValidHost(bad)) << bad;
}

TEST(ServiceConfig, HostsMayCarryTheirSchemeAndFtpTlsFollowsTheApiUnlessSet) {
    TempDir dir;
    writeFile(dir.file("nubexa.ini"),
              "[service]\n"
              "api_host = HTTPS://api.example.com:8443\n"
              "web_host = http://web.example.com\n"
              "about_host = ftp://about.example.com\n"
              "ca_file = /home/me/my files/ca.pem\n");
    std::ostringstream errors;
    const ServiceConfig secure = ServiceConfig::load(dir.file("nubexa.ini"), errors);
    EXPECT_EQ(secure.apiHost, "HTTPS://api.example.com:8443");
    EXPECT_EQ(serviceOrigin(secure.apiHost), "https://api.example.com:8443");
    EXPECT_EQ(serviceOrigin(secure.webHost), "http://web.example.com");
    EXPECT_EQ(serviceOrigin(secure.aboutHost), "http://127.0.0.1:18080");
    EXPECT_EQ(secure.caFile, "/home/me/my files/ca.pem");
    // A password never goes in clear to a file server of a service reached over HTTPS.
    EXPECT_EQ(secure.ftpTls, FtpTls::kRequire);
    EXPECT_NE(errors.str().find(":4: not HOST or HOST:PORT"), std::string::npos) << errors.str();

    writeFile(dir.file("nubexa.ini"),
              "[service]\napi_host = https://a\nftp_tls = auto\nftp_tls = sometimes\n");
    EXPECT_EQ(ServiceConfig::load(dir.file("nubexa.ini"), errors).ftpTls, FtpTls::kAuto);
    EXPECT_NE(errors.str().find(":4: not require, auto or off"), std::string::npos);
    writeFile(dir.file("nubexa.ini"), "[service]\napi_host = a:1\n");
    EXPECT_EQ(ServiceConfig::load(dir.file("nubexa.ini"), errors).ftpTls, FtpTls::kOff);
}

TEST(TransportSecurity, TheLockNeedsBothRoadsAndTheWarningOnlyClearTextToAnotherMachine) {
    ServiceConfig config;
    config.apiHost = "https://api.example.com";
    config.ftpTls = FtpTls::kRequire;
    EXPECT_TRUE(transportSecurity(config).bothEncrypted());
    EXPECT_FALSE(clearTextLeavesThisMachine(config, "files.example.com"));
    config.ftpTls = FtpTls::kAuto;  // may end in clear text: no lock
    EXPECT_FALSE(transportSecurity(config).bothEncrypted());
    EXPECT_TRUE(clearTextLeavesThisMachine(config, "files.example.com"));
    EXPECT_FALSE(clearTextLeavesThisMachine(config, "127.0.0.1"));

    config.apiHost = "127.0.0.1:18080";
    EXPECT_FALSE(clearTextLeavesThisMachine(config, "localhost"));
    for (const std::string loopback : {"localhost:80", "127.0.0.2", "http://[::1]:9", "::1"})
        EXPECT_TRUE(isLoopbackHost(loopback)) << loopback;
    for (const std::string other : {"10.0.0.1", "[fe80::1]:21", "localhost.example", "1127.0.0.1"})
        EXPECT_FALSE(isLoopbackHost(other)) << other;
}

}  // namespace
}  // namespace nubexa::test
