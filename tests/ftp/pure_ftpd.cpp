#include "pure_ftpd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace nubexa::test {

namespace {

// The uid and gid the server runs a session as; its files belong to them.
constexpr unsigned kNobody = 65534;

// "openssl passwd -6 -salt nubexa.tests secret": a SHA-512 crypt hash checks in milliseconds,
// where pure-pw's default argon2 takes seconds per login.
constexpr const char* kPasswordHash =
    "$6$nubexa.tests$InEUopADMUhELRY1Z5ktUgHZ1MXxlKAZokAvAKo7piMlSe43M0lWxFC51tlMeHqN9sLrGnvqn8k"
    "4UM68Zchmq0";

std::uint16_t freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

// The server on `port` greets with `token`: ours, not one that took the port after we let it go.
bool greetsWith(std::uint16_t port, const std::string& token) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    timeval limit{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::string greeting;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        char block[512];
        // The greeting ends with its "220 " line.
        while (greeting.size() < 8192 && greeting.find("\n220 ") == std::string::npos) {
            const ssize_t got = ::recv(fd, block, sizeof block, 0);
            if (got <= 0)
                break;
            greeting.append(block, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return greeting.find(token) != std::string::npos;
}

}  // namespace

PureFtpd::PureFtpd(std::string tls) : m_tls(std::move(tls)) {
    if (::geteuid() != 0) {
        m_problem = "pure-ftpd needs root to run its sessions as a virtual user";
        return;
    }
    const std::string home = m_dir.file("home");
    std::filesystem::create_directories(home);
    if (::chown(home.c_str(), kNobody, kNobody) != 0) {
        m_problem = "cannot hand the home folder to the virtual user";
        return;
    }
    {
        std::ofstream users(m_dir.file("users"));
        users << kUser << ':' << kPasswordHash << ':' << kNobody << ':' << kNobody << "::" << home
              << "/./::::::::::::\n";
    }
    if (runProgram({"pure-pw", "mkdb", m_dir.file("users.pdb"), "-f", m_dir.file("users")},
                   std::chrono::seconds(20)) != 0) {
        m_problem = "pure-pw mkdb failed";
        return;
    }
    // pure-ftpd greets with a line of its "fortune" file: a mark of this instance.
    std::mt19937_64 random(std::random_device{}());
    m_token = "nubexa-test-server-" + std::to_string(random());
    writeFile(m_dir.file("greeting"), m_token + "\n%\n");
    for (int attempt = 0; attempt < 5 && !m_ready; ++attempt)
        m_ready = tryStart();
    if (!m_ready)
        m_problem = "pure-ftpd did not start (see " + m_dir.file("server.log") + ")";
}

bool PureFtpd::tryStart() {
    m_port = freeLoopbackPort();
    // Passive ports: a random range, so that servers of tests running side by side rarely meet.
    std::mt19937 random(std::random_device{}());
    const unsigned low = 20000 + random() % 30000;
    std::vector<std::string> argv = {"pure-ftpd",
                                     "-S",
                                     "127.0.0.1," + std::to_string(m_port),
                                     "-p",
                                     std::to_string(low) + ":" + std::to_string(low + 200),
                                     "-l",
                                     "puredb:" + m_dir.file("users.pdb"),
                                     "-F",
                                     m_dir.file("greeting"),
                                     "-E",
                                     "-A",
                                     "-H",
                                     "-c",
                                     "50",
                                     "-C",
                                     "50"};
    if (!m_tls.empty())
        argv.insert(argv.end(), {"-Y", "2", "-2", m_tls});
    if (!m_server.start(argv, m_dir.file("server.log"))) {
        return false;
    }
    return waitUntilServing(
        m_server, [this] { return greetsWith(m_port, m_token); }, std::chrono::seconds(5));
}

PureFtpd::~PureFtpd() {
    stopGroup(m_server);
}

std::string PureFtpd::path(const std::string& name) const {
    return m_dir.file("home/" + name);
}

void PureFtpd::putFile(const std::string& name, const std::string& bytes) const {
    const std::string file = path(name);
    writeFile(file, bytes);
    [[maybe_unused]] const int ignored = ::chown(file.c_str(), kNobody, kNobody);
}

std::string PureFtpd::url(const std::string& name) const {
    return std::string("ftp://") + kUser + ":" + kPassword +
           "@127.0.0.1:" + std::to_string(m_port) + "/" + name;
}

bool sameContent(const std::string& a, const std::string& b) {
    std::ifstream left(a, std::ios::binary);
    std::ifstream right(b, std::ios::binary);
    if (!left || !right)
        return false;
    std::vector<char> x(1 << 20);
    std::vector<char> y(1 << 20);
    for (;;) {
        left.read(x.data(), static_cast<std::streamsize>(x.size()));
        right.read(y.data(), static_cast<std::streamsize>(y.size()));
        if (left.gcount() != right.gcount() ||
            !std::equal(x.begin(), x.begin() + left.gcount(), y.begin()))
            return false;
        if (left.gcount() == 0)
            return true;
    }
}

}  // namespace nubexa::test
