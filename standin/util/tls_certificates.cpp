#include "standin/util/tls_certificates.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "standin/util/private_files.h"

namespace nubexa::standin {

// Outside the anonymous namespace: LocalAuthority::Keys holds them.
struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertFree {
    void operator()(X509* cert) const { X509_free(cert); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyFree>;
using CertPtr = std::unique_ptr<X509, CertFree>;

namespace {

bool isNumericAddress(const std::string& name) {
    unsigned char buffer[16];
    return inet_pton(AF_INET, name.c_str(), buffer) == 1 ||
           inet_pton(AF_INET6, name.c_str(), buffer) == 1;
}

bool addExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    if (extension == nullptr)
        return false;
    const bool added = X509_add_ext(cert, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

// A certificate for `subjectKey` named `commonName`, valid from/until (relative to now), with
// a random serial; signed later.
CertPtr newCertificate(EVP_PKEY* subjectKey, const std::string& commonName,
                       std::chrono::seconds from, std::chrono::seconds until) {
    CertPtr cert(X509_new());
    if (!cert)
        return nullptr;
    X509_set_version(cert.get(), 2);
    unsigned char serial[16];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7F;
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert.get()));
    BN_free(number);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), static_cast<long>(from.count()));
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), static_cast<long>(until.count()));
    X509_set_pubkey(cert.get(), subjectKey);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
    return cert;
}

KeyPtr newKey() {
    return KeyPtr(EVP_EC_gen("P-256"));
}

struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};

// Writes what `pem` puts into a memory buffer as a new owner-only file (see writePrivateFile:
// a key issued again never keeps the mode of the file it replaces).
template <typename WritePem>
bool writePem(const std::string& path, WritePem pem, std::string& error) {
    std::unique_ptr<BIO, BioFree> buffer(BIO_new(BIO_s_mem()));
    if (!buffer || !pem(buffer.get())) {
        error = openSslError("cannot write " + path);
        return false;
    }
    char* data = nullptr;
    const long size = BIO_get_mem_data(buffer.get(), &data);
    std::string text(data, static_cast<std::size_t>(size));
    const Outcome written = writePrivateFile(path, text);
    OPENSSL_cleanse(text.data(), text.size());
    if (!written)
        error = written.message;
    return written.ok;
}

bool writeKey(const std::string& path, EVP_PKEY* key, std::string& error) {
    return writePem(
        path,
        [key](BIO* out) {
            return PEM_write_bio_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
        },
        error);
}

bool writeCertificate(const std::string& path, X509* cert, std::string& error) {
    return writePem(
        path, [cert](BIO* out) { return PEM_write_bio_X509(out, cert) == 1; }, error);
}

CertPtr readCertificate(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr)
        return nullptr;
    CertPtr cert(PEM_read_X509(file, nullptr, nullptr, nullptr));
    std::fclose(file);
    return cert;
}

KeyPtr readKey(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr)
        return nullptr;
    KeyPtr key(PEM_read_PrivateKey(file, nullptr, nullptr, nullptr));
    std::fclose(file);
    return key;
}

bool certificateNames(const std::string& path, const std::string& name) {
    const CertPtr cert = readCertificate(path);
    if (!cert)
        return false;
    if (name.empty())
        return true;
    return isNumericAddress(name) ? X509_check_ip_asc(cert.get(), name.c_str(), 0) == 1
                                  : X509_check_host(cert.get(), name.c_str(), 0, 0, nullptr) == 1;
}

}  // namespace

std::string openSslError(const std::string& what) {
    const unsigned long code = ERR_get_error();
    char text[256] = "unknown error";
    if (code != 0)
        ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return what + ": " + text;
}

struct LocalAuthority::Keys {
    KeyPtr key;
    CertPtr certificate;
};

LocalAuthority::LocalAuthority(std::unique_ptr<Keys> keys) : m_keys(std::move(keys)) {}
LocalAuthority::~LocalAuthority() = default;

