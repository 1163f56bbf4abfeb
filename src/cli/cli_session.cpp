#include "cli/cli_session.h"

#include "cli/message_notifier.h"
#include "cli/messages.h"
#include "platform/paths.h"
#include "session/front_end_setup.h"
#include "session/last_user.h"

namespace nubexa::cli {

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void reportUnanswered(const ClientSession& client) {
    if (const std::string problem = client.certificateProblem(); !problem.empty()) {
        complain(
            say("{} (see ca_file in {})", "{}（见 {} 中的 ca_file）", {problem, configPath()}));
        return;
    }
    complain(say("no answer from the service at {} (see api_host in {})",
                 "服务 {} 没有应答（见 {} 中的 api_host）",
                 {client.config().service.apiHost, configPath()}));
}

// After a sign-in: when the user's details could not be read the upload limit stays unknown
// (no file is refused for it) and the user hears why.
void reportUserInfo(Failure failure) {
    if (failure == Failure::kNone)
        return;
    complain(failure == Failure::kNoAnswer
                 ? say("the user's details could not be read (the network failed); the upload "
                       "limit is unknown",
                       "无法读取用户信息（网络异常）；上传大小限制未知")
                 : say("the user's details could not be read ({}); the upload limit is unknown",
                       "无法读取用户信息（{}）；上传大小限制未知", {describeFailure(failure)}));
}

}  // namespace

namespace {

SessionConfig sessionConfig(const CliContext& context, SecretStore* secrets) {
    SessionConfig config;
    config.databasePath = context.databasePath.empty() ? databasePath() : context.databasePath;
    // The rescue of a damaged file is for the data folder's own bin.db (see databaseFile()).
    config.store.setAsideDamaged = context.databasePath.empty();
    // Installed, the program folder is not writable: the avatar cache lives in the data folder.
    config.programFolder = homeFolder();
    config.service = ServiceConfig::loadDefault();
    config.secrets = secrets;
    return config;
}

}  // namespace

CliSession::CliSession(const CliContext& context)
    : m_context(context),
      m_secrets(desktopSecretStore()),
      m_client(sessionConfig(context, m_secrets.get()), m_notifier) {
    if (!context.verbose)
        quietEngineLog();
}

int CliSession::signIn(const std::string& accountText, const std::string& passwordText,
                       const std::optional<bool>& autoResume) {
    const std::string account = trimmed(accountText);
    const std::string password = trimmed(passwordText);
    if (account.empty()) {
        complain(say("give an account name", "请输入用户名"));
        return kUsage;
    }
    if (password.empty()) {
        complain(say("give a password", "请输入密码"));
        return kUsage;
    }
    // The session starts here, as when the main window opens; a run in progress keeps its
    // tasks as they are.
    startQueueOnly();
    PasswordSignIn request;
    request.account = account;
    request.password = password;
    request.rememberPassword = true;
    request.autoResume = autoResume;
    request.takeQueue = true;
    const SignInResult signedIn = m_client.signIn(request);
    if (!signedIn.ok()) {
        // A refused certificate is no verdict on the password: the user hears which it was.
        if (signedIn.failure == Failure::kNoAnswer || signedIn.failure == Failure::kUntrusted) {
            reportUnanswered(m_client);
        } else if (signedIn.wrongPassword()) {
            complain(
                say("sign-in refused: wrong account or password", "登录被拒绝：用户名或密码错误"));
        } else {
            complain(say("sign-in refused: {}", "登录被拒绝：{}",
                         {forTerminal(coreMessageText(signedIn.refusal))}));
        }
        return kFailed;
    }
    reportUserInfo(signedIn.userInfoFailure);
    if (!signedIn.recorded) {
        // The service took the password, but no later command can use the sign-in.
        complain(say("the sign-in could not be recorded in {}: later commands are not signed in",
                     "无法在 {} 中记录登录：之后的命令仍未登录", {databasePath()}));
        return kFailed;
    }
    if (signedIn.passwordKept == PasswordPlace::kDatabase) {
        complain(
            say("no desktop secret store: the password is kept in {} (readable by this user "
                "only)",
                "没有桌面密钥库：密码保存在 {}（仅当前用户可读）", {databasePath()}));
    } else if (signedIn.passwordKept == PasswordPlace::kNowhere) {
        complain(
            say("the desktop secret store did not answer in time: the password may not be "
                "kept, and a later command may ask for a new login",
                "桌面密钥库没有及时应答：密码可能没有保存，之后的命令可能要求重新登录"));
    }
    if (!signedIn.transfersStarted) {
        complain(
            say("a nubexa-cli run or the desktop client is transferring: unfinished tasks "
                "were left as they are",
                "nubexa-cli run 或桌面客户端正在传输：未完成的任务保持原样"));
    }
    const AccountInfo& info = signedIn.account;
    std::printf(
        "%s\n",
        say("signed in as {} (uid {}); automatic resume {}", "已登录：{}（uid {}）；自动续传{}",
            {forTerminal(info.nickname.empty() ? account : info.nickname), forTerminal(info.uid),
             signedIn.autoResume ? say("on", "开") : say("off", "关")})
            .c_str());
    return kDone;
}

