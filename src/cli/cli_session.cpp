#include "cli/cli_session.h"

#include <ace/Log_Msg.h>

#include "cli/run_lock.h"
#include "keychain/keychain_secret_store.h"
#include "platform/paths.h"
#include "service/common.h"
#include "store/user_log.h"

namespace nubexa::cli {

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void reportUnanswered(const ServiceClient& service) {
    complain("no answer from the service at " + service.config().apiHost + " (see api_host in " +
             configPath() + ")");
}

// After a sign-in: the user's details and upload limit. When they cannot be read the limit
// stays unknown (no file is refused for it) and the user hears why.
void fetchUserInfo(ServiceClient& service) {
    const AccountInfo info = service.account();
    const auto read = service.fetchUserInfo(info.uid, info.token);
    if (read.ok())
        return;
    complain(std::string("the user's details could not be read (") + describeFailure(read.failure) +
             (read.networkFailed() ? ": the network failed" : "") +
             "); the upload limit is unknown");
}

}  // namespace

TransferSettings queueOnlySettings() {
    TransferSettings settings;
    settings.programFolder = homeFolder();
    settings.startAtOnce = false;
    return settings;
}

namespace {

SessionConfig sessionConfig(const CliContext& context) {
    SessionConfig config;
    config.databasePath = context.databasePath.empty() ? databasePath() : context.databasePath;
    // Installed, the program folder is not writable: the avatar cache lives in the data folder.
    config.programFolder = homeFolder();
    config.service = ServiceConfig::loadDefault();
    return config;
}

}  // namespace

CliSession::CliSession(const CliContext& context)
    : m_context(context), m_client(sessionConfig(context), m_notifier) {
    if (!context.verbose)
        ACE_Log_Msg::instance()->priority_mask(0, ACE_Log_Msg::PROCESS);
}

int CliSession::signIn(const std::string& accountText, const std::string& passwordText,
                       const std::optional<bool>& autoResume) {
    const std::string account = trimmed(accountText);
    const std::string password = trimmed(passwordText);
    if (account.empty()) {
        complain("请输入用户名");
        return kUsage;
    }
    if (password.empty()) {
        complain("请输入密码");
        return kUsage;
    }
    const auto signedIn = service().signIn(account, password);
    if (!signedIn.ok()) {
        if (signedIn.networkFailed()) {
            reportUnanswered(service());
        } else {
            complain("sign-in refused: wrong account or password");
        }
        return kFailed;
    }
    fetchUserInfo(service());
    const AccountInfo info = service().account();

    // The automatic-resume choice is carried over from the last sign-in, as the sign-in window
    // does, unless it is given here.
    const auto last = passwords().readLastUser();
    std::string carry = last && last->autoResume == "1" ? "1" : "0";
    if (autoResume)
        carry = *autoResume ? "1" : "0";
    RememberedPasswords::Kept kept = RememberedPasswords::Kept::kNowhere;
    const bool recorded = passwords().recordSignIn(
        SignInRecord{info.uid, password, Common::localTimeText(), true, false, carry}, &kept);
    if (!recorded) {
        complain("the sign-in could not be recorded in " + gate().databasePath());
    } else if (kept == RememberedPasswords::Kept::kDatabase) {
        complain("no desktop secret store: the password is kept in " + gate().databasePath() +
                 " (readable by this user only)");
    } else if (kept == RememberedPasswords::Kept::kNowhere) {
        complain(
            "the desktop secret store did not take the password: later commands ask for a "
            "new login");
    }

    // The session starts here, as when the main window opens; a run in progress keeps its
    // tasks as they are.
    RunLock lock(gate().databasePath());
    if (lock.held()) {
        manager(queueOnlySettings()).startSession(carry == "1");
    } else {
        complain(
            "a nubexa-cli run or the desktop client is transferring: unfinished tasks were left "
            "as they are");
    }
    std::printf("signed in as %s (uid %s); automatic resume %s\n",
                forTerminal(info.nickname.empty() ? account : info.nickname).c_str(),
                forTerminal(info.uid).c_str(), carry == "1" ? "on" : "off");
    return kDone;
}

bool CliSession::adoptLastUser() {
    const auto last = gate().run([](LocalStore& store) { return UserLog(store).readLastUser(); });
    if (!last || last->userName.empty()) {
        complain("not signed in: run \"nubexa-cli login ACCOUNT\" first");
        return false;
    }
    service().updateAccount([&](AccountInfo& info) { info.uid = last->userName; });
    return true;
}

bool CliSession::signInAgain() {
    const auto last = passwords().readLastUser();
    if (!last || last->userName.empty() || trimmed(last->password).empty()) {
        complain("not signed in: run \"nubexa-cli login ACCOUNT\" first");
        return false;
    }
    const auto signedIn = service().signIn(last->userName, last->password);
    if (!signedIn.ok()) {
        if (signedIn.networkFailed()) {
            reportUnanswered(service());
        } else {
            complain("the remembered sign-in was refused: run \"nubexa-cli login ACCOUNT\" again");
        }
        return false;
    }
    fetchUserInfo(service());
    return true;
}

RememberedPasswords CliSession::passwords() {
    if (!m_secrets)
        m_secrets = std::make_unique<KeychainSecretStore>();
    return RememberedPasswords(gate(), m_secrets.get(), m_client.config().service.apiHost);
}

TransferManager& CliSession::manager(TransferSettings settings, TransferView& view) {
    if (!m_context.verbose)
        settings.ftp.trace = nullptr;
    return m_client.startTransfers(std::move(settings), view);
}

TransferManager& CliSession::manager(TransferSettings settings) {
    return manager(std::move(settings), m_view);
}

TransferManager& CliSession::manager() {
    return manager(queueOnlySettings());
}

TransferQueue& CliSession::queue() {
    manager();
    return m_client.queue();
}

}  // namespace nubexa::cli
