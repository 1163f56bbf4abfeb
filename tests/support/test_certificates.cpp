#include "support/test_certificates.h"

#include <gtest/gtest.h>

namespace nubexa::test {

namespace {

standin::TlsFiles issue(const standin::LocalAuthority& authority, const TempDir& dir,
                        const std::string& name, standin::LocalAuthority::HostRequest request) {
    standin::TlsFiles files;
    files.certificate = dir.file(name + ".pem");
    files.key = dir.file(name + "-key.pem");
    std::string error;
    EXPECT_TRUE(authority.issue(request, files.certificate, files.key, error)) << error;
    return files;
}

}  // namespace

TestCertificates::TestCertificates() {
    std::string error;
    const auto authority = standin::LocalAuthority::create("Nubexa test authority", error);
    const auto stranger = standin::LocalAuthority::create("Nubexa test authority", error);
    if (!authority || !stranger) {
        ADD_FAILURE() << error;
        return;
    }
    m_authority = m_dir.file("ca.pem");
    EXPECT_TRUE(authority->save(m_authority, m_dir.file("ca-key.pem"), error)) << error;
    standin::LocalAuthority::HostRequest loopback;
    loopback.names = {"localhost", "127.0.0.1"};
    m_trusted = issue(*authority, m_dir, "trusted", loopback);
    m_unknown = issue(*stranger, m_dir, "unknown", loopback);
    standin::LocalAuthority::HostRequest other;
    other.names = {"other.example"};
    m_otherHost = issue(*authority, m_dir, "other", other);
    standin::LocalAuthority::HostRequest old = loopback;
    old.validFrom = std::chrono::hours(-48);
    old.validUntil = std::chrono::hours(-24);
    m_expired = issue(*authority, m_dir, "expired", old);
}

}  // namespace nubexa::test