std::unique_ptr<LocalAuthority> LocalAuthority::create(const std::string& commonName,
                                                       std::string& error) {
    auto keys = std::make_unique<Keys>();
    keys->key = newKey();
    if (!keys->key) {
        error = openSslError("cannot make a key");
        return nullptr;
    }
    keys->certificate = newCertificate(keys->key.get(), commonName, std::chrono::hours(-1),
                                       std::chrono::hours(24 * 3650));
    X509* cert = keys->certificate.get();
    if (cert == nullptr || X509_set_issuer_name(cert, X509_get_subject_name(cert)) != 1 ||
        !addExtension(cert, cert, NID_basic_constraints, "critical,CA:TRUE,pathlen:0") ||
        !addExtension(cert, cert, NID_key_usage, "critical,keyCertSign,cRLSign") ||
        !addExtension(cert, cert, NID_subject_key_identifier, "hash") ||
        X509_sign(cert, keys->key.get(), EVP_sha256()) == 0) {
        error = openSslError("cannot make the authority's certificate");
        return nullptr;
    }
    return std::unique_ptr<LocalAuthority>(new LocalAuthority(std::move(keys)));
}

std::unique_ptr<LocalAuthority> LocalAuthority::load(const std::string& certificatePath,
                                                     const std::string& keyPath,
                                                     std::string& error) {
    auto keys = std::make_unique<Keys>();
    keys->certificate = readCertificate(certificatePath);
    keys->key = readKey(keyPath);
    if (!keys->certificate || !keys->key ||
        X509_check_private_key(keys->certificate.get(), keys->key.get()) != 1) {
        error = openSslError("cannot read the authority in " + certificatePath);
        return nullptr;
    }
    return std::unique_ptr<LocalAuthority>(new LocalAuthority(std::move(keys)));
}

bool LocalAuthority::save(const std::string& certificatePath, const std::string& keyPath,
                          std::string& error) const {
    return writeKey(keyPath, m_keys->key.get(), error) &&
           writeCertificate(certificatePath, m_keys->certificate.get(), error);
}

bool LocalAuthority::issue(const HostRequest& request, const std::string& certificatePath,
                           const std::string& keyPath, std::string& error) const {
    if (request.names.empty()) {
        error = "a host certificate needs a name";
        return false;
    }
    const KeyPtr key = newKey();
    if (!key) {
        error = openSslError("cannot make a key");
        return false;
    }
    const CertPtr cert =
        newCertificate(key.get(), request.names.front(), request.validFrom, request.validUntil);
    std::string alternatives;
    for (const auto& name : request.names) {
        if (!alternatives.empty())
            alternatives += ",";
        alternatives += (isNumericAddress(name) ? "IP:" : "DNS:") + name;
    }
    X509* issuer = m_keys->certificate.get();
    if (!cert || X509_set_issuer_name(cert.get(), X509_get_subject_name(issuer)) != 1 ||
        !addExtension(cert.get(), issuer, NID_basic_constraints, "critical,CA:FALSE") ||
        !addExtension(cert.get(), issuer, NID_key_usage, "critical,digitalSignature") ||
        !addExtension(cert.get(), issuer, NID_ext_key_usage, "serverAuth") ||
        !addExtension(cert.get(), issuer, NID_authority_key_identifier, "keyid:always") ||
        !addExtension(cert.get(), issuer, NID_subject_alt_name, alternatives) ||
        X509_sign(cert.get(), m_keys->key.get(), EVP_sha256()) == 0) {
        error = openSslError("cannot issue the host certificate");
        return false;
    }
    return writeKey(keyPath, key.get(), error) &&
           writeCertificate(certificatePath, cert.get(), error);
}

bool ensureSelfSigned(const std::string& dataFolder, const std::string& extraHost, TlsFiles& files,
                      std::string& error) {
    const std::string folder = dataFolder + "tls/";
    if (const Outcome made = makePrivateFolders(folder); !made) {
        error = made.message;
        return false;
    }
    files.authority = folder + "ca.pem";
    files.certificate = folder + "host.pem";
    files.key = folder + "host-key.pem";
    const std::string authorityKey = folder + "ca-key.pem";

    std::unique_ptr<LocalAuthority> authority;
    std::error_code missing;
    if (std::filesystem::exists(files.authority, missing)) {
        if (certificateNames(files.certificate, extraHost) &&
            std::filesystem::exists(files.key, missing)) {
            return true;
        }
        authority = LocalAuthority::load(files.authority, authorityKey, error);
    } else {
        authority = LocalAuthority::create("Nubexa local authority", error);
        if (authority && !authority->save(files.authority, authorityKey, error))
            authority.reset();
    }
    if (!authority)
        return false;
    LocalAuthority::HostRequest request;
    request.names = {"localhost", "127.0.0.1", "::1"};
    if (!extraHost.empty() && extraHost != "localhost" && extraHost != "127.0.0.1" &&
        extraHost != "::1") {
        request.names.push_back(extraHost);
    }
    return authority->issue(request, files.certificate, files.key, error);
}

}  // namespace nubexa::standin
