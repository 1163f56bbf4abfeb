#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace nubexa {

// The file servers that signed in over TLS before, kept in one file of the data folder (one
// "host port" a line, readable by the user only): a server that offered TLS once and answers
// AUTH TLS with a refusal later is refused, not used in clear text. Read at each check, so that
// the desktop client and nubexa-cli share what either learned. Any thread.
class EncryptedHosts {
public:
    explicit EncryptedHosts(std::string filePath) : m_filePath(std::move(filePath)) {}

    bool wasEncrypted(const std::string& host, std::uint16_t port) const;
    void rememberEncrypted(const std::string& host, std::uint16_t port);

    const std::string& filePath() const { return m_filePath; }

private:
    const std::string m_filePath;
    mutable std::mutex m_mutex;
};

}  // namespace nubexa
