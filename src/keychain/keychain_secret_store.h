#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "platform/secret_store.h"

namespace nubexa {

// The desktop's secret store through QtKeychain (the Secret Service, KWallet). Every call runs
// on a thread of this object's own that keeps the event loop QtKeychain needs, and waits at most
// `timeoutMs` for it; callers on any thread. A store that does not answer in time or whose
// prompt was cancelled failed that call only; one without a backend (or with another error) is
// taken as missing for the rest of the process.
//
// Needs a QCoreApplication; when the process has none (nubexa-cli), one is made on first use.
// Nothing is started before the first call.
class KeychainSecretStore : public SecretStore {
public:
    explicit KeychainSecretStore(std::string service = "nubexa", int timeoutMs = 5000);
    ~KeychainSecretStore() override;
    KeychainSecretStore(const KeychainSecretStore&) = delete;
    KeychainSecretStore& operator=(const KeychainSecretStore&) = delete;

    Result write(const std::string& key, const std::string& secret) override;
    Result read(const std::string& key, std::string& secret) override;
    Result erase(const std::string& key) override;

private:
    enum class Kind { kWrite, kRead, kErase };
    struct Worker;

    Result run(Kind kind, const std::string& key, std::string& secret);

    std::string m_service;
    int m_timeoutMs;
    std::unique_ptr<Worker> m_worker;
    std::atomic<bool> m_missing{false};
    std::once_flag m_started;
};

}  // namespace nubexa
