#pragma once

#include <string>

namespace nubexa {

// The desktop's store of secrets (the Secret Service on Linux), for remembered passwords.
// Implementations may be called from any thread; each call waits for the store a bounded time.
class SecretStore {
public:
    enum class Result {
        kDone,
        kNotFound,     // read: nothing is kept under the key
        kUnavailable,  // no store here (a server, CI): for the rest of the process
        kFailed,       // a store is there but did not do it now (no answer in time, the user
                       // cancelled its prompt): nothing is to be kept elsewhere instead
    };

    virtual ~SecretStore() = default;

    virtual Result write(const std::string& key, const std::string& secret) = 0;
    virtual Result read(const std::string& key, std::string& secret) = 0;
    // kDone also when nothing was kept under the key.
    virtual Result erase(const std::string& key) = 0;
};

}  // namespace nubexa
