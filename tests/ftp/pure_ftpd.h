#pragma once

#include <cstdint>
#include <string>

#include "child_process.h"
#include "support/temp_dir.h"

namespace nubexa::test {

// pure-ftpd from Debian on a loopback port, with one virtual user whose home is a fresh
// temporary folder. Needs root (pure-ftpd changes to the user's identity); ready() is false
// with the reason in problem() otherwise. The object stops the server.
class PureFtpd {
public:
    static constexpr const char* kUser = "nubexa";
    static constexpr const char* kPassword = "secret";

    // With `tls` ("CERT.pem,KEY.pem") clear-text sessions are refused (-Y 2).
    explicit PureFtpd(std::string tls = {});
    ~PureFtpd();
    PureFtpd(const PureFtpd&) = delete;
    PureFtpd& operator=(const PureFtpd&) = delete;

    bool ready() const { return m_ready; }
    const std::string& problem() const { return m_problem; }
    std::uint16_t port() const { return m_port; }

    // A file in the user's home, by its path there.
    std::string path(const std::string& name) const;
    // Places a file in the user's home, owned by the user as if uploaded.
    void putFile(const std::string& name, const std::string& bytes) const;
    std::string url(const std::string& name) const;

private:
    bool tryStart();

    TempDir m_dir;
    std::string m_tls;
    ChildProcess m_server;
    std::uint16_t m_port = 0;
    std::string m_token;
    bool m_ready = false;
    std::string m_problem;
};

// Whether two files hold the same bytes.
bool sameContent(const std::string& a, const std::string& b);

}  // namespace nubexa::test
