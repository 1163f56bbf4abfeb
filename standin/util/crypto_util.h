#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace nubexa::standin {

// MD5 as the client writes it: 32 upper-case hexadecimal characters.
std::string md5Hex(std::string_view bytes);

// MD5 over data that arrives in pieces (a staged upload read block by block).
class Md5Stream {
public:
    Md5Stream();
    ~Md5Stream();
    Md5Stream(const Md5Stream&) = delete;
    Md5Stream& operator=(const Md5Stream&) = delete;

    void update(const void* data, std::size_t size);
    std::string finishHex();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// MD5 of a whole file; empty text when it cannot be read.
std::string md5OfFile(const std::string& path);

// Random text from the system's generator: `bytes` random bytes as lower-case hex.
std::string randomHex(std::size_t bytes);

// Random text of letters and digits, for share keys and link keys.
std::string randomKey(std::size_t length);

// A salted PBKDF2-HMAC-SHA256 password record.
struct PasswordRecord {
    std::string saltHex;
    std::string hashHex;
    int iterations = 0;
};

PasswordRecord hashPassword(std::string_view password);
bool verifyPassword(std::string_view password, const PasswordRecord& record);

// Compares two texts in time independent of where they differ.
bool sameSecret(std::string_view a, std::string_view b);

}  // namespace nubexa::standin
