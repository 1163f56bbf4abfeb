#pragma once

#include <string>
#include <vector>

#include "standin/util/tls_certificates.h"
#include "support/temp_dir.h"

namespace nubexa::test {

// A local authority and host certificates made when the test runs (no key is committed): one
// that a client trusting authority() must accept for 127.0.0.1, and the three it must refuse.
class TestCertificates {
public:
    TestCertificates();

    const std::string& authority() const { return m_authority; }
    const standin::TlsFiles& trusted() const { return m_trusted; }
    const standin::TlsFiles& otherHost() const { return m_otherHost; }  // names other.example
    const standin::TlsFiles& expired() const { return m_expired; }
    const standin::TlsFiles& unknownAuthority() const { return m_unknown; }  // another authority

    // The refused kinds with a label, for loops over them.
    struct Refused {
        const char* label;
        const standin::TlsFiles* files;
    };
    std::vector<Refused> refused() const {
        return {{"other host", &m_otherHost}, {"expired", &m_expired}, {"unknown", &m_unknown}};
    }

private:
    TempDir m_dir;
    std::string m_authority;
    standin::TlsFiles m_trusted, m_otherHost, m_expired, m_unknown;
};

}  // namespace nubexa::test
