#pragma once

#include <cstddef>
#include <string>

typedef struct evp_md_ctx_st EVP_MD_CTX;

namespace nubexa {

// MD5 of a byte stream fed in pieces (OpenSSL EVP), as 32 upper-case hex characters.
class Md5Digest {
public:
    Md5Digest();
    ~Md5Digest();
    Md5Digest(const Md5Digest&) = delete;
    Md5Digest& operator=(const Md5Digest&) = delete;

    void update(const char* data, std::size_t size);
    // Ends the digest; empty text when OpenSSL failed.
    std::string hexUpper();

private:
    EVP_MD_CTX* m_context;
    bool m_ok;
};

}  // namespace nubexa
