#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace nubexa::standin {

// A small certificate authority of our own: the stand-in's --tls-self-signed and the tests
// make one, issue host certificates from it and hand its certificate to the client as the
// authority to trust. Keys are P-256; files are PEM, keys written owner-only.
class LocalAuthority {
public:
    // A new authority named `commonName`; null (with `error`) when OpenSSL fails.
    static std::unique_ptr<LocalAuthority> create(const std::string& commonName,
                                                  std::string& error);
    // The authority kept in certificatePath and keyPath.
    static std::unique_ptr<LocalAuthority> load(const std::string& certificatePath,
                                                const std::string& keyPath, std::string& error);
    ~LocalAuthority();
    LocalAuthority(const LocalAuthority&) = delete;
    LocalAuthority& operator=(const LocalAuthority&) = delete;

    bool save(const std::string& certificatePath, const std::string& keyPath,
              std::string& error) const;

    // What a host certificate says: the names it is valid for (numeric addresses become IP
    // entries, everything else DNS entries) and when, relative to now.
    struct HostRequest {
        std::vector<std::string> names;
        std::chrono::seconds validFrom{-3600};
        std::chrono::seconds validUntil{std::chrono::hours(24 * 825)};
    };
    bool issue(const HostRequest& request, const std::string& certificatePath,
               const std::string& keyPath, std::string& error) const;

private:
    struct Keys;
    explicit LocalAuthority(std::unique_ptr<Keys> keys);
    std::unique_ptr<Keys> m_keys;
};

// `what` and OpenSSL's reason for its last error, which is then cleared.
std::string openSslError(const std::string& what);

// The files the stand-in serves TLS with.
struct TlsFiles {
    std::string certificate;  // host certificate (PEM)
    std::string key;          // its private key (PEM)
    std::string authority;    // the local authority's certificate; empty with files of the user's
};

// tls/ca.pem, tls/ca-key.pem, tls/host.pem and tls/host-key.pem under `dataFolder` (ends with
// '/'): made at the first start, kept afterwards. The host certificate names localhost,
// 127.0.0.1, ::1 and `extraHost` (the public host) when given; a kept one that lacks
// `extraHost` is issued again from the kept authority.
bool ensureSelfSigned(const std::string& dataFolder, const std::string& extraHost, TlsFiles& files,
                      std::string& error);

}  // namespace nubexa::standin
