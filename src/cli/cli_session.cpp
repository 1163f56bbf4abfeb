#include "cli/cli_session.h"

#include <ace/Log_Msg.h>

#include "cli/run_lock.h"
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

}  // namespace

TransferSettings queueOnlySettings() {
    TransferSettings settings;
    settings.programFolder = homeFolder();
    settings.startAtOnce = false;
    return settings;
}

CliSession::CliSession(const CliContext& context)
    : m_context(context),
      m_gate(context.databasePath.empty() ? databasePath() : context.databasePath),
      m_service(ServiceConfig::loadDefault(), homeFolder()) {
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
    if (m_service.Login(account, password) != 1) {
        if (!RequestFrame::lastSendAnswered()) {
            reportUnanswered(m_service);
        } else {
            complain("sign-in refused: wrong account or password");
        }
        return kFailed;
    }
    AccountInfo info = m_service.account();
    m_service.GetUserInfo(info.uid, info.token);
    info = m_service.account();

    // The automatic-resume choice is carried over from the last sign-in, as the sign-in window
    // does, unless it is given here.
    const auto last = m_gate.run([](LocalStore& store) { return UserLog(store).readLastUser(); });
    std::string carry = last && last->autoResume == "1" ? "1" : "0";
    if (autoResume)
        carry = *autoResume ? "1" : "0";
    const bool recorded = m_gate.run([&](LocalStore& store) {
        return UserLog(store).recordSignIn(
            SignInRecord{info.uid, password, Common::localTimeText(), true, false, carry});
    });
    if (!recorded)
        complain("the sign-in could not be recorded in " + m_gate.databasePath());

    // The session starts here, as when the main window opens; a run in progress keeps its
    // tasks as they are.
    RunLock lock(m_gate.databasePath());
    if (lock.held()) {
        manager(queueOnlySettings()).startSession(carry == "1");
    } else {
        complain("a nubexa-cli run is transferring: unfinished tasks were left as they are");
    }
    std::printf("signed in as %s (uid %s); automatic resume %s\n",
                info.nickname.empty() ? account.c_str() : info.nickname.c_str(), info.uid.c_str(),
                carry == "1" ? "on" : "off");
    return kDone;
}

bool CliSession::adoptLastUser() {
    const auto last = m_gate.run([](LocalStore& store) { return UserLog(store).readLastUser(); });
    if (!last || last->userName.empty()) {
        complain("not signed in: run \"nubexa-cli login ACCOUNT\" first");
        return false;
    }
    m_service.updateAccount([&](AccountInfo& info) { info.uid = last->userName; });
    return true;
}

bool CliSession::signInAgain() {
    const auto last = m_gate.run([](LocalStore& store) { return UserLog(store).readLastUser(); });
    if (!last || last->userName.empty() || trimmed(last->password).empty()) {
        complain("not signed in: run \"nubexa-cli login ACCOUNT\" first");
        return false;
    }
    if (m_service.Login(last->userName, last->password) != 1) {
        if (!RequestFrame::lastSendAnswered()) {
            reportUnanswered(m_service);
        } else {
            complain("the remembered sign-in was refused: run \"nubexa-cli login ACCOUNT\" again");
        }
        return false;
    }
    const AccountInfo info = m_service.account();
    m_service.GetUserInfo(info.uid, info.token);
    return true;
}

TransferManager& CliSession::manager(TransferSettings settings) {
    if (!m_manager) {
        if (!m_context.verbose)
            settings.ftp.trace = nullptr;
        m_manager =
            std::make_unique<TransferManager>(m_gate, m_service, m_notifier, std::move(settings));
    }
    return *m_manager;
}

TransferManager& CliSession::manager() {
    return manager(queueOnlySettings());
}

}  // namespace nubexa::cli
