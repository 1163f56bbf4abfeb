#include "standin/util/crypto_util.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <fstream>
#include <vector>

#include "standin/util/text_util.h"

namespace nubexa::standin {

namespace {

#ifndef NUBEXA_PASSWORD_ROUNDS
#define NUBEXA_PASSWORD_ROUNDS 60000
#endif
constexpr int kPasswordIterations = NUBEXA_PASSWORD_ROUNDS;
constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kHashBytes = 32;

std::string toHex(const unsigned char* data, std::size_t size, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 0x0F]);
    }
    return out;
}

std::vector<unsigned char> fromHex(std::string_view hex) {
    std::vector<unsigned char> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int hi = hexValue(hex[i]);
        const int lo = hexValue(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return {};
        out.push_back(static_cast<unsigned char>(hi * 16 + lo));
    }
    return out;
}

std::vector<unsigned char> randomBytes(std::size_t count) {
    std::vector<unsigned char> bytes(count);
    if (RAND_bytes(bytes.data(), static_cast<int>(count)) != 1) {
        // The system generator failing is not recoverable for a service handing out secrets.
        std::abort();
    }
    return bytes;
}

std::vector<unsigned char> derive(std::string_view password, const std::vector<unsigned char>& salt,
                                  int iterations) {
    std::vector<unsigned char> out(kHashBytes);
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                          static_cast<int>(salt.size()), iterations, EVP_sha256(),
                          static_cast<int>(out.size()), out.data()) != 1)
        return {};
    return out;
}

}  // namespace

struct Md5Stream::State {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    ~State() { EVP_MD_CTX_free(context); }
};

Md5Stream::Md5Stream() : m_state(std::make_unique<State>()) {
    EVP_DigestInit_ex(m_state->context, EVP_md5(), nullptr);
}

Md5Stream::Md5Stream(const Md5Stream& other) : m_state(std::make_unique<State>()) {
    EVP_MD_CTX_copy_ex(m_state->context, other.m_state->context);
}

Md5Stream::~Md5Stream() = default;
Md5Stream::Md5Stream(Md5Stream&&) noexcept = default;
Md5Stream& Md5Stream::operator=(Md5Stream&&) noexcept = default;

void Md5Stream::update(const void* data, std::size_t size) {
    EVP_DigestUpdate(m_state->context, data, size);
}

std::string Md5Stream::finishHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_state->context, digest, &length);
    return toHex(digest, length, true);
}

std::string Md5Stream::currentHex() const {
    return Md5Stream(*this).finishHex();
}

std::string md5Hex(std::string_view bytes) {
    Md5Stream stream;
    stream.update(bytes.data(), bytes.size());
    return stream.finishHex();
}

std::string md5OfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    Md5Stream stream;
    std::vector<char> buffer(1 << 16);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        if (in.gcount() > 0)
            stream.update(buffer.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad())
        return {};
    return stream.finishHex();
}

std::string hmacSha256Hex(std::string_view key, std::string_view data) {
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
         reinterpret_cast<const unsigned char*>(data.data()), data.size(), mac, &length);
    return toHex(mac, length, false);
}

std::string randomHex(std::size_t bytes) {
    const auto data = randomBytes(bytes);
    return toHex(data.data(), data.size(), false);
}

std::string randomKey(std::size_t length) {
    static constexpr char kAlphabet[] =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::string out;
    while (out.size() < length) {
        for (const unsigned char byte : randomBytes(length)) {
            // 248 = 4 * 62: dropping the rest keeps every character equally likely.
            if (byte < 248 && out.size() < length)
                out.push_back(kAlphabet[byte % 62]);
        }
    }
    return out;
}

PasswordRecord hashPassword(std::string_view password) {
    const auto salt = randomBytes(kSaltBytes);
    const auto hash = derive(password, salt, kPasswordIterations);
    return {toHex(salt.data(), salt.size(), false), toHex(hash.data(), hash.size(), false),
            kPasswordIterations};
}

bool verifyPassword(std::string_view password, const PasswordRecord& record) {
    const auto salt = fromHex(record.saltHex);
    const auto expected = fromHex(record.hashHex);
    if (salt.empty() || expected.size() != kHashBytes || record.iterations <= 0)
        return false;
    const auto actual = derive(password, salt, record.iterations);
    return actual.size() == expected.size() &&
           CRYPTO_memcmp(actual.data(), expected.data(), actual.size()) == 0;
}

bool sameSecret(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace nubexa::standin
