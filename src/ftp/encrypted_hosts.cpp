#include "ftp/encrypted_hosts.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ftp/ftp_options.h"

namespace nubexa {

namespace {

std::string lineOf(const std::string& host, std::uint16_t port) {
    return host + " " + std::to_string(port);
}

}  // namespace

std::shared_ptr<EncryptedHosts> encryptedHostsIn(const std::string& dataFolder) {
    // A bin.db named without a folder lies in the current one.
    const std::filesystem::path folder = dataFolder.empty() ? "." : dataFolder;
    return std::make_shared<EncryptedHosts>((folder / "ftp-encrypted-hosts").string());
}

bool EncryptedHosts::wasEncrypted(const std::string& host, std::uint16_t port) const {
    std::lock_guard lock(m_mutex);
    std::ifstream file(m_filePath);
    const std::string wanted = lineOf(host, port);
    for (std::string line; std::getline(file, line);) {
        if (line == wanted)
            return true;
    }
    return false;
}

void EncryptedHosts::rememberEncrypted(const std::string& host, std::uint16_t port) {
    if (host.find_first_of("\r\n") != std::string::npos || wasEncrypted(host, port))
        return;
    std::lock_guard lock(m_mutex);
    const int descriptor =
        ::open(m_filePath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return;
    // One write per line: appends of two processes never interleave within it.
    const std::string line = lineOf(host, port) + "\n";
    const ssize_t written = ::write(descriptor, line.data(), line.size());
    (void)written;
    ::close(descriptor);
}

}  // namespace nubexa