int CliSession::forgetSignIn() {
    const ForgottenSignIn forgotten = forgetLastSignIn(m_client);
    switch (forgotten.outcome) {
        case ForgottenSignIn::Outcome::kNobody:
            std::printf("%s\n", say("not signed in", "未登录").c_str());
            return kDone;
        case ForgottenSignIn::Outcome::kNotWritten:
            complain(say("the sign-in could not be forgotten in {}", "无法在 {} 中删除登录",
                         {databasePath()}));
            return kFailed;
        case ForgottenSignIn::Outcome::kForgotten:
            break;
    }
    std::printf("%s\n", say("signed out: the sign-in of uid {} is forgotten",
                            "已退出：uid {} 的登录已删除", {forTerminal(forgotten.userId)})
                            .c_str());
    return kDone;
}

bool CliSession::adoptLastUser() {
    const auto userId = lastUserId(m_client);
    if (!userId) {
        complain(say("not signed in: run \"nubexa-cli login ACCOUNT\" first",
                     "未登录：请先运行 \"nubexa-cli login 用户名\""));
        return false;
    }
    m_client.updateAccount([&](AccountInfo& info) { info.uid = *userId; });
    return true;
}

bool CliSession::takeQueue() {
    if (m_client.lockQueue())
        return true;
    complain(say("another nubexa-cli run or the desktop client is transferring the tasks of {}",
                 "另一个 nubexa-cli run 或桌面客户端正在传输 {} 的任务", {databasePath()}));
    return false;
}

bool CliSession::driveQueue(Details details) {
    return takeQueue() && signInAgain(details);
}

void CliSession::reportNoAnswer() {
    reportUnanswered(m_client);
}

bool CliSession::signInAgain(Details details) {
    const LastSignIn lastSignIn = m_client.lastSignIn();
    const std::optional<LastUser>& last = lastSignIn.user;
    // A remembered password the secret store did not give is not "not signed in".
    if (last && !last->userName.empty() && lastSignIn.password == PasswordRead::kNoAnswer) {
        complain(
            say("the desktop secret store did not answer: the remembered password could not "
                "be read (try again, or run \"nubexa-cli login ACCOUNT\")",
                "桌面密钥库没有应答：无法读取保存的密码（请重试，或运行 \"nubexa-cli login "
                "用户名\"）"));
        return false;
    }
    if (last && !last->userName.empty() && lastSignIn.password == PasswordRead::kNoStore) {
        complain(
            say("no desktop secret store is reachable: the remembered password could not be "
                "read (run \"nubexa-cli login ACCOUNT\" to keep it in {})",
                "找不到桌面密钥库：无法读取保存的密码（运行 \"nubexa-cli login 用户名\" "
                "可将其保存在 {}）",
                {databasePath()}));
        return false;
    }
    if (!last || last->userName.empty() || trimmed(last->password).empty()) {
        complain(say("not signed in: run \"nubexa-cli login ACCOUNT\" first",
                     "未登录：请先运行 \"nubexa-cli login 用户名\""));
        return false;
    }
    PasswordSignIn request;
    request.account = last->userName;
    request.password = last->password;
    request.record = false;
    request.userDetails = details == Details::kRead;
    const SignInResult signedIn = m_client.signIn(request);
    if (!signedIn.ok()) {
        // A refused certificate is no verdict on the password: the user hears which it was.
        if (signedIn.failure == Failure::kNoAnswer || signedIn.failure == Failure::kUntrusted) {
            reportUnanswered(m_client);
        } else if (signedIn.wrongPassword()) {
            complain(
                say("the remembered sign-in was refused: run \"nubexa-cli login ACCOUNT\" again",
                    "保存的登录被拒绝：请重新运行 \"nubexa-cli login 用户名\""));
        } else {
            complain(say("the service refused the remembered sign-in: {}",
                         "服务拒绝了保存的登录：{}",
                         {forTerminal(coreMessageText(signedIn.refusal))}));
        }
        return false;
    }
    reportUserInfo(signedIn.userInfoFailure);
    return true;
}

void CliSession::startQueueOnly() {
    TransferStart start;
    start.programFolder = homeFolder();
    start.startAtOnce = false;
    start.ftpTrace = m_context.verbose;
    startTransfers(m_client, start, m_view);
}

QueueRequests CliSession::queue() {
    startQueueOnly();
    return QueueRequests(m_client);
}

}  // namespace nubexa::cli
