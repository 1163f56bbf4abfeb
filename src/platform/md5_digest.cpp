#include "platform/md5_digest.h"

#include <openssl/evp.h>

namespace nubexa {

Md5Digest::Md5Digest() : m_context(EVP_MD_CTX_new()) {
    m_ok = m_context != nullptr && EVP_DigestInit_ex(m_context, EVP_md5(), nullptr) == 1;
}

Md5Digest::~Md5Digest() {
    EVP_MD_CTX_free(m_context);
}

void Md5Digest::update(const char* data, std::size_t size) {
    if (m_ok && size > 0)
        m_ok = EVP_DigestUpdate(m_context, data, size) == 1;
}

std::string Md5Digest::hexUpper() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!m_ok || EVP_DigestFinal_ex(m_context, digest, &length) != 1)
        return {};
    m_ok = false;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text.push_back(kHex[digest[i] >> 4]);
        text.push_back(kHex[digest[i] & 0x0F]);
    }
    return text;
}

}  // namespace nubexa
