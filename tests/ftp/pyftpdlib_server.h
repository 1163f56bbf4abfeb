#pragma once

#include <cstdint>
#include <string>

#include "child_process.h"
#include "support/temp_dir.h"

namespace nubexa::test {

// pyftpdlib from Debian on a loopback port (127.0.0.1 or ::1), one user whose home is a fresh
// temporary folder. A server that answers RETR and STOR with 125 when the data connection is
// already open, and offers EPSV. ready() is false with the reason in problem() when it cannot
// run. The object stops the server.
class PyFtpdLib {
public:
    static constexpr const char* kUser = "nubexa";
    static constexpr const char* kPassword = "secret";

    // `refuseRest`: REST is an unknown command (500), as on servers that cannot resume.
    explicit PyFtpdLib(const std::string& host = "127.0.0.1", bool refuseRest = false);
    ~PyFtpdLib();
    PyFtpdLib(const PyFtpdLib&) = delete;
    PyFtpdLib& operator=(const PyFtpdLib&) = delete;

    bool ready() const { return m_ready; }
    const std::string& problem() const { return m_problem; }
    std::uint16_t port() const { return m_port; }
    // A file in the user's home, by its path there.
    std::string path(const std::string& name) const { return m_dir.file("home/" + name); }

private:
    TempDir m_dir;
    ChildProcess m_server;
    std::uint16_t m_port = 0;
    bool m_ready = false;
    std::string m_problem;
};

}  // namespace nubexa::test
