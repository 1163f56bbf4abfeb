#pragma once

#include <memory>
#include <optional>
#include <string>

#include "cli/cli_context.h"
#include "platform/notifier.h"
#include "service/service_client.h"
#include "store/store_gate.h"
#include "transfer/transfer_manager.h"

namespace nubexa::cli {

// What every disk and queue command works with: bin.db, the web client configured from
// nubexa.ini, the console notifier, and (made on demand) the transfer manager. One per command.
class CliSession {
public:
    explicit CliSession(const CliContext& context);

    StoreGate& gate() { return m_gate; }
    ServiceClient& service() { return m_service; }
    Notifier& notifier() { return m_notifier; }

    // The "login" command's sign-in: Login, GetUserInfo and the record of the sign-in with the
    // password remembered, as the sign-in window keeps it. An exit code.
    int signIn(const std::string& account, const std::string& password,
               const std::optional<bool>& autoResume);
    // Signs in again with the remembered sign-in of the last user; false (after saying why)
    // when there is none or it fails.
    bool signInAgain();
    // The last user without signing in, for commands that only read or change rows; false
    // (after saying why) when nobody has signed in yet.
    bool adoptLastUser();

    // Made at the first call with these settings; their FTP options follow --verbose.
    TransferManager& manager(TransferSettings settings);
    TransferManager& manager();  // the one made before

private:
    const CliContext& m_context;
    StoreGate m_gate;
    ServiceClient m_service;
    ConsoleNotifier m_notifier;
    std::unique_ptr<TransferManager> m_manager;  // before the members above end
};

// Settings of a manager that queues only: the rows wait for "nubexa-cli run".
TransferSettings queueOnlySettings();

}  // namespace nubexa::cli
