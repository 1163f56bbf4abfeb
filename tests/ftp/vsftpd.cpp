#include "vsftpd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace nubexa::test {

namespace {

bool greets(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval limit{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    char greeting[4] = {};
    const bool answered =
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::recv(fd, greeting, 3, MSG_WAITALL) == 3 && std::string(greeting) == "220";
    ::close(fd);
    return answered;
}

std::string findProgram() {
    if (const char* given = std::getenv("NUBEXA_VSFTPD"); given != nullptr && *given != '\0')
        return given;
    return NUBEXA_VSFTPD_DEFAULT;
}

// The system user the anonymous session runs as: "daemon" exists on every Debian.
constexpr const char* kSessionUser = "daemon";

}  // namespace

Vsftpd::Vsftpd(const standin::TlsFiles& tls) {
    const std::string program = findProgram();
    if (::access(program.c_str(), X_OK) != 0) {
        m_problem = "no vsftpd program at " + program + " (set NUBEXA_VSFTPD)";
        return;
    }
    const passwd* user = ::getpwnam(kSessionUser);
    if (::geteuid() != 0 || user == nullptr) {
        m_problem = "vsftpd needs root and the user daemon";
        return;
    }
    std::filesystem::create_directories(m_dir.file("root/pub"));
    std::filesystem::create_directories(m_dir.file("empty"));
    if (::chown(m_dir.file("root/pub").c_str(), user->pw_uid, user->pw_gid) != 0) {
        m_problem = "cannot hand pub/ to " + std::string(kSessionUser);
        return;
    }
    for (int attempt = 0; attempt < 5 && !m_ready; ++attempt)
        m_ready = tryStart(program, tls);
    if (!m_ready)
        m_problem = "vsftpd did not start (see " + m_dir.file("server.log") + ")";
}

bool Vsftpd::tryStart(const std::string& program, const standin::TlsFiles& tls) {
    std::mt19937 random(std::random_device{}());
    m_port = static_cast<std::uint16_t>(20000 + random() % 30000);
    const unsigned low = 20000 + random() % 30000;
    {
        std::ofstream config(m_dir.file("vsftpd.conf"));
        config << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << m_port
               << "\nbackground=NO\nanonymous_enable=YES\nlocal_enable=NO\nwrite_enable=YES\n"
                  "anon_upload_enable=YES\nanon_other_write_enable=YES\n"
                  "anon_world_readable_only=NO\nno_anon_password=NO\nanon_umask=022\n"
               << "anon_root=" << m_dir.file("root") << "\nftp_username=" << kSessionUser
               << "\npasv_min_port=" << low << "\npasv_max_port=" << low + 200
               << "\nsecure_chroot_dir=" << m_dir.file("empty")
               << "\nseccomp_sandbox=NO\nxferlog_enable=NO\n"
                  "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
                  "force_anon_data_ssl=YES\nrequire_ssl_reuse=YES\nssl_ciphers=HIGH\n"
               << "rsa_cert_file=" << tls.certificate << "\nrsa_private_key_file=" << tls.key
               << "\n";
    }
    if (!m_server.start({program, m_dir.file("vsftpd.conf")}, m_dir.file("server.log")))
        return false;
    return waitUntilServing(
        m_server, [this] { return greets(m_port); }, std::chrono::seconds(5));
}

Vsftpd::~Vsftpd() {
    stopGroup(m_server);
}

std::string Vsftpd::path(const std::string& name) const {
    return m_dir.file("root/pub/" + name);
}

void Vsftpd::putFile(const std::string& name, const std::string& bytes) const {
    writeFile(path(name), bytes);
    if (const passwd* user = ::getpwnam(kSessionUser)) {
        [[maybe_unused]] const int ignored =
            ::chown(path(name).c_str(), user->pw_uid, user->pw_gid);
    }
}

}  // namespace nubexa::test
