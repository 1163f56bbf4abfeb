#pragma once

#include <atomic>
#include <memory>
#include <string>

namespace nubexa {

class FTPClient;
class TransferManager;

// One sign-in at the account's file server that transfer after transfer reuses: made when
// first asked for, and again when the account's file server changed or the connection can
// carry nothing more. A transfer that failed or was stopped drops it. Used by one thread at a
// time; `stop` ends its transfers and outlives it.
class SignedInClient {
public:
    SignedInClient(TransferManager& manager, const std::atomic<bool>& stop);
    ~SignedInClient();
    SignedInClient(const SignedInClient&) = delete;
    SignedInClient& operator=(const SignedInClient&) = delete;

    // The signed-in client; null with `problem` (the server's reply, or why the connection's
    // protection was refused) when the sign-in failed.
    FTPClient* get(std::string& problem);
    // Whether a connection is kept for the next transfer.
    bool held() const { return m_client != nullptr; }
    void drop();
    // QUIT, when a connection is kept.
    void quit();

private:
    TransferManager& m_manager;
    const std::atomic<bool>& m_stop;
    std::unique_ptr<FTPClient> m_client;
    std::string m_endpoint;  // of the account m_client signed in for
};

}  // namespace nubexa
