#include "cli/cli_session.h"

#include <ace/Log_Msg.h>

#include "keychain/keychain_secret_store.h"
#include "keychain/remembered_passwords.h"
#include "platform/paths.h"
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
    if (const std::string problem = service.frame().certificateProblem(); !problem.empty()) {
        complain(problem + " (see ca_file in " + configPath() + ")");
        return;
    }
    complain("no answer from the service at " + service.config().apiHost + " (see api_host in " +
             configPath() + ")");
}

// After a sign-in: when the user's details could not be read the upload limit stays unknown
// (no file is refused for it) and the user hears why.
void reportUserInfo(Failure failure) {
    if (failure == Failure::kNone)
        return;
    complain(std::string("the user's details could not be read (") + describeFailure(failure) +
             (failure == Failure::kNoAnswer ? ": the network failed" : "") +
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

SessionConfig sessionConfig(const CliContext& context, SecretStore* secrets) {
    SessionConfig config;
    config.databasePath = context.databasePath.empty() ? databasePath() : context.databasePath;
    // Installed, the program folder is not writable: the avatar cache lives in the data folder.
    config.programFolder = homeFolder();
    config.service = ServiceConfig::loadDefault();
    config.secrets = secrets;
    return config;
}

}  // namespace

CliSession::CliSession(const CliContext& context)
    : m_context(context),
      m_secrets(std::make_unique<KeychainSecretStore>()),
      m_client(sessionConfig(context, m_secrets.get()), m_notifier) {
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
    // The session starts here, as when the main window opens; a run in progress keeps its
    // tasks as they are.
    manager();
    PasswordSignIn request;
    request.account = account;
    request.password = password;
    request.rememberPassword = true;
    request.autoResume = autoResume;
    request.takeQueue = true;
    const SignInResult signedIn = m_client.signIn(request);
    if (!signedIn.ok()) {
        if (signedIn.failure == Failure::kNoAnswer) {
            reportUnanswered(service());
        } else {
            complain("sign-in refused: wrong account or password");
        }
        return kFailed;
    }
    reportUserInfo(signedIn.userInfoFailure);
    if (!signedIn.recorded)
        complain("the sign-in could not be recorded in " + gate().databasePath());
    if (!signedIn.transfersStarted) {
        complain(
            "a nubexa-cli run or the desktop client is transferring: unfinished tasks were left "
            "as they are");
    }
    const AccountInfo& info = signedIn.account;
    std::printf("signed in as %s (uid %s); automatic resume %s\n",
                info.nickname.empty() ? account.c_str() : info.nickname.c_str(), info.uid.c_str(),
                signedIn.autoResume ? "on" : "off");
    return kDone;
}

int CliSession::forgetSignIn() {
    const auto last = gate().run([](LocalStore& store) { return UserLog(store).readLastUser(); });
    if (!last || last->userName.empty()) {
        std::printf("not signed in\n");
        return kDone;
    }
    if (!m_client.passwords().forget(last->userName)) {
        complain("the sign-in could not be forgotten in " + gate().databasePath());
        return kFailed;
    }
    std::printf("signed out: the sign-in of uid %s is forgotten\n", last->userName.c_str());
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
    const auto last = m_client.passwords().readLastUser();
    if (!last || last->userName.empty() || trimmed(last->password).empty()) {
        complain("not signed in: run \"nubexa-cli login ACCOUNT\" first");
        return false;
    }
    PasswordSignIn request;
    request.account = last->userName;
    request.password = last->password;
    request.record = false;
    const SignInResult signedIn = m_client.signIn(request);
    if (!signedIn.ok()) {
        if (signedIn.failure == Failure::kNoAnswer) {
            reportUnanswered(service());
        } else {
            complain("the remembered sign-in was refused: run \"nubexa-cli login ACCOUNT\" again");
        }
        return false;
    }
    reportUserInfo(signedIn.userInfoFailure);
    return true;
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
