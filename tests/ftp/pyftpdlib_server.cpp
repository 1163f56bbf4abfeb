#include "pyftpdlib_server.h"

#include <csignal>
#include <filesystem>
#include <thread>

namespace nubexa::test {

namespace {

// The server takes a free port itself and writes it to a file once it listens.
constexpr const char* kLauncher = R"(
import os, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
home, port_file, host, user, password, rest = sys.argv[1:7]
if rest == "norest":
    FTPHandler.proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k != "REST"}
users = DummyAuthorizer()
users.add_user(user, password, home, perm="elradfmwMT")
FTPHandler.authorizer = users
server = FTPServer((host, 0), FTPHandler)
with open(port_file + ".part", "w") as f:
    f.write(str(server.socket.getsockname()[1]))
os.rename(port_file + ".part", port_file)
server.serve_forever()
)";

}  // namespace

PyFtpdLib::PyFtpdLib(const std::string& host, bool refuseRest) {
    if (!std::filesystem::exists("/usr/lib/python3/dist-packages/pyftpdlib")) {
        m_problem = "python3-pyftpdlib is not installed (./run setup)";
        return;
    }
    std::filesystem::create_directories(path(""));
    const std::string portFile = m_dir.file("port");
    if (!m_server.start({"/usr/bin/python3", "-c", kLauncher, path(""), portFile, host, kUser,
                         kPassword, refuseRest ? "norest" : "rest"},
                        m_dir.file("server.log"))) {
        m_problem = "python3 did not start";
        return;
    }
    m_ready = waitUntil([&] { return std::filesystem::exists(portFile) || !m_server.running(); },
                        std::chrono::seconds(10));
    if (m_ready && std::filesystem::exists(portFile))
        m_port = static_cast<std::uint16_t>(std::stoi(readFile(portFile)));
    m_ready = m_port != 0;
    if (!m_ready)
        m_problem = "pyftpdlib did not start: " + readFile(m_dir.file("server.log"));
}

PyFtpdLib::~PyFtpdLib() {
    m_server.signalGroup(SIGTERM);
    if (!m_server.wait(std::chrono::seconds(5))) {
        m_server.signalGroup(SIGKILL);
        m_server.wait(std::chrono::seconds(5));
    }
}

}  // namespace nubexa::test
