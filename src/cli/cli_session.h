#pragma once

#include <memory>
#include <optional>
#include <string>

#include "cli/cli_context.h"
#include "cli/message_notifier.h"
#include "platform/secret_store.h"
#include "session/client_session.h"
#include "session/transfer_requests.h"
#include "transfer/transfer_view.h"

namespace nubexa::cli {

// What every disk and queue command works with: the client's session (bin.db, the web client
// configured from nubexa.ini and, made on demand, the transfers) with the console notifier.
// One per command, on the main thread.
class CliSession {
public:
    explicit CliSession(const CliContext& context);

    Notifier& notifier() { return m_notifier; }
    ClientSession& client() { return m_client; }

    // The "login" command's sign-in: the session's sign-in with the password remembered, as the
    // sign-in window keeps it, and the queue taken when no run drives it. An exit code.
    int signIn(const std::string& account, const std::string& password,
               const std::optional<bool>& autoResume);
    // Whether a command needs the user's details (the upload limit, for queuing uploads).
    enum class Details { kRead, kNotNeeded };
    // Signs in again with the remembered sign-in of the last user; false (after saying why)
    // when there is none or it fails.
    bool signInAgain(Details details = Details::kRead);
    // Takes the queue's lock for this process; false (after saying why) when another process
    // drives the queue.
    bool takeQueue();
    // Takes the queue's lock for this process and signs in again, as a command that transfers
    // does first; false (after saying why) when another process drives the queue or the
    // sign-in fails.
    bool driveQueue(Details details = Details::kRead);
    // "logout": the last user's remembered sign-in is forgotten, in the secret store and in
    // bin.db alike. An exit code.
    int forgetSignIn();
    // The last user without signing in, for commands that only read or change rows; false
    // (after saying why) when nobody has signed in yet.
    bool adoptLastUser();
    // Says on standard error that the service did not answer (or could not be trusted) and
    // where its address is configured.
    void reportNoAnswer();

    // bin.db as the session opened it, for messages.
    const std::string& databasePath() const { return m_client.config().databasePath; }
    // Whether --verbose asked for the FTP dialogue.
    bool verbose() const { return m_context.verbose; }

    // What the transfers show on: nothing (the commands print what they do).
    TransferView& view() { return m_view; }

    // The transfers, made at the first call: ones that only queue (the rows wait for "run").
    void startQueueOnly();
    // The queue's uploads and downloads (startQueueOnly first).
    QueueRequests queue();

private:
    const CliContext& m_context;
    std::unique_ptr<SecretStore> m_secrets;  // the desktop's, as the desktop client uses it
    MessageNotifier m_notifier;
    NoTransferView m_view;
    ClientSession m_client;  // last: ends before what it refers to
};

}  // namespace nubexa::cli
