#pragma once

#include <cstdint>
#include <string>

#include "child_process.h"
#include "standin/util/tls_certificates.h"
#include "support/temp_dir.h"

namespace nubexa::test {

// vsftpd, unpacked from its Debian package as the benchmark does (it conflicts with pure-ftpd
// as an installed package), on a loopback port with FTP over TLS required for sign-in and data
// and require_ssl_reuse on. Anonymous sign-in with a password; files live in pub/. Needs root
// and the program (NUBEXA_VSFTPD, or the benchmark's copy); ready() says why not otherwise.
class Vsftpd {
public:
    static constexpr const char* kUser = "anonymous";
    static constexpr const char* kPassword = "tests@nubexa";

    explicit Vsftpd(const standin::TlsFiles& tls);
    ~Vsftpd();
    Vsftpd(const Vsftpd&) = delete;
    Vsftpd& operator=(const Vsftpd&) = delete;

    bool ready() const { return m_ready; }
    const std::string& problem() const { return m_problem; }
    std::uint16_t port() const { return m_port; }

    // A file in pub/, by its name there; putFile makes it the server user's.
    std::string path(const std::string& name) const;
    void putFile(const std::string& name, const std::string& bytes) const;

private:
    bool tryStart(const std::string& program, const standin::TlsFiles& tls);

    TempDir m_dir;
    ChildProcess m_server;
    std::uint16_t m_port = 0;
    bool m_ready = false;
    std::string m_problem;
};

}  // namespace nubexa::test
